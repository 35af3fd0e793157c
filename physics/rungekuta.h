// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Written for any state type with the arithmetic of f_vec, so that the
// expression engine's fused step can share the very same sums without
// depending on the physics.

// The weighted sum of the four slopes, k = h/2. Every integrator forms it in
// this one order, so that their steps agree to the last bit.
template <class Vec> inline Vec rk4_sum(Vec y, Vec k1, Vec k2, Vec k3, Vec k4, double k)
{
    Vec s = k2 + k3;
    s = s * 2.0;
    s = k1 + s;
    s = s + k4;
    s = s * k;
    s = s / 3.0;
    return y + s;
}

// One classic fourth-order step of du/dλ = f(u, T) with T frozen for the
// whole step; inline because it runs once per geodesic step of every ray.
template <class Vec, class Tensor>
inline Vec rungekuta(Vec (*f)(Vec, Tensor &), Vec y, Tensor T, double h)
{
    const double k = h / 2;
    Vec k1 = f(y, T);
    Vec k2 = f(y + k1 * k, T);
    Vec k3 = f(y + k2 * k, T);
    Vec k4 = f(y + k3 * h, T);
    return rk4_sum(y, k1, k2, k3, k4, k);
}
