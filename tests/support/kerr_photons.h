// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Kerr photons worked out by hand for the integration tests and benchmarks:
// the metric in Boyer–Lindquist coordinates (M = 1, also with a cosmological
// constant), the constants of motion, whether a photon falls in by its
// radial potential, and a small view of the hole whose every pixel is
// classified that way and traced or drawn by the program.

#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/optics.h"
#include "physics/orbits.h"
#include "physics/ray_batch.h"
#include "physics/ray_colour.h"
#include "physics/ray_scene.h"
#include "tests/support/load_metric.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <vector>

// A photon's constants of motion in Kerr–de Sitter (Boyer–Lindquist
// coordinates, M = 1, the metric written out by hand; Λ = 0 is Kerr): energy,
// axial angular momentum, Carter's constant and g(p, p) over E². With
// Ξ = 1 + Λa²/3, Δ_θ = 1 + Λa²cos²θ/3 and Δ_r = (r² + a²)(1 − Λr²/3) − 2r,
// K = (Σ²θ̇² + Ξ²(aE sin²θ − L)²/sin²θ)/Δ_θ is conserved and
// Q = K − Ξ²(L − aE)².
struct Constants {
    double E, L, Q, null;
};

struct KerrDeSitter {
    double a, Λ;
    double Ξ() const { return 1 + Λ * a * a / 3; }
    double Δ_r(double r) const { return (r * r + a * a) * (1 - Λ * r * r / 3) - 2 * r; }
};

inline Constants constants(KerrDeSitter k, f_vec const &x, f_vec const &p)
{
    double const a = k.a, r = x[1], s2 = std::pow(std::sin(x[2]), 2), c2 = 1 - s2;
    double const Σ = r * r + a * a * c2, Δ = k.Δ_r(r), Δθ = 1 + k.Λ * a * a * c2 / 3;
    double const Ξ2 = k.Ξ() * k.Ξ(), w = r * r + a * a;
    double const g_tt = -(Δ - Δθ * a * a * s2) / (Ξ2 * Σ);
    double const g_tφ = -a * s2 * (Δθ * w - Δ) / (Ξ2 * Σ);
    double const g_φφ = s2 * (Δθ * w * w - Δ * a * a * s2) / (Ξ2 * Σ);
    double const E = -(g_tt * p[0] + g_tφ * p[3]), L = g_tφ * p[0] + g_φφ * p[3];
    double const K = (std::pow(Σ * p[2], 2) + Ξ2 * std::pow(a * E * s2 - L, 2) / s2) / Δθ;
    double const norm = g_tt * p[0] * p[0] + 2 * g_tφ * p[0] * p[3] + Σ / Δ * p[1] * p[1] +
                        Σ / Δθ * p[2] * p[2] + g_φφ * p[3] * p[3];
    return {E, L, K - Ξ2 * (L - a * E) * (L - a * E), norm / (E * E)};
}

inline Constants constants(double a, f_vec const &x, f_vec const &p)
{
    return constants(KerrDeSitter{a, 0}, x, p);
}

// Whether a photon leaving r_obs inwards falls into the hole: it does when
// the radial potential R(r) = Ξ²(E(r² + a²) − aL)² − Δ_r(Q + Ξ²(L − aE)²)
// stays positive all the way down to the event horizon, the root of Δ_r
// below r_obs. The least R is found on a fine grid and refined by golden
// sections in the cells around it.
inline bool falls_in(KerrDeSitter k, Constants const &c, double r_obs)
{
    double const a = k.a, Ξ2 = k.Ξ() * k.Ξ();
    double r_h = 1, out = r_obs;
    for (int i = 0; i < 100; ++i)
        (k.Δ_r(0.5 * (r_h + out)) < 0 ? r_h : out) = 0.5 * (r_h + out);
    auto R = [&](double r) {
        double const q = c.E * (r * r + a * a) - a * c.L;
        return Ξ2 * q * q - k.Δ_r(r) * (c.Q + Ξ2 * (c.L - a * c.E) * (c.L - a * c.E));
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

inline bool falls_in(double a, Constants const &c, double r_obs)
{
    return falls_in(KerrDeSitter{a, 0}, c, r_obs);
}

// Kerr–de Sitter typed as formulas, as a user would type it.
inline Metric kerr_de_sitter(double a, double Λ)
{
    QString const D = "((r^2+a^2)*(1-Λ*r^2/3)-2*M*r)", T = "(1+Λ*a^2*cos(θ)^2/3)",
                  X2S = "((1+Λ*a^2/3)^2*(r^2+a^2*cos(θ)^2))", S = "(r^2+a^2*cos(θ)^2)";
    QString texts[16];
    for (QString &text : texts)
        text = "0";
    texts[0] = "-(" + D + "-" + T + "*a^2*sin(θ)^2)/" + X2S;
    texts[3] = texts[12] = "-a*sin(θ)^2*(" + T + "*(r^2+a^2)-" + D + ")/" + X2S;
    texts[5] = S + "/" + D;
    texts[10] = S + "/" + T;
    texts[15] = "sin(θ)^2*(" + T + "*(r^2+a^2)^2-" + D + "*a^2*sin(θ)^2)/" + X2S;
    const double params[4] = {1.0, a, 0.0, Λ};
    return Metric::compile(texts, params);
}

// The Kerr view of the analysis: a = 0.8, an observer at rest in the
// non-rotating frame at r = 50, θ = 80°, looking at the hole over the image
// plane square ±0.1 (the shadow and the rays over both poles) in n × n
// pixels; or any other hole of Kerr–de Sitter, observer and field. Without
// spin the shadow is the static observer's closed form: a pixel is dark
// within the angle ψ of the centre, sin ψ = √(27 f(r)/(r²(1 − 9Λ))) with
// f = 1 − 2/r − Λr²/3.
struct KerrView {
    int n;
    double a = 0.8, Λ = 0, r = 50, θ = 80, half_field = 0.1;
    Metric metric = Λ == 0 && a == 0.8 ? preset(kerr) : kerr_de_sitter(a, Λ);
    Horizons horizons = find_horizons(metric, false, r);
    f_vec x = at(r, off_axis(θ *π / 180));
    f_vec u = f_tet(metric, four_vt(0), x);

    double pixel() const { return 2 * half_field / n; }
    // An odd n has a middle column at α = 0: rays without angular momentum,
    // which pass exactly through the axis.
    double α(double column) const { return (column + 0.5 - 0.5 * n) * pixel(); }
    f_vec launch(double column, double row) const
    {
        return aberace(metric, α(column), α(row), u, x);
    }
    bool dark(double column, double row) const
    {
        if (a == 0) {
            double const f = 1 - 2 / r - Λ * r * r / 3;
            double const ψ = std::asin(std::sqrt(27 * f / (r * r * (1 - 9 * Λ))));
            return 2 * std::atan(std::hypot(α(column), α(row))) < ψ;
        }
        f_vec const p = launch(column, row);
        KerrDeSitter const k{a, Λ};
        return p[1] < 0 && falls_in(k, constants(k, x, p), r);
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
        end e = path_end(horizons, precise, 15);
        x_end = x;
        f_vec p = launch(column, row);
        geodetika(metric, x_end, p, e, precise, g, {whole_state, nullptr});
        return e;
    }
    // Which pixels a frame of the program draws black (a white sky, nothing
    // else on), row by row along the path given.
    std::vector<char> dark_frame(double precise, bool whole_state, SimdPath path) const
    {
        RayScene s;
        std::copy_n(metric.params(), 4, s.P);
        s.metric = metric;
        s.horizons = horizons;
        s.precise = precise;
        s.accurate = whole_state;
        s.simd = path;
        s.b_gnd = QImage(8, 4, QImage::Format_ARGB32);
        s.b_gnd.fill(0xffffffffu);
        PreparedFrame const prepared = prepare_frame(s, x, u, nullptr);
        std::vector<ImagePoint> points(n);
        std::vector<unsigned> colours(n);
        std::vector<char> dark;
        for (int row = 0; row < n; ++row) {
            for (int column = 0; column < n; ++column)
                points[column] = {α(column), α(row)};
            get_colours(s, prepared, points.data(), n, colours.data(), x, u);
            for (unsigned c : colours)
                dark.push_back(c == 0xff000000u);
        }
        return dark;
    }
    // Pixels whose darkness differs from the closed form's farther than
    // `reach` pixels from its edge: the frame's, or those of the truth given.
    int wrong_pixels(std::vector<char> const &frame, std::vector<char> const &truth,
                     double reach) const
    {
        int wrong = 0;
        for (int i = 0; i < n * n; ++i)
            wrong += frame[i] != truth[i] && !near_edge(i % n, i / n, reach);
        return wrong;
    }
    std::vector<char> truth() const
    {
        std::vector<char> t;
        for (int i = 0; i < n * n; ++i)
            t.push_back(dark(i % n, i / n));
        return t;
    }
};
