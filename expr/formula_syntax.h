#pragma once

// The alphabet of a metric formula: what the formula check accepts and what
// the window's help lists, from this one table so that the two cannot differ.
enum class SyntaxKind { coordinate, parameter, number, operation, function, bracket };

struct SyntaxEntry {
    SyntaxKind kind;
    const char *symbol;  // as it stands in the formula (UTF-8); numbers: each character
    const char *typed;   // the key that gives it in the window's fields; null: itself;
                         // empty: none
    const char *meaning; // English, translated where it is shown
    const char *example; // a whole formula using it
};

inline constexpr SyntaxEntry formula_syntax[] = {
    {SyntaxKind::coordinate, "t", "", "time (from scene files: typed, t gives θ)", "1+t*0"},
    {SyntaxKind::coordinate, "r", nullptr, "radius", "r^2"},
    {SyntaxKind::coordinate, "θ", "t", "polar angle, 0 on the axis", "r^2*sin(θ)^2"},
    {SyntaxKind::coordinate, "φ", "f", "azimuth", "1+φ*0"},
    {SyntaxKind::parameter, "M", "m", "mass", "-(1-2*M/r)"},
    {SyntaxKind::parameter, "a", nullptr, "spin, angular momentum per mass", "r^2+a^2*cos(θ)^2"},
    {SyntaxKind::parameter, "Q", "q", "charge", "r^2/(Q^2-2*M*r+r^2)"},
    {SyntaxKind::parameter, "Λ", "l", "cosmological constant", "-(1-2*M/r-Λ*r^2/3)"},
    {SyntaxKind::number, "0123456789", nullptr, "a single digit; 1/2 for a half, 12 as 3*4",
     "1/2+3*4*r"},
    {SyntaxKind::operation, "+", nullptr, "sum", "r+1"},
    {SyntaxKind::operation, "-", nullptr, "difference; at the start or after ( a negation",
     "-(r-1)"},
    {SyntaxKind::operation, "*", nullptr, "product", "2*r"},
    {SyntaxKind::operation, "/", nullptr, "quotient", "1/r"},
    {SyntaxKind::operation, "^", nullptr, "power with a constant whole exponent", "r^(1+1)"},
    {SyntaxKind::function, "sin", nullptr, "sine", "sin(θ)^2"},
    {SyntaxKind::function, "cos", nullptr, "cosine", "cos(θ)"},
    {SyntaxKind::bracket, "(", nullptr, "opens a group", "(r+1)*r"},
    {SyntaxKind::bracket, ")", nullptr, "closes it", "(r-1)/(r+1)"},
};
