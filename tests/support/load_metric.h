#pragma once

#include "expr/presets.h"
#include "scene/state.h"

#include <QString>

#include <numbers>

enum { flat, schwarzschild, reissner_nordstrom, kerr, kerr_newman };
constexpr double π = std::numbers::pi;

inline f_vec at(double r, double θ, double φ = 0)
{
    return {{0, r, θ, φ}};
}

// The tests' units: M = 1, Λ = 0, and the preset's own a and Q.
inline void loadPreset(int index)
{
    P[0] = 1.0;
    P[3] = 0.0;
    compilePreset(index);
}

inline void loadMetric(const QString (&texts)[16], double a, double Q)
{
    compileMetricTexts(texts);
    P[0] = 1.0;
    P[1] = a;
    P[2] = Q;
    P[3] = 0.0;
}
