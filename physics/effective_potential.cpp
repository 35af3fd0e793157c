// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/effective_potential.h"

#include "expr/metric.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace
{

f_vec on_equator(double r)
{
    return {{0, r, std::numbers::pi / 2, 0}};
}

} // namespace

// g^tt E² − 2 g^tφ E L + g^φφ L² = −κ with the t–φ block inverted gives
// g_φφ E² + 2 g_tφ L E + g_tt L² − κ D = 0, D = g_tφ² − g_tt g_φφ; the root
// of a future-pointing momentum is the larger one.
double effective_potential(Metric const &m, double r, double L, double kappa)
{
    const f_vec x = on_equator(r);
    const double tt = m.g(0, 0, x), tf = m.g(0, 3, x), ff = m.g(3, 3, x);
    const double D = tf * tf - tt * ff;
    if (!(D > 0) || !(ff > 0))
        return std::numeric_limits<double>::quiet_NaN();
    return (-tf * L + std::sqrt(D * (L * L + kappa * ff))) / ff;
}

OrbitConstants orbit_constants(Metric const &m, f_vec const &x, f_vec const &u)
{
    double E = 0, L = 0;
    for (int μ = 0; μ < 4; ++μ) {
        E -= m.g(0, μ, x) * u[μ];
        L += m.g(3, μ, x) * u[μ];
    }
    return {E, L};
}

bool stationary_and_axisymmetric(Metric const &m)
{
    for (double r : {3.0, 10.0, 50.0})
        for (double θ : {0.7, 1.5, 2.2})
            for (int μ = 0; μ < 4; ++μ)
                for (int ν = 0; ν < 4; ++ν) {
                    const double here = m.g(μ, ν, {{0, r, θ, 0}});
                    for (f_vec moved : {f_vec{{7.3, r, θ, 0}}, f_vec{{0, r, θ, 2.1}}}) {
                        const double there = m.g(μ, ν, moved);
                        if (std::isfinite(here) &&
                            std::fabs(there - here) > 1e-9 * (1 + std::fabs(here)))
                            return false;
                    }
                }
    return true;
}
