// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>

#include <cstdlib>

// Mean difference per colour channel (0–255) of two pictures of one size, in
// `part` of them or all of them; 255 for pictures of different sizes.
inline double difference(QImage a, QImage b, QRect part = QRect())
{
    a = a.convertToFormat(QImage::Format_RGB32);
    b = b.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size())
        return 255;
    if (part.isNull())
        part = a.rect();
    double sum = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * part.width() * part.height());
}
