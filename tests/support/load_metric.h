#pragma once

#include "expr/presets.h"

#include <QString>

#include <iterator>
#include <numbers>
#include <random>

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

// A diagonal metric: g_tt, g_rr, g_θθ, g_φφ as given, every other component 0.
inline Metric diagonal_metric(const char *tt, const char *rr, double Λ = 0, const char *θθ = "r^2",
                              const char *φφ = "r^2*sin(θ)^2")
{
    QString texts[16];
    for (QString &text : texts)
        text = "0";
    texts[0] = QString::fromUtf8(tt), texts[5] = QString::fromUtf8(rr);
    texts[10] = QString::fromUtf8(θθ), texts[15] = QString::fromUtf8(φφ);
    const double params[4] = {1.0, 0.0, 0.0, Λ};
    return Metric::compile(texts, params);
}

// Ten non-zero components of the upper triangle from the formula alphabet,
// every coordinate and parameter among them, the diagonal dominant enough for
// the metric to stay invertible.
inline Metric random_metric(unsigned seed)
{
    static const char *const atoms[] = {"r", "θ", "t/9", "φ/7", "M", "a", "Q", "Λ", "2", "3"};
    static const char *const wraps[] = {"sin(%1)", "cos(%1)", "(%1)^2", "(%1)^3", "%1"};
    static const char *const joins[] = {"%1+%2", "%1-%2", "%1*%2", "%1/(2+%2)"};
    std::mt19937 rng(seed);
    auto pick = [&rng](auto &list) { return QString::fromUtf8(list[rng() % std::size(list)]); };
    auto factor = [&] { return pick(wraps).arg(pick(atoms)); };
    const char *const diagonal[4] = {"-3-", "r^2+", "r^2+", "r^2*sin(θ)^2+"};
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = i % 4 < i / 4
                       ? "r^5" // lower triangle: ignored
                       : (i % 5 ? QString("(1/9)*") : QString::fromUtf8(diagonal[i / 5])) + "(" +
                             pick(joins).arg(factor(), factor()) + ")";
    const double params[4] = {1.0, 0.7, 0.3, 0.01};
    return Metric::compile(texts, params);
}
