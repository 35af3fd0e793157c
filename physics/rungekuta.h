#pragma once

#include "expr/christoffel.h"
#include "physics/f_vec.h"

// The weighted sum of the four slopes, k = h/2. Every integrator forms it in
// this one order, so that their steps agree to the last bit.
inline f_vec rk4_sum(f_vec y, f_vec k1, f_vec k2, f_vec k3, f_vec k4, double k)
{
    f_vec s = k2 + k3;
    s = s * 2.0;
    s = k1 + s;
    s = s + k4;
    s = s * k;
    s = s / 3.0;
    return y + s;
}

// One classic fourth-order step of du/dλ = f(u, T) with T frozen for the
// whole step; inline because it runs once per geodesic step of every ray.
inline f_vec rungekuta(f_vec (*f)(f_vec, tensor_3 &), f_vec y, tensor_3 T, double h)
{
    const double k = h / 2;
    f_vec k1 = f(y, T);
    f_vec k2 = f(y + k1 * k, T);
    f_vec k3 = f(y + k2 * k, T);
    f_vec k4 = f(y + k3 * h, T);
    return rk4_sum(y, k1, k2, k3, k4, k);
}
