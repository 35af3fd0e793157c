// SPDX-License-Identifier: GPL-3.0-or-later
// Metrics typed as papers print them, each in its own chart: the horizons,
// circular photon orbits and innermost stable orbit found by the program
// against closed forms, and a frame drawn with the accurate integration.

#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "physics/spacetime_check.h"
#include "scene/run.h"
#include "scene/scene.h"
#include "scene/settings.h"
#include "tests/support/load_metric.h"
#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace
{

using Function = std::function<double(double)>;

// Every root of f in [lo, hi] on a fine logarithmic grid, innermost first.
std::vector<double> roots_of(Function const &f, double lo, double hi)
{
    std::vector<double> found;
    constexpr int cells = 20000;
    double a = lo, fa = f(a);
    for (int i = 1; i <= cells; ++i) {
        double b = lo * std::pow(hi / lo, double(i) / cells), fb = f(b);
        if ((fa < 0) != (fb < 0)) {
            double l = a, h = b, fl = fa;
            for (int k = 0; k < 200 && h - l > 1e-14 * h; ++k) {
                double const mid = 0.5 * (l + h), fm = f(mid);
                ((fm < 0) == (fl < 0) ? l : h) = mid;
                if (l == mid)
                    fl = fm;
            }
            found.push_back(0.5 * (l + h));
        }
        a = b, fa = fb;
    }
    return found;
}

// Where the angular momentum of prograde circular geodesics on the equator
// is least: Ω from the geodesic condition g_tt' + 2Ω g_tφ' + Ω² g_φφ' = 0,
// L = (g_tφ + Ω g_φφ)/√−(g_tt + 2Ω g_tφ + Ω² g_φφ), from the typed metric by
// central differences: a method of its own, not the program's frame and
// connection.
double isco_of_kepler_orbits(Metric const &m, double lo, double hi)
{
    auto g = [&m](int μ, int ν, double r) { return m.g(μ, ν, at(r, π / 2)); };
    auto slope = [&g](int μ, int ν, double r) {
        double const h = 1e-5 * r;
        return (g(μ, ν, r + h) - g(μ, ν, r - h)) / (2 * h);
    };
    auto L = [&](double r) {
        double const tt = slope(0, 0, r), tφ = slope(0, 3, r), φφ = slope(3, 3, r);
        double const Ω = (-tφ + std::sqrt(tφ * tφ - tt * φφ)) / φφ;
        return (g(0, 3, r) + Ω * g(3, 3, r)) /
               std::sqrt(-(g(0, 0, r) + 2 * Ω * g(0, 3, r) + Ω * Ω * g(3, 3, r)));
    };
    constexpr double golden = 0.6180339887498949;
    double a = hi - golden * (hi - lo), b = lo + golden * (hi - lo);
    while (hi - lo > 1e-9 * hi) {
        if (L(a) < L(b))
            hi = b, b = a, a = hi - golden * (hi - lo);
        else
            lo = a, a = b, b = lo + golden * (hi - lo);
    }
    return 0.5 * (lo + hi);
}

double kerr_photon_orbit(double a, int n)
{
    return 2 * (1 + std::cos(2.0 / 3 * std::acos(-n * a)));
}

double kerr_isco(double a)
{
    double const z1 = 1 + std::cbrt(1 - a * a) * (std::cbrt(1 + a) + std::cbrt(1 - a));
    double const z2 = std::sqrt(3 * a * a + z1 * z1);
    return 3 + z2 - std::sqrt((3 - z1) * (3 + z1 + 2 * z2));
}

// Kottler's f(r) = 1 − 2/r − Λr²/3 has its roots at
// 2/√Λ · cos(⅓ arccos(−3√Λ) − 2πk/3): k = 0 the cosmological horizon,
// k = 1 the event horizon.
double kottler_horizon(double Λ, int k)
{
    return 2 / std::sqrt(Λ) * std::cos(std::acos(-3 * std::sqrt(Λ)) / 3 - 2 * π * k / 3);
}

struct Row {
    const char *name;
    // g_tt, g_tr, g_tφ, g_rr, g_θθ, g_φφ; every other component of the upper
    // triangle is 0.
    const char *g[6];
    double a, Q, Λ;
    double event, cosmological;                 // 0: none
    std::vector<double> right, left;            // circular photon orbits on the equator
    std::function<double(Metric const &)> isco; // prograde
    // What the middle of the frame shows: a shadow whose angular radius the
    // critical impact parameter gives (the frame at 160×120), or one of
    // another shape (at 40×30, a sixteenth of the cost).
    enum { round_shadow, shadow } centre;
    // Rays that reach a naked singularity or a throat crawl there until their
    // attempts run out (17 ms each): of these frames only the middle row.
    bool middle_row_only = false;
    double observer_r = 15;
};

const char *const kerr_de_sitter[6] = {
    "((1+Λ*a^2*cos(θ)^2/3)*a^2*sin(θ)^2-((r^2+a^2)*(1-Λ*r^2/3)-2*M*r))/"
    "((r^2+a^2*cos(θ)^2)*(1+Λ*a^2/3)^2)",
    "0",
    "a*sin(θ)^2*(((r^2+a^2)*(1-Λ*r^2/3)-2*M*r)-(1+Λ*a^2*cos(θ)^2/3)*(r^2+a^2))/"
    "((r^2+a^2*cos(θ)^2)*(1+Λ*a^2/3)^2)",
    "(r^2+a^2*cos(θ)^2)/((r^2+a^2)*(1-Λ*r^2/3)-2*M*r)",
    "(r^2+a^2*cos(θ)^2)/(1+Λ*a^2*cos(θ)^2/3)",
    "sin(θ)^2*((1+Λ*a^2*cos(θ)^2/3)*(r^2+a^2)^2-((r^2+a^2)*(1-Λ*r^2/3)-2*M*r)*a^2*sin(θ)^2)/"
    "((r^2+a^2*cos(θ)^2)*(1+Λ*a^2/3)^2)"};

// Δ_r of Kerr–de Sitter with a = 0.9, Λ = 10⁻⁴, and its equatorial photon
// orbits: (rΔ_r' − 4Δ_r)² = 16a²Δ_r (Carter's separated null geodesics).
double kds_Δ(double r)
{
    return (r * r + 0.81) * (1 - 1e-4 * r * r / 3) - 2 * r;
}
double kds_photon_condition(double r)
{
    double const h = 1e-6 * r;
    double const slope = (kds_Δ(r + h) - kds_Δ(r - h)) / (2 * h);
    double const lhs = r * slope - 4 * kds_Δ(r);
    return lhs * lhs - 16 * 0.81 * kds_Δ(r);
}

// Reissner–Nordström–de Sitter, Q = 0.5, Λ = 10⁻⁴.
double rnds_f(double r)
{
    return 1 - 2 / r + 0.25 / (r * r) - 1e-4 * r * r / 3;
}

// Kerr–Newman, a = Q = 0.5: equatorial photon orbits r² − 3r + 2Q² ∓ 2a√(r − Q²) = 0.
double kn_photon(int n)
{
    return roots_of(
               [n](double r) { return r * r - 3 * r + 0.5 + n * 2 * 0.5 * std::sqrt(r - 0.25); }, 1,
               5)
        .front();
}

// The photon sphere of g_tt = −f(r), g_φφ = r² sin²θ: r f′ = 2f.
double photon_sphere_of(Function const &f, double lo, double hi)
{
    return roots_of(
               [&f](double r) {
                   double const h = 1e-6 * r;
                   return r * (f(r + h) - f(r - h)) / (2 * h) - 2 * f(r);
               },
               lo, hi)
        .back();
}

// Bardeen's regular hole, g = 0.5: f = 1 − 2Mr²/(r² + g²)^{3/2}.
double bardeen_f(double r)
{
    return 1 - 2 * r * r / std::pow(r * r + 0.25, 1.5);
}

// Hayward's regular hole, l = 0.5: f = 1 − 2Mr²/(r³ + 2Ml²).
double hayward_f(double r)
{
    return 1 - 2 * r * r / (r * r * r + 0.5);
}

auto closed(double r)
{
    return [r](Metric const &) { return r; };
}
auto kepler_from(double lo, double hi)
{
    return [lo, hi](Metric const &m) { return isco_of_kepler_orbits(m, lo, hi); };
}

// GMGHS (Einstein frame) with q = Q²/M = 0.64: photon sphere where
// 2r² − (6 + q)r + 4q = 0.
double const gmghs_photon = (6.64 + std::sqrt(6.64 * 6.64 - 32 * 0.64)) / 4;

std::vector<Row> const rows = {
    {"Schwarzschild, isotropic",
     {"-((1-M/(2*r))/(1+M/(2*r)))^2", "0", "0", "(1+M/(2*r))^4", "(1+M/(2*r))^4*r^2",
      "(1+M/(2*r))^4*r^2*sin(θ)^2"},
     0,
     0,
     0,
     0.5,
     0,
     {(2 + std::sqrt(3.0)) / 2},
     {(2 + std::sqrt(3.0)) / 2},
     closed((5 + std::sqrt(24.0)) / 2),
     Row::round_shadow},
    {"Schwarzschild, ingoing Eddington–Finkelstein",
     {"-(1-2*M/r)", "1", "0", "0", "r^2", "r^2*sin(θ)^2"},
     0,
     0,
     0,
     2,
     0,
     {3},
     {3},
     closed(6),
     Row::round_shadow},
    {"Schwarzschild, harmonic",
     {"-(r-M)/(r+M)", "0", "0", "(r+M)/(r-M)", "(r+M)^2", "(r+M)^2*sin(θ)^2"},
     0,
     0,
     0,
     1,
     0,
     {2},
     {2},
     closed(5),
     Row::round_shadow},
    {"Kottler (Schwarzschild–de Sitter)",
     {"-(1-2*M/r-Λ*r^2/3)", "0", "0", "1/(1-2*M/r-Λ*r^2/3)", "r^2", "r^2*sin(θ)^2"},
     0,
     0,
     1e-4,
     kottler_horizon(1e-4, 1),
     kottler_horizon(1e-4, 0),
     {3},
     {3},
     closed(6.0691260),
     Row::round_shadow},
    {"Schwarzschild–anti-de Sitter",
     {"-(1-2*M/r-Λ*r^2/3)", "0", "0", "1/(1-2*M/r-Λ*r^2/3)", "r^2", "r^2*sin(θ)^2"},
     0,
     0,
     -1e-2,
     roots_of([](double r) { return 1 - 2 / r + 1e-2 * r * r / 3; }, 0.5, 10).front(),
     0,
     {3},
     {3},
     kepler_from(4, 30),
     Row::round_shadow},
    {"Reissner–Nordström–de Sitter",
     {"-(1-2*M/r+Q^2/r^2-Λ*r^2/3)", "0", "0", "1/(1-2*M/r+Q^2/r^2-Λ*r^2/3)", "r^2", "r^2*sin(θ)^2"},
     0,
     0.5,
     1e-4,
     roots_of(rnds_f, 1, 10).back(),
     roots_of(rnds_f, 10, 1000).front(),
     {(3 + std::sqrt(7.0)) / 2},
     {(3 + std::sqrt(7.0)) / 2},
     kepler_from(4, 30),
     Row::round_shadow},
    {"Garfinkle–Horowitz–Strominger dilaton",
     {"-(1-2*M/r)", "0", "0", "1/(1-2*M/r)", "r*(r-Q^2/M)", "r*(r-Q^2/M)*sin(θ)^2"},
     0,
     0.8,
     0,
     2,
     0,
     {gmghs_photon},
     {gmghs_photon},
     kepler_from(4, 30),
     Row::round_shadow},
    {"Hayward",
     {"-(1-2*M*r^2/(r^3+2*M*Q^2))", "0", "0", "1/(1-2*M*r^2/(r^3+2*M*Q^2))", "r^2", "r^2*sin(θ)^2"},
     0,
     0.5,
     0,
     roots_of(hayward_f, 0.5, 10).back(),
     0,
     {photon_sphere_of(hayward_f, 1.5, 10)},
     {photon_sphere_of(hayward_f, 1.5, 10)},
     kepler_from(3.5, 30),
     Row::round_shadow},
    {"Bardeen",
     {"-(1-2*M*r^2/(r^2+Q^2)^(3/2))", "0", "0", "1/(1-2*M*r^2/(r^2+Q^2)^(3/2))", "r^2",
      "r^2*sin(θ)^2"},
     0,
     0.5,
     0,
     roots_of(bardeen_f, 0.5, 10).back(),
     0,
     {photon_sphere_of(bardeen_f, 1.5, 10)},
     {photon_sphere_of(bardeen_f, 1.5, 10)},
     kepler_from(3.5, 30),
     Row::round_shadow},
    {"Janis–Newman–Winicour, γ = 0.6",
     {"-(1-2*M/(0.6*r))^0.6", "0", "0", "(1-2*M/(0.6*r))^(-0.6)", "(1-2*M/(0.6*r))^0.4*r^2",
      "(1-2*M/(0.6*r))^0.4*r^2*sin(θ)^2"},
     0,
     0,
     0,
     0,
     0,
     {11.0 / 3},
     {11.0 / 3},
     closed(10.0 / 3 * (2.8 + std::sqrt(0.8)) / 2),
     Row::round_shadow,
     true},
    // Light circles the throat too, where its potential is least: both
    // sides of it are alike. The chart ends at the throat, where rays end
    // unresolved: the shadow is that of the outer photon orbit.
    {"Morris–Thorne, Φ = −2M/r, b = M",
     {"-exp(-4*M/r)", "0", "0", "1/(1-M/r)", "r^2", "r^2*sin(θ)^2"},
     0,
     0,
     0,
     0,
     0,
     {1, 2},
     {1, 2},
     closed(4),
     Row::round_shadow,
     true},
    {"Kerr, a = 0.998 typed",
     {"-(1-2*M*r/(r^2+0.998^2*cos(θ)^2))", "0", "-2*M*0.998*r*sin(θ)^2/(r^2+0.998^2*cos(θ)^2)",
      "(r^2+0.998^2*cos(θ)^2)/(r^2-2*M*r+0.998^2)", "r^2+0.998^2*cos(θ)^2",
      "(r^2+0.998^2+2*M*0.998^2*r*sin(θ)^2/(r^2+0.998^2*cos(θ)^2))*sin(θ)^2"},
     0,
     0,
     0,
     1 + std::sqrt(1 - 0.998 * 0.998),
     0,
     {kerr_photon_orbit(0.998, 1)},
     {kerr_photon_orbit(0.998, -1)},
     closed(kerr_isco(0.998)),
     Row::shadow},
    {"Kerr–Newman",
     {"-(1-(2*M*r-Q^2)/(r^2+a^2*cos(θ)^2))", "0", "-a*sin(θ)^2*(2*M*r-Q^2)/(r^2+a^2*cos(θ)^2)",
      "(r^2+a^2*cos(θ)^2)/(r^2-2*M*r+a^2+Q^2)", "r^2+a^2*cos(θ)^2",
      "(r^2+a^2+a^2*sin(θ)^2*(2*M*r-Q^2)/(r^2+a^2*cos(θ)^2))*sin(θ)^2"},
     0.5,
     0.5,
     0,
     1 + std::sqrt(0.5),
     0,
     {kn_photon(1)},
     {kn_photon(-1)},
     kepler_from(2.3, 30),
     Row::shadow},
    {"Kerr–de Sitter",
     {kerr_de_sitter[0], kerr_de_sitter[1], kerr_de_sitter[2], kerr_de_sitter[3], kerr_de_sitter[4],
      kerr_de_sitter[5]},
     0.9,
     0,
     1e-4,
     roots_of(kds_Δ, 1, 10).back(),
     roots_of(kds_Δ, 10, 1000).front(),
     {roots_of(kds_photon_condition, 1.2, 10).front()},
     {roots_of(kds_photon_condition, 1.2, 10).back()},
     kepler_from(1.7, 30),
     Row::shadow},
};

SceneSettings settings_of(Row const &row)
{
    SceneSettings s = SceneSettings::of_preset(schwarzschild);
    int const component[6] = {0, 1, 3, 5, 10, 15};
    for (int i = 0; i < 6; ++i)
        s.metric[component[i]] = QString::fromUtf8(row.g[i]);
    s.metric[4] = s.metric[1];
    s.metric[12] = s.metric[3];
    s.M = 1, s.a = row.a, s.Q = row.Q, s.Λ = row.Λ;
    s.r = row.observer_r, s.θ = 90, s.v = 0;
    s.accurate = true;
    bool const round = row.centre == Row::round_shadow;
    s.width = round ? 160 : 40, s.height = round ? (row.middle_row_only ? 1 : 120) : 30;
    return s;
}

bool near(double found, double want, double relative)
{
    return std::fabs(found - want) <= relative * std::fabs(want);
}

// Black pixels of the middle row around the centre, half their run: the
// image-plane radius ρ = tan(ψ/2) of a shadow seen at angle ψ from the
// centre, in pixels of z/w.
double shadow_radius_in_pixels(MyImage const &frame)
{
    int const y = frame.height() / 2, x = frame.width() / 2;
    int left = x, right = x;
    while (left > 0 && frame.read(left - 1, y) == 0xff000000u)
        --left;
    while (right + 1 < frame.width() && frame.read(right + 1, y) == 0xff000000u)
        ++right;
    return frame.read(x, y) == 0xff000000u ? 0.5 * (right - left + 1) : 0.0;
}

// sin ψ = b_c / b(r_o) with b = √(g_φφ / −g_tt) on the equator, for an
// observer at rest: the angular radius of the shadow in any radial chart.
double predicted_shadow_in_pixels(Metric const &m, double photon_r, double observer_r, double z,
                                  int w)
{
    auto b = [&m](double r) {
        f_vec const x = at(r, π / 2);
        return std::sqrt(m.g(3, 3, x) / -m.g(0, 0, x));
    };
    double const ψ = std::asin(b(photon_r) / b(observer_r));
    return std::tan(ψ / 2) * w / z;
}

TEST(LiteratureMetrics, HorizonsPhotonOrbitsStableOrbitAndShadowMatchTheClosedForms)
{
    for (Row const &row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene = build_scene(settings_of(row));
        ASSERT_TRUE(scene.fault.message.isEmpty()) << scene.fault.message.toStdString();
        Metric const &m = scene.metric;
        Horizons const &h = scene.horizons;
        EXPECT_TRUE(near(h.event(), row.event, 1e-5)) << h.event() << " for " << row.event;
        EXPECT_TRUE(near(h.h_cosmo, row.cosmological, 1e-5)) << h.h_cosmo;
        for (auto [n, want] : {std::pair{1, &row.right}, {-1, &row.left}}) {
            std::vector<double> const found = photon_orbits(m, h, n);
            ASSERT_EQ(found.size(), want->size())
                << n << ": first " << (found.empty() ? 0 : found[0]);
            for (std::size_t i = 0; i < found.size(); ++i)
                EXPECT_TRUE(near(found[i], (*want)[i], 1e-7)) << n << ": " << found[i];
        }
        double const isco = row.isco(m);
        EXPECT_TRUE(near(lim_stab_orb(m, h, 1), isco, 1e-4))
            << lim_stab_orb(m, h, 1) << " for " << isco;

        scene.b_gnd = solid_image(64, 32, 0xffffffffu);
        RenderControl control;
        MyImage frame;
        double const z = π / 2 / scene.zoom;
        render_frame(scene, starting_observer(m, scene.start_r, 90, 0), z, frame, scene.width,
                     scene.height, control, {}, 2);
        EXPECT_EQ(control.untraced, 0);
        double const shadow = shadow_radius_in_pixels(frame);
        EXPECT_GT(shadow, 2) << "a shadow in the middle of the frame";
        if (row.centre == Row::round_shadow) {
            EXPECT_NEAR(
                shadow,
                predicted_shadow_in_pixels(m, row.right.back(), row.observer_r, z, scene.width),
                1.0);
        }
    }
}

// A metric is refused where it is no spacetime, with the reason and the
// point; the one that is one there is not.
TEST(LiteratureMetrics, WhatIsNoSpacetimeIsRefusedWithItsReasonAndPoint)
{
    struct Case {
        const char *tt, *rr, *θθ;
        double r;
        const char *message;
    };
    for (auto const &[tt, rr, θθ, r, message] : {
             Case{"0", "1", "r^2", 2, "g is not Lorentzian at r = 2, θ = 90°: det g = 0"},
             {"(r-r)/(r-r)", "1", "r^2", 2, "g is not Lorentzian at r = 2, θ = 90°: det g = 16"},
             {"-1/(r-2)", "1", "r^2", 2, "g_tt is not finite at r = 2, θ = 90°: g_tt = -inf"},
             {"-1", "-1", "-r^2", 2,
              "g is not Lorentzian at r = 2, θ = 90°: 3 negative eigenvalues, not one"},
             {"-(1-2*M/r)", "1/(1-2*M/r)", "r^2", 1,
              "no observer can stand at r = 1, θ = 90°: the 4-velocity of the non-rotating frame "
              "is not timelike (g(u, u) = 1)"},
             {"-(1-2*M/r)", "1/(1-2*M/r)", "r^2", 30, ""},
         }) {
        Metric const m = diagonal_metric(tt, rr, 0, θθ);
        EXPECT_EQ(spacetime_fault(m, at(r, π / 2)).message.toStdString(), message) << tt;
    }
}

// A wall in time at |t| = 53, where g_tt turns to ∞/∞: the rays that have not
// fallen in by then come back magenta and counted, and only those.
TEST(LiteratureMetrics, RaysThroughWhatIsNotFiniteAreCountedAndDrawnApart)
{
    const char *const wall = "((t/(4*5))^(9*9*9+1)+1)/((t/(4*5))^(9*9*9+1)+2)";
    for (double M : {1.0, 0.0}) {
        SceneSettings s = SceneSettings::of_preset(schwarzschild);
        s.metric[0] = QStringLiteral("-(1-2*M/r)*") + wall;
        s.M = M, s.r = 15, s.θ = 90, s.v = 0;
        s.width = 15, s.height = 11; // no ray straight through the centre
        Scene const scene = build_scene(s);
        RenderControl control;
        MyImage frame;
        render_frame(scene, starting_observer(scene.metric, 15, 90, 0), π / 4, frame, 15, 11,
                     control, {}, 2);
        int magenta = 0;
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 15; ++x)
                magenta += frame.read(x, y) == untraced_colour;
        EXPECT_EQ(control.untraced, magenta);
        if (M > 0)
            EXPECT_TRUE(magenta > 0 && frame.read(7, 5) == 0xff000000u) << "the shadow is traced";
        else
            EXPECT_EQ(magenta, 15 * 11);
    }
}

} // namespace
