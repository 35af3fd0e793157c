#pragma once

// Kerr photons worked out by hand for the integration tests and benchmarks:
// the metric in Boyer–Lindquist coordinates (M = 1), the constants of motion,
// whether a photon falls in by its radial potential, and a small view of the
// hole whose every pixel is classified that way and traced by the program.

#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/optics.h"
#include "physics/orbits.h"
#include "tests/support/load_metric.h"

#include <cmath>

// A photon's constants of motion in Kerr (Boyer–Lindquist coordinates, M = 1,
// the metric written out by hand): energy, axial angular momentum, Carter's
// constant, and g(p, p) over E².
struct Constants {
    double E, L, Q, null;
};

inline Constants constants(double a, f_vec const &x, f_vec const &p)
{
    double const r = x[1], s2 = std::pow(std::sin(x[2]), 2), c2 = 1 - s2;
    double const Σ = r * r + a * a * c2, Δ = r * r - 2 * r + a * a;
    double const g_tt = -(1 - 2 * r / Σ), g_tφ = -2 * a * r * s2 / Σ;
    double const g_φφ = (r * r + a * a + 2 * a * a * r * s2 / Σ) * s2;
    double const E = -(g_tt * p[0] + g_tφ * p[3]), L = g_tφ * p[0] + g_φφ * p[3];
    double const Q = std::pow(Σ * p[2], 2) + c2 * (L * L / s2 - a * a * E * E);
    double const norm = g_tt * p[0] * p[0] + 2 * g_tφ * p[0] * p[3] + Σ / Δ * p[1] * p[1] +
                        Σ * p[2] * p[2] + g_φφ * p[3] * p[3];
    return {E, L, Q, norm / (E * E)};
}

// Whether a photon leaving r_obs inwards falls into the Kerr hole: it does
// when the radial potential R(r) = (E(r² + a²) − aL)² − Δ(Q + (L − aE)²)
// stays positive all the way down to the outer horizon. The least R is found
// on a fine grid and refined by golden sections in the cells around it.
inline bool falls_in(double a, Constants const &c, double r_obs)
{
    double const r_h = 1 + std::sqrt(1 - a * a);
    auto R = [&](double r) {
        double const Δ = r * r - 2 * r + a * a;
        double const k = c.E * (r * r + a * a) - a * c.L;
        return k * k - Δ * (c.Q + (c.L - a * c.E) * (c.L - a * c.E));
    };
    constexpr int cells = 2000;
    double const step = (r_obs - r_h) / cells;
    int best = 1;
    for (int i = 1; i < cells; ++i)
        if (R(r_h + i * step) < R(r_h + best * step))
            best = i;
    double lo = r_h + (best - 1) * step, hi = r_h + (best + 1) * step;
    for (int i = 0; i < 100; ++i) {
        double const m1 = lo + 0.382 * (hi - lo), m2 = hi - 0.382 * (hi - lo);
        (R(m1) < R(m2) ? hi : lo) = R(m1) < R(m2) ? m2 : m1;
    }
    return R(0.5 * (lo + hi)) > 0;
}

// The Kerr view of the analysis: a = 0.8, an observer at rest in the
// non-rotating frame at r = 50, θ = 80°, looking at the hole over the image
// plane square ±0.1 (the shadow and the rays over both poles) in n × n
// pixels.
struct KerrView {
    static constexpr double a = 0.8, r = 50, half_field = 0.1;
    int n;
    Metric metric = preset(kerr);
    Horizons horizons = find_horizons(metric, false, r);
    f_vec x = at(r, 80 * π / 180);
    f_vec u = f_tet(metric, four_vt(0), x);

    explicit KerrView(int n) : n(n) {}
    double pixel() const { return 2 * half_field / n; }
    f_vec launch(double column, double row) const
    {
        return aberace(metric, -half_field + (column + 0.5) * pixel(),
                       -half_field + (row + 0.5) * pixel(), u, x);
    }
    bool dark(double column, double row) const
    {
        f_vec const p = launch(column, row);
        return p[1] < 0 && falls_in(a, constants(a, x, p), r);
    }
    // The analytic answer differs within `reach` pixels of the pixel's centre.
    bool near_edge(int column, int row, double reach) const
    {
        bool const here = dark(column, row);
        for (double dc : {-reach, 0.0, reach})
            for (double dr : {-reach, 0.0, reach})
                if (dark(column + dc, row + dr) != here)
                    return true;
        return false;
    }
    // Traces one pixel's ray as the ray colour does.
    end trace(double column, double row, double precise, bool whole_state, f_vec &x_end,
              geo *g = nullptr) const
    {
        end e(capture_radius(horizons, precise), 15);
        e.set_escape(escape_radius(horizons, precise));
        x_end = x;
        f_vec p = launch(column, row);
        geodetika(metric, x_end, p, e, precise, g, {whole_state, nullptr});
        return e;
    }
};
