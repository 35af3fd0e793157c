#pragma once

#include "app/state.h"
#include "expr/inverse_metric.h"
#include "expr/postfix.h"
#include "expr/presets.h"

#include <QString>

// Compiles sixteen infix texts (row-major t, r, θ, φ) into t the way the
// window does, with M = 1, Λ = 0 and the given a and Q.
inline void loadMetric(const QString (&texts)[16], double a, double Q)
{
    QString g[4][4];
    for (int i = 0; i < 16; ++i)
        g[i / 4][i % 4] = ToPfx(texts[i]);
    kontr_g(g);
    P[0] = 1.0;
    P[1] = a;
    P[2] = Q;
    P[3] = 0.0;
}

inline void loadPreset(int index)
{
    const metric_preset &p = presets[index];
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(p.g[i]);
    loadMetric(texts, QString::fromUtf8(p.a).toDouble(), QString::fromUtf8(p.Q).toDouble());
}
