// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/ray_colour.h"

#include "expr/christoffel.h"
#include "physics/backdrop.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/optics.h"
#include "physics/orbits.h"
#include "physics/ray_scene.h"
#include "render/colour.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace
{

constexpr unsigned black = 0xff000000u;
constexpr double rounds_allowed = 15;

bool same_observer(PreparedFrame const &p, f_vec x, f_vec u)
{
    for (int i = 0; i < 4; ++i)
        if (p.x[i] != x[i] || p.u[i] != u[i])
            return false;
    return p.valid;
}

AimOffset aim_for(RayScene const &s, PreparedFrame const &prepared, f_vec x, f_vec u)
{
    if (same_observer(prepared, x, u))
        return prepared.offset;
    return aim_correction(s, x, u);
}

// What the observer end of every shift and beaming factor needs.
struct Launch {
    RayScene const &s;
    f_vec p0; // Launch direction, past-pointing
    f_vec x0; // observer's position
    f_vec u0; // observer's 4-velocity
};

// Shift before beaming. A factor that is not finite (a vector pair that is
// not both future-pointing) leaves the colour as it is in both.
unsigned as_seen(unsigned c, f_vec k_e, f_vec u_e, f_vec x_e, Launch const &l)
{
    if (l.s.shift)
        c = sh_col(c, rshft(l.s.metric, k_e, u_e, x_e, -l.p0, l.u0, l.x0), l.s.simul);
    if (l.s.beam)
        c = bm_col(c, beamg(l.s.metric, k_e, u_e, x_e, -l.p0, l.u0, l.x0));
    return c;
}

// The far sky, emitted by the coordinate time vector at the ray's end.
unsigned background(f_vec x, f_vec p, Launch const &l)
{
    unsigned c = sky_colour(l.s.b_gnd, x[2], x[3]);
    return as_seen(c, -p, f_vec{{1, 0, 0, 0}}, x, l);
}

// The disk at crossing i, seen by the observer; false when nothing is drawn.
bool disk_colour(end &e, int i, Launch const &l, unsigned &d)
{
    RayScene const &s = l.s;
    double const *P = s.P;
    auto [r_c, φ_c] = e.k_loc(i);
    double ρ = (r_c - P[4]) / (P[5] - P[4]);
    // The texture turns with the disk up to the observer's coordinate time.
    double ψ = φ_c - s.disk.φ_spd[table_slot(ρ, 64)] * l.x0[0];
    if (!disk_texel(s.acr, ρ, ψ, d))
        return false;
    if (s.shift || s.beam) {
        f_vec x_e{{0, r_c, std::numbers::pi / 2, ψ}};
        f_vec u_e = f_tet(s.metric, four_vt(s.disk.o_spd[table_slot(ρ, 512)]), x_e);
        d = as_seen(d, -e.k_vel(i), u_e, x_e, l);
    }
    return true;
}

// From the farthest crossing to the nearest, so the nearest ends on top.
unsigned disk_over(unsigned c, end &e, Launch const &l)
{
    for (int i = e.kkp() - 1; i >= 0; --i) {
        unsigned d;
        if (disk_colour(e, i, l, d))
            c = av_col(c, d, l.s.transp);
    }
    return c;
}

} // namespace

AimOffset aim_correction(RayScene const &s, f_vec x_obs, f_vec u_obs)
{
    // The centre ray's look direction in the locally non-rotating frame.
    f_vec w = t_tet(s.metric, aberace(s.metric, 0, 0, u_obs, x_obs), x_obs);
    double tangential = std::hypot(w[2], w[3]);
    if (!(tangential > 0) || !std::isfinite(tangential) || !std::isfinite(w[1]))
        return {};
    // atan2 keeps the small angles that acos of a rounded cosine loses, and
    // the offset points against the tilt (w[2] towards θ, w[3] towards φ)
    // whatever the signs of both components.
    double A = std::atan2(tangential, -w[1]);
    return {-0.5 * A * w[3] / tangential, -0.5 * A * w[2] / tangential};
}

PreparedFrame prepare_frame(RayScene const &s, f_vec x_obs, f_vec u_obs,
                            std::atomic<bool> const *cancel)
{
    return {x_obs, u_obs, aim_correction(s, x_obs, u_obs), true, cancel};
}

RayStart start_ray(RayScene const &s, PreparedFrame const &prepared, ObserverTetrad const &frame,
                   double α, double β, f_vec x_obs, f_vec u_obs)
{
    end e = path_end(s.horizons, s.precise, rounds_allowed);
    // Nothing orbits inside the event horizon, whatever radius the disk was given.
    if (s.kepler)
        e.set_kepler(std::fmax(s.P[4], s.horizons.event()), s.P[5]);
    AimOffset aim = s.el_ab ? aim_for(s, prepared, x_obs, u_obs) : AimOffset{};
    return {e, aberace(frame, α + aim.δα, β + aim.δβ)};
}

unsigned ended_ray_colour(RayScene const &s, end &e, f_vec x, f_vec p, f_vec launch, f_vec x_obs,
                          f_vec u_obs)
{
    if (untraced(x, p))
        return untraced_colour;
    Launch l{s, launch, x_obs, u_obs};
    unsigned base;
    switch (std::abs(e.reason())) {
    case 2: // fell into the horizon
    case 3: // ran out of rounds
        base = black;
        break;
    case 1: // escaped
        base = background(x, p, l);
        break;
    default: // stopped or numerically lost: the disk is not drawn either
        return black;
    }
    return disk_over(base, e, l);
}

bool untraced(f_vec const &x, f_vec const &p)
{
    for (int i = 0; i < 4; ++i)
        if (!std::isfinite(x[i]) || !std::isfinite(p[i]))
            return true;
    return false;
}

unsigned GetColor(RayScene const &s, PreparedFrame const &prepared, double α, double β, f_vec x_obs,
                  f_vec u_obs)
{
    return GetColor(s, prepared, observer_tetrad(s.metric, u_obs, x_obs), α, β, x_obs, u_obs);
}

unsigned GetColor(RayScene const &s, PreparedFrame const &prepared, ObserverTetrad const &frame,
                  double α, double β, f_vec x_obs, f_vec u_obs)
{
    RayStart start = start_ray(s, prepared, frame, α, β, x_obs, u_obs);
    f_vec x = x_obs, p = start.launch;
    geodetika(s.metric, x, p, start.e, s.precise, nullptr, {s.accurate, prepared.cancel});
    return ended_ray_colour(s, start.e, x, p, start.launch, x_obs, u_obs);
}
