// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/adaptive_trace.h"

#include "expr/christoffel.h"
#include "expr/metric.h"
#include "physics/full_rungekuta.h"
#include "physics/step_rule.h"

#include <cmath>
#include <numbers>

namespace
{

constexpr double half_pi = 1.5707963267948966;

} // namespace

f_vec MetricSpacetime::acceleration(f_vec const &x, f_vec const &u) const
{
    f_vec at = x;
    tensor_3 Γ = Christoffel(m, at);
    return dudλ(u, Γ);
}

Spacetime::Norm MetricSpacetime::norm(f_vec const &x, f_vec const &u) const
{
    Norm n{0, 0};
    for (int μ = 0; μ < 4; ++μ)
        for (int ν = μ; ν < 4; ++ν) {
            if (!m.records()[4 * μ + ν].nz)
                continue;
            double const term = m.g(μ, ν, x) * u[μ] * u[ν] * (μ == ν ? 1 : 2);
            n.value += term;
            n.scale += std::fabs(term);
        }
    return n;
}

AdaptiveLimits adaptive_limits(end const &e, double p, bool stored)
{
    return {accurate_tolerance(p), e.evhor(),
            stored ? step_budget(e.angular_limit(), accurate_scale * p)
                   : ray_attempt_budget(e.angular_limit())};
}

namespace
{

bool goes_on(f_vec const &x, f_vec const &u, end &e, geo *g, std::atomic<bool> const *cancel)
{
    if (g)
        g->insert(x, u);
    bool more = e.exit(x, u);
    if (cancel)
        more = more && !cancel->load(std::memory_order_relaxed);
    return more;
}

// The part of u^φ that the angular momentum p_φ about the axis makes: what
// is left without it turns with the frame, regular at the axis.
double spin_rate(Metric const &m, f_vec const &x, f_vec const &u)
{
    double p_φ = 0;
    for (int μ = 0; μ < 4; ++μ)
        p_φ += m.g(3, μ, x) * u[μ];
    return p_φ / m.g(3, 3, x);
}

// A ray this close to the axis passes it at a distance no step resolves (a
// ray sent with no angular momentum about it keeps some of rounding). Seen in
// the plane across the axis, where the pole is a regular point (polar angle
// ϑ from the pole, φ), the ray is moved sideways onto the line through the
// pole along its own direction: by less than axis_handover·r, its direction
// kept. It then has no angular momentum and passes the pole exactly.
void onto_axis_line(Metric const &m, f_vec &x, f_vec &u)
{
    bool const north = x[2] < half_pi;
    double const ϑ = north ? x[2] : std::numbers::pi - x[2];
    double const ϑ_rate = north ? u[2] : -u[2];
    double const φ_rate = spin_rate(m, x, u);
    double const c = std::cos(x[3]), s = std::sin(x[3]);
    double const X = ϑ * c, Y = ϑ * s;
    double const vX = ϑ_rate * c - ϑ * s * φ_rate, vY = ϑ_rate * s + ϑ * c * φ_rate;
    double const v = std::hypot(vX, vY);
    if (!(v > 0))
        return;
    double const along = (X * vX + Y * vY) / v; // signed distance from the pole
    double const φ_line = std::atan2(vY, vX);
    double const ϑ_new = std::fabs(along);
    double const rate_new = along < 0 ? -v : v;
    x[3] += std::remainder((along < 0 ? φ_line + std::numbers::pi : φ_line) - x[3],
                           2 * std::numbers::pi);
    x[2] = north ? ϑ_new : std::numbers::pi - ϑ_new;
    u[2] = north ? rate_new : -rate_new;
    u[3] -= spin_rate(m, x, u);
}

bool across_axis(Metric const &m, double p, f_vec &x, f_vec &u, end &e, geo *g,
                 std::atomic<bool> const *cancel)
{
    if (std::fabs(std::sin(x[2])) < axis_handover)
        onto_axis_line(m, x, u);
    long long const budget = step_budget(e.angular_limit(), p);
    for (long long steps = 0; steps < budget; ++steps) {
        double const distance = std::fabs(std::sin(x[2]));
        if (!(distance < axis_handover))
            return true;
        full_rungekuta(m, x, u, axis_step(x, u, e.evhor(), e.outer_horizon(), p, distance));
        back_over_axis(x, u, e);
        if (!goes_on(x, u, e, g, cancel))
            return false;
    }
    return false;
}

} // namespace

bool adaptive_step_done(Metric const &m, double p, DenseStep const &step, StepEnd outcome, f_vec &x,
                        f_vec &u, end &e, geo *g, std::atomic<bool> const *cancel)
{
    if (outcome == StepEnd::lost)
        return false;
    f_vec x_c, u_c;
    if (outcome == StepEnd::taken) {
        if (step.crossing(2, half_pi, x_c, u_c))
            e.exit(x_c, u_c);
        if (x[1] >= e.escape() && step.crossing(1, e.escape(), x_c, u_c)) {
            x = x_c;
            u = u_c;
        }
    }
    back_over_axis(x, u, e);
    return goes_on(x, u, e, g, cancel) && across_axis(m, p, x, u, e, g, cancel);
}
