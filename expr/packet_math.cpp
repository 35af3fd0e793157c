// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/packet_math.h"

#include "expr/compiled.h"
#include "expr/libm_calls.h"

#include <cmath>

namespace
{

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

template <int lanes> PacketMath libm()
{
    return {&lanes_of<lanes, libm_call::sin>,
            &lanes_of<lanes, libm_call::cos>,
            &sincos_lanes<lanes>,
            &pw_lanes<lanes>,
            &lanes_of<lanes, libm_call::exp>,
            &lanes_of<lanes, libm_call::log>,
            &lanes_of<lanes, libm_call::sinh>,
            &lanes_of<lanes, libm_call::cosh>,
            &lanes_of<lanes, libm_call::tanh>};
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
