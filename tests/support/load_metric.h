#pragma once

#include "expr/presets.h"

#include <QString>

#include <numbers>

enum { flat, schwarzschild, reissner_nordstrom, kerr, kerr_newman };
constexpr double π = std::numbers::pi;

inline f_vec at(double r, double θ, double φ = 0)
{
    return {{0, r, θ, φ}};
}

// The tests' units: M = 1, Λ = 0, and the preset's own a and Q.
inline Metric preset(int index)
{
    return preset_metric(index, 1.0, 0.0);
}

inline Metric metric_of(const QString (&texts)[16], double a, double Q)
{
    const double params[4] = {1.0, a, Q, 0.0};
    return Metric::compile(texts, params);
}

// A diagonal metric: g_tt, g_rr, g_θθ, g_φφ as given, every other component 0.
inline Metric diagonal_metric(const char *tt, const char *rr, double Λ = 0,
                              const char *θθ = "r^2", const char *φφ = "r^2*sin(θ)^2")
{
    QString texts[16];
    for (QString &text : texts)
        text = "0";
    texts[0] = QString::fromUtf8(tt), texts[5] = QString::fromUtf8(rr);
    texts[10] = QString::fromUtf8(θθ), texts[15] = QString::fromUtf8(φφ);
    const double params[4] = {1.0, 0.0, 0.0, Λ};
    return Metric::compile(texts, params);
}
