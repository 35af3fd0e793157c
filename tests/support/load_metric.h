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
