// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/presets.h"

Metric preset_metric(int index, double M, double Λ)
{
    const MetricPreset &p = presets[index];
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(p.g[i]);
    const double params[4] = {M, QString::fromUtf8(p.a).toDouble(),
                              QString::fromUtf8(p.Q).toDouble(), Λ};
    return Metric::compile(texts, params);
}
