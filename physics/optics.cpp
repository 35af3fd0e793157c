// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/optics.h"

#include "expr/compiled.h"
#include "physics/frames.h"

#include <cmath>

f_vec aberace(Metric const &m, double α, double β, f_vec u, f_vec x)
{
    return aberace(observer_tetrad(m, u, x), α, β);
}

ObserverTetrad observer_tetrad(Metric const &m, f_vec u, f_vec x)
{
    ObserverTetrad t;
    for (int c = 0; c < 4; ++c)
        t.E[0][c] = u[c];
    tetrada(m, t.E, x);
    return t;
}

f_vec aberace(ObserverTetrad const &t, double α, double β)
{
    auto const &E = t.E;
    // Inverse stereographic projection: n = (s - 1, -β·s, -α·s) is a unit
    // vector, so E_0 + n is null in the observer's frame.
    double s = 2.0 / ((α * α + β * β) + 1.0);
    f_vec p;
    for (int c = 0; c < 4; ++c)
        p[c] = E[0][c] + (s - 1.0) * E[1][c] + (-β * s) * E[2][c] + (-α * s) * E[3][c];
    return -p;
}

// A product that is not negative belongs to a pair that is not both
// future-pointing; clamping it to 0 lets the quotient turn non-finite, which
// the callers treat as "no shift known".
double rshft(Metric const &m, f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return std::fmin(dot_p(m, k_e.v, u_e.v, x_e), 0.0) /
               std::fmin(dot_p(m, k_o.v, u_o.v, x_o), 0.0) -
           1.0;
}

double beamg(Metric const &m, f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return std::fmin(pw(dot_p(m, k_o.v, u_o.v, x_o), 3), 0.0) / pw(dot_p(m, k_e.v, u_e.v, x_e), 3);
}
