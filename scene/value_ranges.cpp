// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/value_ranges.h"

#include <QCoreApplication>

#include <cmath>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString shown(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

ValueRange const *value_range(QString const &key)
{
    for (ValueRange const &range : value_ranges)
        if (key == QLatin1String(range.key))
            return &range;
    return nullptr;
}

QString range_problem(QString const &key, double value)
{
    ValueRange const *range = value_range(key);
    if (!range)
        return std::isfinite(value) ? QString() : tr("must be a finite number");
    const bool above_lo = range->lo_excluded ? value > range->lo : value >= range->lo;
    const bool decimals_kept =
        range->decimals < 0 || QString::number(value, 'f', range->decimals).toDouble() == value;
    if (above_lo && value <= range->hi && decimals_kept)
        return {};
    return tr("must be %1").arg(QString::fromUtf8(range->reads));
}

QString start_radius_problem(double r, double capture, double escape)
{
    if (r <= capture)
        return tr("r = %1 is inside r = %2, where every path ends at the centre or the horizon")
            .arg(shown(r), shown(capture));
    if (r >= escape)
        return tr("r = %1 is beyond r = %2, where every path counts as escaped")
            .arg(shown(r), shown(escape));
    return {};
}
