// SPDX-License-Identifier: GPL-3.0-or-later
// Built with AVX-512F enabled: nothing here may run before the processor has
// been checked for it, so the file holds only these leaf functions.
#include "expr/packet_math.h"

#include <immintrin.h>
#include <sleef.h>

namespace
{

void sin8(double *v)
{
    _mm512_storeu_pd(v, Sleef_sind8_u10avx512f(_mm512_loadu_pd(v)));
}

void cos8(double *v)
{
    _mm512_storeu_pd(v, Sleef_cosd8_u10avx512f(_mm512_loadu_pd(v)));
}

void sincos8(double *v, double *c)
{
    const auto both = Sleef_sincosd8_u10avx512f(_mm512_loadu_pd(v));
    _mm512_storeu_pd(v, both.x);
    _mm512_storeu_pd(c, both.y);
}

void exp8(double *v)
{
    _mm512_storeu_pd(v, Sleef_expd8_u10avx512f(_mm512_loadu_pd(v)));
}

void log8(double *v)
{
    _mm512_storeu_pd(v, Sleef_logd8_u10avx512f(_mm512_loadu_pd(v)));
}

void sinh8(double *v)
{
    _mm512_storeu_pd(v, Sleef_sinhd8_u10avx512f(_mm512_loadu_pd(v)));
}

void cosh8(double *v)
{
    _mm512_storeu_pd(v, Sleef_coshd8_u10avx512f(_mm512_loadu_pd(v)));
}

void tanh8(double *v)
{
    _mm512_storeu_pd(v, Sleef_tanhd8_u10avx512f(_mm512_loadu_pd(v)));
}

} // namespace

PacketMath packet_math_avx512()
{
    return {&sin8, &cos8, &sincos8, packet_power(8), &exp8, &log8, &sinh8, &cosh8, &tanh8};
}
