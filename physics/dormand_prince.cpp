// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/dormand_prince.h"

namespace
{

// Weights of the continuous extension (Hairer, Nørsett & Wanner, II.6).
constexpr double D[7] = {-12715105075.0 / 11282082432,  0,
                         87487479700.0 / 32700410799,   -10690763975.0 / 1880347072,
                         701980252875.0 / 199316789632, -1453857185.0 / 822651844,
                         69997945.0 / 29380423};

} // namespace

// y(σ) = y0 + σ(Δ + (1 − σ)(c3 + σ(c4 + (1 − σ)c5))) with Δ = y1 − y0,
// c3 = h·k1 − Δ, c4 = Δ − h·k7 − c3 and c5 = h·Σ D_i k_i.
void DenseStep::point_at(double σ, f_vec &x, f_vec &u) const
{
    auto extend = [&](f_vec const &y0, f_vec const &y1, f_vec const(&k)[7]) {
        f_vec const Δ = y1 + (-y0);
        f_vec const c3 = k[0] * h + (-Δ);
        f_vec const c4 = Δ + (-(k[6] * h)) + (-c3);
        f_vec c5{};
        for (int i = 0; i < 7; ++i)
            c5 = c5 + k[i] * D[i];
        c5 = c5 * h;
        return y0 + (Δ + (c3 + (c4 + c5 * (1 - σ)) * σ) * (1 - σ)) * σ;
    };
    x = extend(x0, x1, U);
    u = extend(u0, u1, A);
}

bool DenseStep::crossing(int k, double value, f_vec &x, f_vec &u) const
{
    if (h == 0)
        return false;
    double const before = x0[k] - value, after = x1[k] - value;
    if (!(before * after < 0))
        return false;
    double lo = 0, hi = 1;
    for (int i = 0; i < 40; ++i) {
        double const mid = 0.5 * (lo + hi);
        point_at(mid, x, u);
        ((x[k] - value) * after > 0 ? hi : lo) = mid;
    }
    point_at(hi, x, u);
    return true;
}
