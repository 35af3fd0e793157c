// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/orbits.h"

#include "expr/metric.h"
#include "physics/frames.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace
{

constexpr double tolerance = 5e-8;
constexpr double half_pi = 1.5707963267948966;
constexpr int max_halvings = 2000;

double g_rr(Metric const &m, double r)
{
    return CntPfx(m.records()[5].code, f_vec{{0, r, 0, 0}}, m.params());
}

// Coming down from far away g_rr grows towards the horizon; inside it is
// negative or smaller, which pushes lo up. Without a divergence the bracket
// collapses onto the largest g_rr in range, so the halvings are bounded like
// those of the inner search and the outcome is "no horizon".
std::optional<double> outer_horizon(Metric const &m)
{
    double lo = m.params()[0], hi = 1000.0, best = 0;
    for (int i = 0; i < max_halvings; ++i) {
        double const mid = (lo + hi) * 0.5;
        double const v = g_rr(m, mid);
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
double inner_horizon(Metric const &m, double outer)
{
    double lo = 0, hi = outer, best = 0;
    for (int i = 0; i < max_halvings; ++i) {
        double const mid = (lo + hi) * 0.5;
        double const v = g_rr(m, mid);
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

// A radius where g_rr changes sign through a pole (or the lapse below
// through zero), and whether it is negative beyond: r is then timelike
// outside, a cosmological horizon.
struct Pole {
    double r;
    bool closes;
};

// Scans [M, 1000] on a logarithmic grid and bisects every bracket in which
// g_rr changes sign; a sign change through a zero of g_rr is no horizon.
std::vector<Pole> poles(Metric const &m)
{
    constexpr int cells = 4000;
    double const lo = std::fmax(m.params()[0], 1e-6), hi = 1000.0;
    double const ratio = std::pow(hi / lo, 1.0 / cells);
    std::vector<Pole> found;
    double a = lo, ga = g_rr(m, a);
    for (int i = 1; i <= cells; ++i) {
        double b = i == cells ? hi : lo * std::pow(ratio, i);
        double const gb = g_rr(m, b);
        if (std::isfinite(ga) && std::isfinite(gb) && (ga < 0) != (gb < 0) && ga != 0 && gb != 0) {
            double l = a, h = b, gl = ga;
            for (int k = 0; k < 200 && h - l > 1e-13 * h; ++k) {
                double const mid = 0.5 * (l + h);
                double const gm = g_rr(m, mid);
                if ((gm < 0) == (gl < 0)) {
                    l = mid;
                    gl = gm;
                } else {
                    h = mid;
                }
            }
            if (std::fabs(gl) > 1e6)
                found.push_back({0.5 * (l + h), ga > 0});
        }
        a = b;
        ga = gb;
    }
    return found;
}

f_vec equatorial(double r)
{
    return {{0, r, half_pi, 0}};
}

// g_tφ² − g_tt·g_φφ over g_φφ on the equator: the squared lapse of the
// non-rotating observer, positive where a stationary observer can exist and
// negative where everything must move in r. It vanishes on a Killing horizon
// in whatever chart the metric is typed; a pole of g_rr marks one only in
// charts like Schwarzschild's (not in isotropic or Eddington–Finkelstein
// coordinates, and falsely at a wormhole's throat).
double lapse_squared(Metric const &m, double r)
{
    f_vec const x = equatorial(r);
    double const tt = m.g(0, 0, x), tφ = m.g(0, 3, x), φφ = m.g(3, 3, x);
    if (!(φφ > 0))
        return std::numeric_limits<double>::quiet_NaN();
    return (tφ * tφ - tt * φφ) / φφ;
}

double bisected_sign_change(Metric const &m, double l, double h)
{
    double gl = lapse_squared(m, l);
    for (int k = 0; k < 200 && h - l > 1e-13 * h; ++k) {
        double const mid = 0.5 * (l + h);
        double const gm = lapse_squared(m, mid);
        if ((gm < 0) == (gl < 0)) {
            l = mid;
            gl = gm;
        } else {
            h = mid;
        }
    }
    return 0.5 * (l + h);
}

// The least squared lapse in [l, h] by golden sections, and where it lies.
std::pair<double, double> lapse_minimum(Metric const &m, double l, double h)
{
    constexpr double golden = 0.6180339887498949;
    double a = h - golden * (h - l), b = l + golden * (h - l);
    double fa = lapse_squared(m, a), fb = lapse_squared(m, b);
    for (int k = 0; k < 100 && h - l > 1e-12 * h; ++k) {
        if (fa < fb) {
            h = b, b = a, fb = fa;
            a = h - golden * (h - l);
            fa = lapse_squared(m, a);
        } else {
            l = a, a = b, fa = fb;
            b = l + golden * (h - l);
            fb = lapse_squared(m, b);
        }
    }
    return fa < fb ? std::pair{a, fa} : std::pair{b, fb};
}

// Every zero of the squared lapse in [M/1000, 1000], innermost first: sign
// changes on a logarithmic grid, and dips between grid points that reach
// zero. A dip that only touches zero is a horizon too: isotropic
// coordinates cover the outside twice, with r = M/2 between the copies.
std::vector<Pole> killing_horizons(Metric const &m)
{
    constexpr int cells = 4000;
    constexpr double touching = 1e-9;
    double const lo = 1e-3 * std::fmax(m.params()[0], 1e-3), hi = 1000.0;
    double const ratio = std::pow(hi / lo, 1.0 / cells);
    std::vector<double> r(cells + 1), v(cells + 1);
    for (int i = 0; i <= cells; ++i) {
        r[i] = i == cells ? hi : lo * std::pow(ratio, i);
        v[i] = lapse_squared(m, r[i]);
    }
    std::vector<Pole> found;
    for (int i = 1; i <= cells; ++i) {
        if (std::isfinite(v[i - 1]) && std::isfinite(v[i]) && (v[i - 1] < 0) != (v[i] < 0))
            found.push_back({bisected_sign_change(m, r[i - 1], r[i]), v[i - 1] > 0});
        bool const dip = i < cells && v[i] >= 0 && v[i] < 1e-3 && v[i] <= v[i - 1] &&
                         v[i] < v[i + 1] && v[i - 1] > 0;
        if (!dip)
            continue;
        auto const [at, least] = lapse_minimum(m, r[i - 1], r[i + 1]);
        if (least < 0) {
            found.push_back({bisected_sign_change(m, r[i - 1], at), true});
            found.push_back({bisected_sign_change(m, at, r[i + 1]), false});
        } else if (least <= touching) {
            found.push_back({at, false});
        }
    }
    return found;
}

// Γ^r(X, Y) = Σ Γ^r_ab X^a Y^b at x, from exact slopes of the compiled
// metric: far out a difference quotient of g_tt, which differs from −1 by
// 2M/r, is pure rounding.
double radial_connection(Metric const &m, f_vec const &x, double const (&X)[4],
                         double const (&Y)[4])
{
    double dg[4][4][4]; // dg[k][μ][ν] = ∂_k g_μν
    for (int k = 0; k < 4; ++k)
        for (int μ = 0; μ < 4; ++μ)
            for (int ν = μ; ν < 4; ++ν)
                dg[k][μ][ν] = dg[k][ν][μ] =
                    m.records()[4 * μ + ν].dep[k]
                        ? slope(m.records()[4 * μ + ν].code, k, x, m.params())
                        : 0.0;
    double const det = CntPfx(m.records()[32].code, x, m.params());
    double sum = 0;
    for (int μ = 0; μ < 4; ++μ) {
        double const up = CntPfx(m.records()[20 + μ].code, x, m.params()) / det; // g^rμ
        if (up == 0)
            continue;
        double lowered = 0; // Γ_μab X^a Y^b, doubled
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b)
                lowered += X[a] * Y[b] * (dg[a][μ][b] + dg[b][μ][a] - dg[μ][a][b]);
        sum += 0.5 * up * lowered;
    }
    return sum;
}

// The speed v along E_3 of the non-rotating frame at which a body moving
// tangentially is pulled neither in nor out: with u = γ(E_0 + v·E_3) the
// radial acceleration is −γ²(A + 2Bv + Cv²), so v is the first root of that
// quadratic in direction n. Where even a body at rest is pushed outwards there
// is no circular orbit (0); where no speed below light suffices, the answer
// stays just below light, as a bisection over [0, 1] would end.
double circular_speed(Metric const &m, f_vec x, double n)
{
    double E[4][4];
    lnrf(m, E, x);
    double const A = radial_connection(m, x, E[0], E[0]);
    double const B = n * radial_connection(m, x, E[0], E[3]);
    double const C = radial_connection(m, x, E[3], E[3]);
    if (!(A > 0) || !std::isfinite(B) || !std::isfinite(C))
        return 0.0;
    double w = HUGE_VAL; // the root for w = n·v > 0
    double const disc = B * B - A * C;
    if (C == 0) {
        if (B < 0)
            w = -A / (2 * B);
    } else if (disc >= 0) {
        double const q = -(B + std::copysign(std::sqrt(disc), B));
        for (double root : {q / C, q != 0 ? A / q : HUGE_VAL})
            if (root > 0)
                w = std::fmin(w, root);
    }
    return n * std::fmin(w, 1 - tolerance);
}

// Specific angular momentum u_φ of the circular orbit at r in direction n, or
// NaN where there is none (pushed outwards even at rest, or only light fast
// enough).
double orbit_momentum(Metric const &m, double r, int n)
{
    f_vec const x = equatorial(r);
    double const v = circular_speed(m, x, n);
    if (std::fabs(v) <= tolerance || std::fabs(v) >= 1 - tolerance)
        return std::numeric_limits<double>::quiet_NaN();
    f_vec const u = f_tet(m, four_vt(v), x);
    return CntPfx(m.records()[3].code, x, m.params()) * u[0] +
           CntPfx(m.records()[15].code, x, m.params()) * u[3];
}

// A circular orbit is stable where the angular momentum that circular orbits
// need grows outwards: a body nudged inwards then has too much of it and is
// pushed back. The innermost stable orbit is where |u_φ| is least. This asks
// only the metric and its exact slopes, so it takes microseconds whatever the
// metric; following each trial orbit for 25 rounds took seconds near a
// repulsive core, where orbits crawl, and still missed the slow drift just
// inside the limit.
bool stable_orbit(Metric const &m, double r, int n)
{
    constexpr double δ = 1e-6;
    double inner = orbit_momentum(m, r * (1 - δ), n);
    // Where circular orbits begin (a repulsive core's edge) the slope is
    // taken on the outer side alone, so that the edge is not moved by δ.
    if (std::isnan(inner))
        inner = orbit_momentum(m, r, n);
    double const outer = orbit_momentum(m, r * (1 + δ), n);
    return n * (outer - inner) > 0;
}

} // namespace

namespace
{

// Where g_rr has its poles: the search that placed the horizons of the
// Schwarzschild-like charts before the lapse was asked, kept where both agree
// so that their horizons stay what they were to the last bit.
Horizons pole_search(Metric const &m, double observer_r)
{
    Horizons h;
    std::vector<Pole> const found = poles(m);
    if (!found.empty() && found.back().closes) {
        // The outer search assumes g_rr positive far out; here it is not.
        for (Pole const &p : found) {
            if (observer_r > 0 ? p.r < observer_r : p.r < found.back().r)
                h.h1 = p.r;
            else if (h.h_cosmo == 0.0)
                h.h_cosmo = p.r;
        }
        h.h2 = h.h1 > 0 ? inner_horizon(m, h.h1) : 0.0;
        if (std::fabs(h.h1 - h.h2) < tolerance)
            h.h2 = h.h1;
        return h;
    }
    std::optional<double> const outer = outer_horizon(m);
    if (!outer)
        return h;
    h.h1 = *outer;
    h.h2 = inner_horizon(m, h.h1);
    if (std::fabs(h.h1 - h.h2) < tolerance)
        h.h2 = h.h1; // one degenerate horizon: the outer search again, same answer
    return h;
}

// The horizons among the zeros of the lapse, chosen as the pole search
// chooses among the poles.
Horizons horizons_among(std::vector<Pole> const &found, double observer_r)
{
    Horizons h;
    if (found.empty())
        return h;
    std::size_t event = found.size() - 1;
    if (found.back().closes) {
        event = found.size();
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (observer_r > 0 ? found[i].r < observer_r : found[i].r < found.back().r)
                event = i;
            else if (h.h_cosmo == 0.0)
                h.h_cosmo = found[i].r;
        }
        if (event == found.size())
            return h;
    }
    h.h1 = found[event].r;
    h.h2 = event > 0 ? found[event - 1].r : 0.0;
    return h;
}

// The pole search stops where g_rr passes 10⁶, which for a degenerate
// horizon is 10⁻³ of its radius away.
bool same_radius(double a, double b)
{
    return std::fabs(a - b) <= 1e-3 * std::fmax(a, b);
}

} // namespace

Horizons find_horizons(Metric const &m, bool flat, double observer_r)
{
    if (flat)
        return {2.0, 0.0, 0.0};
    Horizons const killing = horizons_among(killing_horizons(m), observer_r);
    Horizons const poles = pole_search(m, observer_r);
    if (same_radius(poles.h1, killing.h1) && same_radius(poles.h_cosmo, killing.h_cosmo))
        return poles;
    return killing;
}

double capture_radius(Horizons const &h, double precise)
{
    return (0.03 * precise + 1.0) * h.event();
}

double escape_radius(Horizons const &h, double precise)
{
    return h.h_cosmo > 0 ? (1.0 - 0.03 * precise) * h.h_cosmo : 1000.0;
}

end path_end(Horizons const &h, double precise, double rounds)
{
    end e(capture_radius(h, precise), rounds);
    e.set_escape(escape_radius(h, precise), h.h_cosmo);
    return e;
}

double OrbSpeed(Metric const &m, f_vec x, int n)
{
    return circular_speed(m, x, n);
}

DiskTables disk_tables(Metric const &m, double r_in, double r_out)
{
    DiskTables d;
    for (int i = 0; i < 512; ++i)
        d.o_spd[i] = circular_speed(m, equatorial(i * (r_out - r_in) * 0.001953125 + r_in), 1.0);
    for (int j = 0; j < 64; ++j) {
        f_vec const x = equatorial(j * (r_out - r_in) * 0.015625 + r_in);
        d.φ_spd[j] = f_tet(m, four_vt(d.o_spd[8 * j]), x)[3];
    }
    d.valid = true;
    d.r_in = r_in;
    d.r_out = r_out;
    std::memcpy(d.params, m.params(), sizeof d.params);
    std::memcpy(d.metric, m.records(), sizeof d.metric);
    return d;
}

namespace
{
// The edge between lo and hi, one of them stable and the other not, bisected
// to a tenth of the last digit shown and rounded to that digit (10⁻⁶):
// Schwarzschild's 6 stays exactly 6.
double stability_edge(Metric const &m, int n, double lo, double hi)
{
    bool const stable_lo = stable_orbit(m, lo, n);
    for (int k = 0; k < 100 && hi - lo > 1e-7; ++k) {
        double const mid = 0.5 * (lo + hi);
        (stable_orbit(m, mid, n) == stable_lo ? lo : hi) = mid;
    }
    return std::round(0.5 * (lo + hi) * 1e6) / 1e6;
}

// Where circular orbits are asked about at all: from just outside the event
// horizon (or near the centre without one) to the cosmological horizon or
// r = 1000.
struct Span {
    double lo, hi;
};

Span orbit_span(Metric const &m, Horizons const &h)
{
    double const r_h = h.event();
    double const lo = r_h > 0 ? r_h * (1 + 1e-6) : 1e-3 * std::fmax(m.params()[0], 1e-3);
    return {lo, h.h_cosmo > 0 ? h.h_cosmo : 1000.0};
}

// With a cosmological constant stable orbits exist only in a band of radii:
// past the outer marginally stable orbit the constant's push wins. A search
// whose first trial lies beyond the band walks outwards and finds nothing, so
// this one looks for the band on a logarithmic grid and bisects below the
// first stable radius on it, to the largest unstable radius as before.
double inner_edge_of_stable_band(Metric const &m, Horizons const &h, int n)
{
    constexpr int cells = 400;
    Span const span = orbit_span(m, h);
    double const ratio = std::pow(span.hi / span.lo, 1.0 / cells);
    double below = span.lo;
    for (int i = 1; i < cells; ++i) {
        double const r = span.lo * std::pow(ratio, i);
        if (!stable_orbit(m, r, n)) {
            below = r;
            continue;
        }
        return stability_edge(m, n, below, r);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

// Γ^r(k, k) for the tangential null vector k = E_0 + n·E_3 of the
// non-rotating frame: the radial acceleration of light sent along φ, zero on
// a circular photon orbit.
double photon_pull(Metric const &m, double r, int n)
{
    f_vec const x = equatorial(r);
    double E[4][4];
    lnrf(m, E, x);
    double k[4];
    for (int μ = 0; μ < 4; ++μ)
        k[μ] = E[0][μ] + n * E[3][μ];
    return radial_connection(m, x, k, k);
}

} // namespace

// Cells of 1.3 % in r: photon orbits closer than that (a nearly extreme
// charge) may be seen as none. On a horizon the non-rotating frame
// degenerates and the pull changes sign through a pole, not through zero:
// the cosmological horizon, or r = M/2 of isotropic coordinates, is no
// photon orbit, so a sign change whose pull is not small at its end is
// dropped, and the scan stops as far inside the cosmological horizon as it
// starts outside the event horizon.
std::vector<double> photon_orbits(Metric const &m, Horizons const &h, int n)
{
    constexpr int cells = 500;
    Span span = orbit_span(m, h);
    if (h.h_cosmo > 0)
        span.hi = h.h_cosmo * (1 - 1e-6);
    double const ratio = std::pow(span.hi / span.lo, 1.0 / cells);
    std::vector<double> found;
    double a = span.lo, fa = photon_pull(m, a, n);
    for (int i = 1; i <= cells; ++i) {
        double const b = span.lo * std::pow(ratio, i);
        double const fb = photon_pull(m, b, n);
        if (std::isfinite(fa) && std::isfinite(fb) && (fa < 0) != (fb < 0)) {
            double lo = a, hi = b, f_lo = fa;
            for (int k = 0; k < 100 && hi - lo > 1e-13 * hi; ++k) {
                double const mid = 0.5 * (lo + hi);
                double const f = photon_pull(m, mid, n);
                if ((f < 0) == (f_lo < 0)) {
                    lo = mid;
                    f_lo = f;
                } else {
                    hi = mid;
                }
            }
            if (std::fabs(f_lo) <= 1e-6 * std::fmax(std::fabs(fa), std::fabs(fb)))
                found.push_back(0.5 * (lo + hi));
        }
        a = b;
        fa = fb;
    }
    return found;
}

// Without an event horizon the search starts at the centre and spans twenty
// times the gravitational radius 2M instead. A search that found no stable
// radius at all looks for a band of stable orbits farther out; without one
// there is no limit to report.
double lim_stab_orb(Metric const &m, Horizons const &h, int n)
{
    double const r_h = h.event();
    double lo = r_h, hi = 20 * (r_h > 0 ? r_h : 2 * m.params()[0]);
    bool found = false;
    for (int i = 0; i < 20; ++i) {
        double const mid = (lo + hi) * 0.5;
        bool const stable = stable_orbit(m, mid, n);
        found = found || stable;
        (stable ? hi : lo) = mid;
    }
    return found ? stability_edge(m, n, lo, hi) : inner_edge_of_stable_band(m, h, n);
}

// Outwards from the inner edge on the grid of the band search: the first
// unstable radius ends the band.
double outer_stable_limit(Metric const &m, Horizons const &h, int n)
{
    double const inner = lim_stab_orb(m, h, n);
    if (std::isnan(inner))
        return inner;
    constexpr int cells = 400;
    Span const span = orbit_span(m, h);
    double const ratio = std::pow(span.hi / inner, 1.0 / cells);
    double stable = inner * (1 + 1e-6);
    for (int i = 1; i < cells; ++i) {
        double const r = inner * std::pow(ratio, i);
        if (stable_orbit(m, r, n)) {
            stable = r;
            continue;
        }
        return stability_edge(m, n, stable, r);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

bool disk_tables_current(DiskTables const &d, Metric const &m, double r_in, double r_out)
{
    return d.valid && d.r_in == r_in && d.r_out == r_out &&
           std::memcmp(d.params, m.params(), sizeof d.params) == 0 &&
           std::memcmp(d.metric, m.records(), sizeof d.metric) == 0;
}
