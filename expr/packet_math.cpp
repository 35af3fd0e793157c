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
        a[i] = pw(a[i], pw_exponent(b[i]));
}

} // namespace

LanePower packet_power(int lanes)
{
    return lanes == 8 ? &pw_lanes<8> : &pw_lanes<4>;
}

PacketMath packet_math_libm(int lanes)
{
    if (lanes == 8)
        return {&sin_lanes<8>, &cos_lanes<8>, &sincos_lanes<8>, &pw_lanes<8>};
    return {&sin_lanes<4>, &cos_lanes<4>, &sincos_lanes<4>, &pw_lanes<4>};
}
