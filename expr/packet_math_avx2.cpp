// SPDX-License-Identifier: GPL-3.0-or-later
// Built with AVX2 and FMA enabled: nothing here may run before the processor
// has been checked for them, so the file holds only these leaf functions.
#include "expr/packet_math.h"

#include <immintrin.h>
#include <sleef.h>

namespace
{

void sin4(double *v)
{
    _mm256_storeu_pd(v, Sleef_sind4_u10avx2(_mm256_loadu_pd(v)));
}

void cos4(double *v)
{
    _mm256_storeu_pd(v, Sleef_cosd4_u10avx2(_mm256_loadu_pd(v)));
}

void sincos4(double *v, double *c)
{
    const auto both = Sleef_sincosd4_u10avx2(_mm256_loadu_pd(v));
    _mm256_storeu_pd(v, both.x);
    _mm256_storeu_pd(c, both.y);
}

void exp4(double *v)
{
    _mm256_storeu_pd(v, Sleef_expd4_u10avx2(_mm256_loadu_pd(v)));
}

void log4(double *v)
{
    _mm256_storeu_pd(v, Sleef_logd4_u10avx2(_mm256_loadu_pd(v)));
}

void sinh4(double *v)
{
    _mm256_storeu_pd(v, Sleef_sinhd4_u10avx2(_mm256_loadu_pd(v)));
}

void cosh4(double *v)
{
    _mm256_storeu_pd(v, Sleef_coshd4_u10avx2(_mm256_loadu_pd(v)));
}

void tanh4(double *v)
{
    _mm256_storeu_pd(v, Sleef_tanhd4_u10avx2(_mm256_loadu_pd(v)));
}

} // namespace

PacketMath packet_math_avx2()
{
    return {&sin4, &cos4, &sincos4, packet_power(4), &exp4, &log4, &sinh4, &cosh4, &tanh4};
}
