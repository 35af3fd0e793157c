#include "physics/geodesic.h"

#include "expr/christoffel.h"
#include "scene/run_control.h"

#include <algorithm>
#include <cmath>

namespace
{

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
    current = x;
    if (previous[1] != 0.0) {
        double const dθ = previous[2] - current[2];
        double const dφ = previous[3] - current[3];
        path += std::sqrt(dθ * dθ + dφ * dφ);
        if (in_disk < 3 && (previous[2] - half_pi) * (current[2] - half_pi) <= 0)
            note_crossing(u);
    }
    previous = current;
    return current[1] > r_hor && r_escape > current[1] && path_limit > path;
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

namespace
{

// Long steps far out, short ones near the horizon and near the axis. A ray
// that has passed over the pole carries θ < 0 or θ > π (angles are never
// wrapped); the distance from the axis is still |sin θ|.
double step_length(f_vec const &x, double r_hor, double p)
{
    double const d = ((r_hor - x[1]) * p) * std::fabs(std::sin(x[2])) - 10;
    return std::fmax(p / 50, 100 / d + 10);
}

template <bool stoppable> void trace(Scene const &s, f_vec &x, f_vec &u, end &e, double p, geo *g)
{
    long long const budget = step_budget(e.angular_limit(), p);
    long long steps = 0;
    bool more;
    do {
        double const h = step_length(x, e.evhor(), p);
        u = geodesic_step(s, x, u, h);
        x = x + u * h;
        if (g)
            g->insert(x, u);
        more = e.exit(x, u) && ++steps < budget;
        if constexpr (stoppable)
            more = more && !stop.load(std::memory_order_relaxed);
    } while (more);
}

} // namespace

void geodetika(Scene const &s, f_vec &x, f_vec &u, end &e, double p, geo *g)
{
    trace<true>(s, x, u, e, p, g);
}

void geodetika_unstoppable(Scene const &s, f_vec &x, f_vec &u, end &e, double p, geo *g)
{
    trace<false>(s, x, u, e, p, g);
}
