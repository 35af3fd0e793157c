#pragma once

#include <QString>

struct Scene;

// The five ready-made metrics as the editor shows them: sixteen infix texts
// in the field order tt, tr, te, tf, rt, rr, re, rf, et, er, ee, ef, ft, fr,
// fe, ff (row-major, so text g[4μ+ν] is component μν), then the texts of the
// parameters a and Q. Strings are UTF-8.
struct metric_preset {
    const char *g[16];
    const char *a;
    const char *Q;
    bool flat;
};

inline constexpr metric_preset presets[5] = {
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

// Takes sixteen infix texts (the field order above) into the shared scene and
// compiles them, the way the editor's pipeline does; the parameters are untouched.
void compileMetricTexts(const QString (&texts)[16]);

// Preset `index` (0..4) into the scene: its texts compiled, its a and Q into
// P[1] and P[2]; M and Λ keep their values, as when the editor applies a
// preset. The one-argument form works on the shared scene.
void compilePreset(Scene &s, int index);
void compilePreset(int index);
