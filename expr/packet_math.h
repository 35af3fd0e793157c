// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the generated packet code calls for its functions and powers: it
// spills the operand vector to memory and the function replaces the lanes in
// place (4 or 8 doubles at v; b holds the exponents' operands).
using LaneFunction = void (*)(double *v);
using LanePower = void (*)(double *a, const double *b);
// Sine into v and cosine into c of the lanes at v, with the bits of sin and cos.
using LaneSineCosine = void (*)(double *v, double *c);

struct PacketMath {
    LaneFunction sin = nullptr;
    LaneFunction cos = nullptr;
    LaneSineCosine sincos = nullptr;
    LanePower pw = nullptr;
    LaneFunction exp = nullptr;
    LaneFunction log = nullptr;
    LaneFunction sinh = nullptr;
    LaneFunction cosh = nullptr;
    LaneFunction tanh = nullptr;

    bool complete() const
    {
        return sin && cos && sincos && pw && exp && log && sinh && cosh && tanh;
    }
};

// Vector functions (SLEEF's, within 1 ulp of the true value; sine and
// cosine of one angle from one shared reduction), with the powers of the
// byte code per lane. The AVX-512 set needs AVX-512F, the AVX2 set AVX2 and
// FMA.
PacketMath packet_math_avx512();
PacketMath packet_math_avx2();

// The C library per lane: the very bits of the scalar program.
PacketMath packet_math_libm(int lanes);

// power(a, b) per lane, as the byte code computes it.
LanePower packet_power(int lanes);
