#include "physics/adaptive_trace.h"

#include "expr/christoffel.h"
#include "expr/metric.h"
#include "physics/step_rule.h"

#include <cmath>

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

bool adaptive_step_done(AdaptiveGeodesic const &ray, StepEnd outcome, f_vec &x, f_vec &u, end &e,
                        geo *g, std::atomic<bool> const *cancel)
{
    if (outcome == StepEnd::lost)
        return false;
    f_vec x_c, u_c;
    if (outcome == StepEnd::taken) {
        if (ray.crossing(2, half_pi, x_c, u_c))
            e.exit(x_c, u_c);
        if (x[1] >= e.escape() && ray.crossing(1, e.escape(), x_c, u_c)) {
            x = x_c;
            u = u_c;
        }
    }
    back_over_axis(x, u, e);
    if (g)
        g->insert(x, u);
    bool more = e.exit(x, u);
    if (cancel)
        more = more && !cancel->load(std::memory_order_relaxed);
    return more;
}
