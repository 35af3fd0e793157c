// SPDX-License-Identifier: GPL-3.0-or-later
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
// the metric to stay invertible. With `functions`, each first factor is one of
// the later functions, real and negative powers and decimals, finite wherever
// the atoms (all above -1) are.
inline Metric random_metric(unsigned seed, bool functions = false)
{
    static const char *const atoms[] = {"r", "θ", "t/9", "φ/7", "M", "a", "Q", "Λ", "2", "3"};
    static const char *const wraps[] = {"sin(%1)", "cos(%1)", "(%1)^2", "(%1)^3", "%1"};
    static const char *const calls[] = {
        "sqrt(3+%1)",  "exp(%1/99)",   "log(3+%1)",      "tanh(%1)",     "sinh(%1/99)",
        "cosh(%1/99)", "(2+%1)^0.5",   "(3+%1)^(-2)",    "(2+%1)^(M/3)", "(3+%1)^a",
        "0.25*%1",     "1.5e-3*%1+%1", "%1/12.5+cos(%1)"};
    static const char *const joins[] = {"%1+%2", "%1-%2", "%1*%2", "%1/(2+%2)"};
    std::mt19937 rng(seed);
    auto pick = [&rng](auto &list) { return QString::fromUtf8(list[rng() % std::size(list)]); };
    auto factor = [&] { return pick(wraps).arg(pick(atoms)); };
    auto first = [&] { return functions ? pick(calls).arg(pick(atoms)) : factor(); };
    const char *const diagonal[4] = {"-3-", "r^2+", "r^2+", "r^2*sin(θ)^2+"};
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = i % 4 < i / 4
                       ? "r^5" // lower triangle: ignored
                       : (i % 5 ? QString("(1/9)*") : QString::fromUtf8(diagonal[i / 5])) + "(" +
                             pick(joins).arg(first(), factor()) + ")";
    const double params[4] = {1.0, 0.7, 0.3, 0.01};
    return Metric::compile(texts, params);
}

// Seeds of random metrics with functions whose determinant fits the record.
constexpr unsigned function_seeds[] = {4, 6, 9};
