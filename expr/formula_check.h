// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// What keeps a formula text from describing a metric component, and where.
struct FormulaProblem {
    QString what;
    qsizetype at; // index of the offending character in the text; -1 for none
};

// Longer texts are refused before anything is compiled, so a check never
// keeps anyone waiting; no metric component needs half as many.
inline constexpr int max_formula_length = 1000;

// The translator takes any text and the compiler turns whatever comes of it
// into a program, so a typing error would silently become a wrong metric.
// This reads the text as the translator does and reports the first thing that
// is not a formula of the accepted alphabet (or a number beyond the doubles'
// range); then it checks
// that the compiled program can run and has a finite value somewhere around
// the hole for the parameters M, a, Q, Λ in `params`. Nothing when the text is
// a usable formula.
[[nodiscard]] std::optional<FormulaProblem> formula_problem_of(const QString &text,
                                                               const double *params);

// "what (character n)", or just "what" when there is no place to point at.
QString describe(const FormulaProblem &p);
