// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/metric.h"

#include <QString>

// The five ready-made metrics as the editor shows them: sixteen infix texts
// in the field order tt, tr, te, tf, rt, rr, re, rf, et, er, ee, ef, ft, fr,
// fe, ff (row-major, so text g[4μ+ν] is component μν), then the texts of the
// parameters a and Q. Strings are UTF-8.
struct MetricPreset {
    const char *g[16];
    const char *a;
    const char *Q;
    bool flat;
};

inline constexpr MetricPreset presets[5] = {
    {{"-1", "0", "0", "0", "0", "1", "0", "0", "0", "0", "r^2", "0", "0", "0", "0", "r^2*sin(θ)^2"},
     "0",
     "0",
     true},
    {{"-(1-2*M/r)", "0", "0", "0", "0", "1/(1-2*M/r)", "0", "0", "0", "0", "r^2", "0", "0", "0",
      "0", "r^2*sin(θ)^2"},
     "0",
     "0",
     false},
    {{"-((Q^2-2*M*r+r^2)/r^2)", "0", "0", "0", "0", "r^2/(Q^2-2*M*r+r^2)", "0", "0", "0", "0",
      "r^2", "0", "0", "0", "0", "r^2*sin(θ)^2"},
     "0",
     "0.1",
     false},
    {{"-1+(2*M*r)/(r^2+a^2*cos(θ)^2)", "0", "0", "-((2*a*M*r*sin(θ)^2)/(r^2+a^2*cos(θ)^2))", "0",
      "(r^2+a^2*cos(θ)^2)/(a^2-2*M*r+r^2)", "0", "0", "0", "0", "r^2+a^2*cos(θ)^2", "0",
      "-((2*a*M*r*sin(θ)^2)/(r^2+a^2*cos(θ)^2))", "0", "0",
      "sin(θ)^2*(a^2+r^2+(2*a^2*M*r*sin(θ)^2)/(r^2+a^2*cos(θ)^2))"},
     "0.8",
     "0",
     false},
    {{"-1-(Q^2-2*M*r)/(r^2+a^2*cos(θ)^2)", "0", "0", "(a*(Q^2-2*M*r)*sin(θ)^2)/(r^2+a^2*cos(θ)^2)",
      "0", "(r^2+a^2*cos(θ)^2)/(a^2+Q^2-2*M*r+r^2)", "0", "0", "0", "0", "r^2+a^2*cos(θ)^2", "0",
      "(a*(Q^2-2*M*r)*sin(θ)^2)/(r^2+a^2*cos(θ)^2)", "0", "0",
      "sin(θ)^2*(a^2+r^2-(a^2*(Q^2-2*M*r)*sin(θ)^2)/(r^2+a^2*cos(θ)^2))"},
     "0.8",
     "0.1",
     false},
};

// Preset `index` (0..4) compiled, with the given M and Λ and the preset's own
// a and Q.
Metric preset_metric(int index, double M, double Λ);
