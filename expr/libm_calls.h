// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>

// The C library's functions of one argument as functions whose address may
// be taken (those of the standard library may not), for generated code that
// calls the very functions the byte code calls.
namespace libm_call
{
inline double sin(double a)
{
    return std::sin(a);
}
inline double cos(double a)
{
    return std::cos(a);
}
inline double exp(double a)
{
    return std::exp(a);
}
inline double log(double a)
{
    return std::log(a);
}
inline double sinh(double a)
{
    return std::sinh(a);
}
inline double cosh(double a)
{
    return std::cosh(a);
}
inline double tanh(double a)
{
    return std::tanh(a);
}
} // namespace libm_call
