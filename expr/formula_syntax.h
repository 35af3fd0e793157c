// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/functions.h"

#include <string_view>

// The alphabet of a metric formula: what the formula check accepts and what
// the window's help lists, from these tables (and formula_functions) so that
// the two cannot differ.
enum class SyntaxKind { coordinate, parameter, number, operation, bracket };

struct SyntaxEntry {
    SyntaxKind kind;
    const char *symbol;  // as it stands in the formula (UTF-8); for numbers, a sample
    const char *typed;   // the key that gives it in the window's fields; null: itself
    const char *meaning; // English, translated where it is shown
    const char *example; // a whole formula using it
};

inline constexpr SyntaxEntry formula_syntax[] = {
    {SyntaxKind::coordinate, "t", "T", "time", "-(1-2*M/r)*(2+sin(t))"},
    {SyntaxKind::coordinate, "r", nullptr, "radius", "r^2"},
    {SyntaxKind::coordinate, "θ", "t", "polar angle, 0 on the axis", "r^2*sin(θ)^2"},
    {SyntaxKind::coordinate, "φ", "f", "azimuth", "r^2*sin(θ)^2*(2+cos(φ))"},
    {SyntaxKind::parameter, "M", "m", "mass", "-(1-2*M/r)"},
    {SyntaxKind::parameter, "a", nullptr, "spin, angular momentum per mass", "r^2+a^2*cos(θ)^2"},
    {SyntaxKind::parameter, "Q", "q", "charge", "r^2/(Q^2-2*M*r+r^2)"},
    {SyntaxKind::parameter, "Λ", "l", "cosmological constant", "-(1-2*M/r-Λ*r^2/3)"},
    {SyntaxKind::number, "30", nullptr, "whole number", "30*r"},
    {SyntaxKind::number, "0.998", nullptr, "decimal, also .25", "0.998*r+.25"},
    {SyntaxKind::number, "1.5e-3", nullptr, "with a power of ten", "1.5e-3*r^2"},
    {SyntaxKind::operation, "+", nullptr, "sum", "r+1"},
    {SyntaxKind::operation, "-", nullptr, "difference; at the start or after ( a negation",
     "-(r-1)"},
    {SyntaxKind::operation, "*", nullptr, "product", "2*r"},
    {SyntaxKind::operation, "/", nullptr, "quotient", "1/r"},
    {SyntaxKind::operation, "^", nullptr,
     "power: a whole exponent is exact (r^(-2) = 1/r^2), any other needs a positive base",
     "r^(-2)+r^1.5"},
    {SyntaxKind::bracket, "(", nullptr, "opens a group", "(r+1)*r"},
    {SyntaxKind::bracket, ")", nullptr, "closes it", "(r-1)/(r+1)"},
};

// What each of formula_functions computes, and an example of it.
struct FunctionHelp {
    std::u16string_view name;
    const char *meaning;
    const char *example;
};

inline constexpr FunctionHelp function_help[] = {
    {u"sin", "sine", "sin(θ)^2"},
    {u"cos", "cosine", "cos(θ)"},
    {u"sqrt", "square root", "sqrt(r^2+a^2)"},
    {u"exp", "exponential", "exp(-r/M)"},
    {u"log", "natural logarithm", "log(r)"},
    {u"sinh", "hyperbolic sine", "sinh(r/10)"},
    {u"cosh", "hyperbolic cosine", "cosh(r/10)"},
    {u"tanh", "hyperbolic tangent", "1+tanh(r-3)"},
};

// The help of the function named `name`; null for a function without one.
constexpr const FunctionHelp *help_of_function(std::u16string_view name)
{
    for (const FunctionHelp &h : function_help)
        if (h.name == name)
            return &h;
    return nullptr;
}
