// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/geodesic.h"

#include "expr/christoffel.h"
#include "expr/metric.h"
#include "physics/adaptive_trace.h"
#include "physics/full_rungekuta.h"
#include "physics/step_rule.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double pi = 3.141592653589793;
constexpr double half_pi = 1.5707963267948966;
constexpr double two_pi = 6.283185307179586;

} // namespace

// Growing by doubling (never by less than 256 slots) keeps a path of n points
// at O(n) copies; a fixed increment would copy O(n²/256) points, minutes for
// the millions of points of a finely traced observer path. Both new arrays
// exist before anything is released, so a failed allocation loses nothing.
void geo::insert(f_vec const &x, f_vec const &v)
{
    if (count == capacity) {
        int const grown = capacity + std::max(256, capacity);
        auto new_positions = std::make_unique_for_overwrite<f_vec[]>(grown);
        auto new_velocities = std::make_unique_for_overwrite<f_vec[]>(grown);
        std::copy_n(positions.get(), count, new_positions.get());
        std::copy_n(velocities.get(), count, new_velocities.get());
        positions = std::move(new_positions);
        velocities = std::move(new_velocities);
        capacity = grown;
    }
    positions[count] = x;
    velocities[count] = v;
    ++count;
}

end::end(double r_hor, double rounds) : r_hor(r_hor), path_limit(rounds * two_pi) {}

void end::set_kepler(double const &inner, double const &outer)
{
    disk_in = inner;
    disk_out = outer;
}

bool end::exit(f_vec const &x, f_vec const &u)
{
    double const dθ = previous[2] - x[2];
    double const dφ = previous[3] - x[3];
    return exit(x, u, std::sqrt(dθ * dθ + dφ * dφ));
}

bool end::exit(f_vec const &x, f_vec const &u, double angular_step)
{
    current = x;
    if (previous[1] != 0.0) {
        path += angular_step;
        if (in_disk < 3 && (previous[2] - half_pi) * (current[2] - half_pi) <= 0)
            note_crossing(u);
    }
    previous = current;
    return current[1] > r_hor && r_escape > current[1] && path_limit > path;
}

void end::resume(f_vec const &x, double path_so_far)
{
    previous = current = x;
    path = path_so_far;
}

void end::over_axis(double pole)
{
    previous[2] = 2 * pole - previous[2];
    previous[3] += pi;
}

// A crossing outside the disk keeps its slot free for the next one, so the
// slots hold only passages through the disk plus the latest miss.
void end::note_crossing(f_vec const &u)
{
    double const r0 = previous[1], θ0 = previous[2], φ0 = previous[3];
    double const r1 = current[1], θ1 = current[2], φ1 = current[3];
    double const r_c = ((r1 - r0) * half_pi + θ1 * r0 - θ0 * r1) / (θ1 - θ0);
    double const φ_c = ((φ1 - φ0) * half_pi + φ0 * θ1 - θ0 * φ1) / (θ1 - θ0);
    crossing_at[in_disk] = {r_c, φ_c};
    crossing_u[in_disk] = u;
    if (disk_in < r_c && r_c < disk_out)
        ++in_disk;
}

int end::reason() const
{
    int code = 0;
    if (r_hor >= current[1])
        code = 2;
    else if (current[1] >= r_escape)
        code = 1;
    if (path >= path_limit)
        code = 3;
    return in_disk >= 1 ? -code : code;
}

long long step_budget(double angular_limit, double p)
{
    double const rounds = std::fmin(std::fmax(angular_limit / two_pi, 1.0), 64.0);
    double const fine = p > 0 ? std::fmin(1024.0 / p, 8388608.0) : 0.0;
    return static_cast<long long>(rounds * (fine + 131072.0));
}

// The fifth power spreads the settings over the useful range: 0.1 gives
// 1.25·10⁻⁴ (no wrong pixel in the Kerr shadow at 64×64, the sky
// 1.5·10⁻⁴ rad off at the median), the default 0.02 gives 4·10⁻⁸ (E, L_z and
// Q of escaping rays kept to 10⁻⁵ out to r = 1000, where an error of the
// direction counts a thousandfold in L_z and Q; at 10⁻⁶ Q drifted by
// 5·10⁻⁵). Below 10⁻⁹, about what the connection's difference quotients
// resolve, a finer setting would only shorten the steps.
double accurate_tolerance(double p)
{
    return std::fmax(12.5 * std::pow(p, 5), 1e-9);
}

// Rays of the Kerr shadow at any accuracy take at most some 350 attempts
// and a turn round the photon sphere some 60 at the finest; the budget allows
// 400 per round beyond a base of 1000.
long long ray_attempt_budget(double angular_limit)
{
    double const rounds = std::fmin(std::fmax(angular_limit / two_pi, 1.0), 64.0);
    return static_cast<long long>(1000 + 400 * rounds);
}

namespace
{

void trace_adaptive(Metric const &m, f_vec &x, f_vec &u, end &e, double p, geo *g,
                    std::atomic<bool> const *cancel)
{
    MetricSpacetime const space(m);
    AdaptiveGeodesic ray(space, adaptive_limits(e, p, g != nullptr));
    double const q = accurate_scale * p;
    StepEnd outcome;
    do {
        double const longest = g ? step_length(x, e.evhor(), e.outer_horizon(), q, 1.0) : HUGE_VAL;
        outcome = ray.advance(x, u, longest);
    } while (adaptive_step_done(m, p, ray.last_step(), outcome, x, u, e, g, cancel));
}

} // namespace

void geodetika(Metric const &m, f_vec &x, f_vec &u, end &e, double p, geo *g,
               TraceOptions const &options)
{
    if (options.whole_state)
        return trace_adaptive(m, x, u, e, p, g, options.cancel);
    trace_on(m, x, u, e, p, g, 0, options.cancel);
}

void trace_on(Metric const &m, f_vec &x, f_vec &u, end &e, double p, geo *g, long long steps,
              std::atomic<bool> const *cancel)
{
    long long const budget = step_budget(e.angular_limit(), p);
    bool more;
    do {
        double const distance = std::fabs(std::sin(x[2]));
        if (distance < axis_zone) {
            full_rungekuta(m, x, u, axis_step(x, u, e.evhor(), e.outer_horizon(), p, distance));
        } else {
            double const h = step_length(x, e.evhor(), e.outer_horizon(), p, distance);
            u = geodesic_step(m, x, u, h);
            x = x + u * h;
        }
        back_over_axis(x, u, e);
        if (g)
            g->insert(x, u);
        more = e.exit(x, u) && ++steps < budget;
        if (cancel)
            more = more && !cancel->load(std::memory_order_relaxed);
    } while (more);
}
