// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The byte codes of a compiled record, one per token of a finished postfix
// string. The values are the record's format and the index of the
// evaluator's dispatch table, so the order below is fixed: each enumerator
// is one more than the one before it.
namespace op
{

enum Code : unsigned char {
    mul,
    add,
    sub, // binary, or a negation where it meets one value (then emitted as neg)
    div,
    digit_0,
    digit_9 = digit_0 + 9,
    cos,
    mass,   // P[0]
    charge, // P[2]
    sin,
    power,
    spin, // P[1]
    coord_r,
    coord_t,
    lambda, // P[3]
    coord_theta,
    coord_phi,
    slot_0, // a copy of stack slot 0, the value of common subexpression 0
    slot_15 = slot_0 + 15,
    end,
    // Codes no token maps to, which TrPfx emits itself.
    neg, // a "-" meeting exactly one value
    nan, // the whole program of a string that cannot run
    // Functions added after the first record format, so the codes above keep
    // their values.
    sqrt,
    exp,
    log, // natural
    sinh,
    cosh,
    tanh,
    count
};

constexpr bool is_digit(unsigned char c)
{
    return c >= digit_0 && c <= digit_9;
}

constexpr bool is_slot(unsigned char c)
{
    return c >= slot_0 && c <= slot_15;
}

// A function of the one value below it (sin, cos and the later ones).
constexpr bool is_function(unsigned char c)
{
    return c == cos || c == sin || (c >= sqrt && c <= tanh);
}

constexpr bool is_binary(unsigned char c)
{
    return c == mul || c == add || c == sub || c == div || c == power;
}

// Index into the parameters (M, a, Q, Λ first) of a parameter code, else -1.
constexpr int parameter_index(unsigned char c)
{
    switch (c) {
    case mass:
        return 0;
    case spin:
        return 1;
    case charge:
        return 2;
    case lambda:
        return 3;
    default:
        return -1;
    }
}

// Coordinate (0..3 for t, r, θ, φ) a coordinate code pushes, else -1.
constexpr int coordinate_index(unsigned char c)
{
    switch (c) {
    case coord_t:
        return 0;
    case coord_r:
        return 1;
    case coord_theta:
        return 2;
    case coord_phi:
        return 3;
    default:
        return -1;
    }
}

} // namespace op
