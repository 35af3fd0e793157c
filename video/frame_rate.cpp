// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/frame_rate.h"

#include <cstdint>
#include <limits>
#include <numeric>

FrameRate frame_rate_of(QString const &text)
{
    const QString t = text.trimmed();
    const qsizetype point = t.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? t : t.left(point);
    const QString decimals = point < 0 ? QString() : t.mid(point + 1);
    if (whole.isEmpty() && decimals.isEmpty())
        return {};
    if (decimals.size() > 6)
        return {};
    for (QChar c : whole + decimals)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};

    std::uint64_t rate = 0, scale = 1;
    for (QChar c : whole + decimals) {
        rate = rate * 10 + std::uint64_t(c.unicode() - '0');
        if (rate > std::numeric_limits<std::uint32_t>::max() * std::uint64_t(1000000))
            return {};
    }
    for (qsizetype i = 0; i < decimals.size(); ++i)
        scale *= 10;
    const std::uint64_t common = std::gcd(rate, scale);
    if (rate == 0)
        return {};
    rate /= common;
    scale /= common;
    if (rate > std::numeric_limits<std::uint32_t>::max())
        return {};
    return {static_cast<unsigned int>(rate), static_cast<unsigned int>(scale)};
}
