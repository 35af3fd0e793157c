#pragma once

#include <QString>

#include <optional>

// What keeps a formula text from describing a metric component, and where.
struct formula_problem {
    QString what;
    qsizetype at; // index of the offending character in the text; -1 for none
};

// The translator takes any text and the compiler turns whatever comes of it
// into a program, so a typing error would silently become a wrong metric.
// This reads the text as the translator does and reports the first thing that
// is not a formula of the accepted alphabet; then it checks that the compiled
// program can run and has a finite value somewhere around the hole for the
// parameters M, a, Q, Λ in `params`. Nothing when the text is a usable formula.
std::optional<formula_problem> formula_problem_of(const QString &text, const double *params);

// "what (character n)", or just "what" when there is no place to point at.
QString describe(const formula_problem &p);
