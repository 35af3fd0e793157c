// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/christoffel.h"
#include "physics/f_vec.h"
#include "physics/rungekuta.h"

// One classic fourth-order step of the whole geodesic state: dx/dλ = u,
// du/dλ = −Γ(x) u u, with the connection evaluated afresh at every stage, so
// position and direction are both advanced to fourth order. Four Christoffel
// evaluations per step.
inline void full_rungekuta(Metric const &m, f_vec &x, f_vec &u, double h)
{
    double const k = h / 2;
    f_vec y = x;
    tensor_3 Γ = Christoffel(m, y);
    f_vec const a1 = dudλ(u, Γ);
    f_vec const v2 = u + a1 * k;
    y = x + u * k;
    Γ = Christoffel(m, y);
    f_vec const a2 = dudλ(v2, Γ);
    f_vec const v3 = u + a2 * k;
    y = x + v2 * k;
    Γ = Christoffel(m, y);
    f_vec const a3 = dudλ(v3, Γ);
    f_vec const v4 = u + a3 * h;
    y = x + v3 * h;
    Γ = Christoffel(m, y);
    f_vec const a4 = dudλ(v4, Γ);
    x = rk4_sum(x, u, v2, v3, v4, k);
    u = rk4_sum(u, a1, a2, a3, a4, k);
}
