// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/raw_image.h"

#include <algorithm>
#include <cstdint>

QImage raw_to_image(MyImage &img, int w, int h, int w2, int h2)
{
    const int W = w2 != 0 ? w2 : w;
    const int H = h2 != 0 ? h2 : h;
    if (W <= 0 || H <= 0)
        return {};
    const std::size_t capacity = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);
    auto *words = new std::uint32_t[capacity];
    std::fill_n(words, capacity, 0xff000000u);

    const int rows = std::min(h, img.height());
    const int columns = std::min(w, img.width());
    std::size_t packed = 0;
    for (int y = 0; y < rows && packed < capacity; ++y)
        for (int x = 0; x < columns && packed < capacity; ++x)
            if (img.done(x, y))
                words[packed++] = img.read(x, y);

    QImage result(reinterpret_cast<uchar *>(words), W, H, static_cast<qsizetype>(W) * 4,
                  QImage::Format_RGB32, ImgFree, words);
    // An image the toolkit refuses (too large) does not take the buffer.
    if (result.isNull())
        ImgFree(words);
    return result;
}

void ImgFree(void *buffer)
{
    delete[] static_cast<std::uint32_t *>(buffer);
}

QString to_time(long long ms)
{
    const QChar zero('0');
    return QStringLiteral("%1:%2:%3:%4")
        .arg(ms / 86400000, 2, 10, zero)
        .arg(ms / 3600000 % 24, 2, 10, zero)
        .arg(ms / 60000 % 60, 2, 10, zero)
        .arg(ms / 1000 % 60, 2, 10, zero);
}
