#include "physics/orbits.h"

#include "expr/christoffel.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/rungekuta.h"
#include "scene/scene.h"

#include <cmath>
#include <cstring>
#include <optional>

namespace
{

constexpr double tolerance = 5e-8;
constexpr double half_pi = 1.5707963267948966;
constexpr int max_halvings = 2000;

double g_rr(Scene const &s, double r)
{
    return CntPfx(s.t[5].code, f_vec{{0, r, 0, 0}}, s.P);
}

// Coming down from far away g_rr grows towards the horizon; inside it is
// negative or smaller, which pushes lo up. Without a divergence the bracket
// collapses onto the largest g_rr in range, so the halvings are bounded like
// those of the inner search and the outcome is "no horizon".
std::optional<double> outer_horizon(Scene const &s)
{
    double lo = s.P[0], hi = 1000.0, best = 0;
    for (int i = 0; i < max_halvings; ++i) {
        double const mid = (lo + hi) * 0.5;
        double const v = g_rr(s, mid);
        if (v > best) {
            if (v >= 1e6)
                return mid;
            best = v;
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return std::nullopt;
}

// Below an inner horizon g_rr is positive and grows towards it; between the
// horizons it is negative. Without one the bracket shrinks to 0.
double inner_horizon(Scene const &s, double outer)
{
    double lo = 0, hi = outer, best = 0;
    for (int i = 0; i < max_halvings; ++i) {
        double const mid = (lo + hi) * 0.5;
        double const v = g_rr(s, mid);
        if (v > best) {
            if (v >= 1e9)
                break;
            best = v;
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi;
}

f_vec equatorial(double r)
{
    return {{0, r, half_pi, 0}};
}

// The 4-velocity in coordinates of speed v along φ in the frame E.
f_vec moving(double v, double const (&E)[4][4])
{
    return transform(four_vt(v), E);
}

// Bisection on the sign of the radial acceleration after one tiny step:
// outwards means too fast, inwards too slow. Searches [0, hi].
double circular_speed(Scene const &s, f_vec x, double hi)
{
    tensor_3 Γ = Christoffel(s, x);
    double E[4][4];
    lnrf(s, E, x);
    double lo = 0;
    for (;;) {
        double const v = (lo + hi) * 0.5;
        f_vec const u = rungekuta(dudλ, moving(v, E), Γ, tolerance);
        if (u[1] > 0) {
            if (std::fabs(v - lo) > tolerance)
                hi = v;
            else
                return v;
        } else {
            if (std::fabs(hi - v) > tolerance)
                lo = v;
            else
                return v;
        }
    }
}

// Follows the circular orbit at r for up to 25 rounds; it is stable when its
// radial velocity is still tiny at the end. The answer must not depend on a
// stop request left over from a cancelled render, hence the deaf trace.
// Where even a body at rest drifts outwards (no gravity, or a repulsive core)
// there is no circular orbit, and tracing one would only follow a body that
// hovers or bounces without ever completing a round.
bool stable_orbit(Scene const &s, double r, int n, double r_h)
{
    double const p = 0.03 * r;
    f_vec x = equatorial(r);
    double const v = OrbSpeed(s, x, n);
    if (std::fabs(v) <= tolerance)
        return false;
    f_vec u = f_tet(s, four_vt(v), x);
    end e(r_h, 25);
    geodetika_unstoppable(s, x, u, e, p);
    return u[1] * u[1] < tolerance * p;
}

void remember_disk(Scene &s, double r_in, double r_out)
{
    DiskTables &snapshot = s.disk;
    snapshot.valid = true;
    snapshot.r_in = r_in;
    snapshot.r_out = r_out;
    std::memcpy(snapshot.params, s.P, sizeof snapshot.params);
    std::memcpy(snapshot.metric, s.t, sizeof snapshot.metric);
}

} // namespace

void VnH(Scene &s)
{
    if (s.mink) {
        s.h1 = 2.0;
        s.h2 = 0.0;
        return;
    }
    std::optional<double> const outer = outer_horizon(s);
    if (!outer) {
        s.h1 = s.h2 = 0.0;
        return;
    }
    s.h1 = *outer;
    s.h2 = inner_horizon(s, s.h1);
    if (std::fabs(s.h1 - s.h2) < tolerance)
        s.h2 = s.h1; // one degenerate horizon: the outer search again, same answer
}

double VneH(Scene const &s)
{
    return std::fmax(s.h2, s.h1);
}

double VniH(Scene const &s)
{
    return std::fmin(s.h2, s.h1);
}

double capture_radius(Scene const &s)
{
    return (0.03 * s.precise + 1.0) * VneH(s);
}

double OrbSpeed(Scene const &s, f_vec x, int n)
{
    return circular_speed(s, x, n);
}

void O_Speed(Scene &s, double r_in, double r_out)
{
    double *const o_spd = s.disk.o_spd;
    for (int i = 0; i < 512; ++i)
        o_spd[i] = circular_speed(s, equatorial(i * (r_out - r_in) * 0.001953125 + r_in), 1.0);
    for (int j = 0; j < 64; ++j) {
        f_vec const x = equatorial(j * (r_out - r_in) * 0.015625 + r_in);
        s.disk.φ_spd[j] = f_tet(s, four_vt(o_spd[8 * j]), x)[3];
    }
    remember_disk(s, r_in, r_out);
}

// Without an event horizon the search starts at the centre and spans twenty
// times the gravitational radius 2M instead.
double lim_stab_orb(Scene const &s, int n)
{
    double const r_h = VneH(s);
    double lo = r_h, hi = 20 * (r_h > 0 ? r_h : 2 * s.P[0]);
    for (int i = 1;; ++i) {
        double const mid = (lo + hi) * 0.5;
        bool const more = i < 20;
        if (stable_orbit(s, mid, n, r_h)) {
            if (mid - lo > tolerance && more)
                hi = mid;
            else
                return lo;
        } else {
            if (hi - mid > tolerance && more)
                lo = mid;
            else
                return mid;
        }
    }
}

bool disk_tables_current(Scene const &s)
{
    DiskTables const &snapshot = s.disk;
    return snapshot.valid && snapshot.r_in == s.P[4] && snapshot.r_out == s.P[5] &&
           std::memcmp(snapshot.params, s.P, sizeof snapshot.params) == 0 &&
           std::memcmp(snapshot.metric, s.t, sizeof snapshot.metric) == 0;
}

void ensure_disk_tables(Scene &s)
{
    if (!disk_tables_current(s) && s.P[5] > s.P[4])
        O_Speed(s, s.P[4], s.P[5]);
}
