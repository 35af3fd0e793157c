// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/packet_math.h"

#include "expr/compiled.h"

#include <cmath>

namespace
{

template <int lanes> void sin_lanes(double *v)
{
    for (int i = 0; i < lanes; ++i)
        v[i] = std::sin(v[i]);
}

template <int lanes> void cos_lanes(double *v)
{
    for (int i = 0; i < lanes; ++i)
        v[i] = std::cos(v[i]);
}

template <int lanes> void sincos_lanes(double *v, double *c)
{
    for (int i = 0; i < lanes; ++i) {
        c[i] = std::cos(v[i]);
        v[i] = std::sin(v[i]);
    }
}

template <int lanes> void pw_lanes(double *a, const double *b)
{
    for (int i = 0; i < lanes; ++i)
        a[i] = power(a[i], b[i]);
}

template <int lanes, double (*f)(double)> void lanes_of(double *v)
{
    for (int i = 0; i < lanes; ++i)
        v[i] = f(v[i]);
}

double exp_of(double x)
{
    return std::exp(x);
}
double log_of(double x)
{
    return std::log(x);
}
double sinh_of(double x)
{
    return std::sinh(x);
}
double cosh_of(double x)
{
    return std::cosh(x);
}
double tanh_of(double x)
{
    return std::tanh(x);
}

template <int lanes> PacketMath libm()
{
    return {&sin_lanes<lanes>,         &cos_lanes<lanes>,         &sincos_lanes<lanes>,
            &pw_lanes<lanes>,          &lanes_of<lanes, exp_of>,  &lanes_of<lanes, log_of>,
            &lanes_of<lanes, sinh_of>, &lanes_of<lanes, cosh_of>, &lanes_of<lanes, tanh_of>};
}

} // namespace

LanePower packet_power(int lanes)
{
    return lanes == 8 ? &pw_lanes<8> : &pw_lanes<4>;
}

PacketMath packet_math_libm(int lanes)
{
    return lanes == 8 ? libm<8>() : libm<4>();
}
