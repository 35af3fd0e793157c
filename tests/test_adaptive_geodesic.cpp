// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/adaptive_geodesic.h"

#include "expr/tensor_3.h"
#include "physics/rungekuta.h"
#include "tests/support/kerr_photons.h"
#include "tests/support/thread_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

// An accuracy as the window reads it, in single precision.
double setting(double accuracy)
{
    return double(float(accuracy));
}

constexpr TraceOptions accurate{true, nullptr};

f_vec cartesian(double θ, double φ)
{
    return {{0, std::sin(θ) * std::cos(φ), std::sin(θ) * std::sin(φ), std::cos(θ)}};
}

double angle_between(f_vec const &a, f_vec const &b)
{
    return std::acos(std::fmin(1.0, a * b));
}

// The Kerr shadow pixel by pixel against Carter's classifier. The accurate
// integration over the range of settings: a wrong pixel lies within half a
// pixel of the analytic edge, and no ray takes more than 20 ms of processor
// time (the attempt budget bounds a ray to 7000 attempts of about 1.3 µs;
// rays here take at most some 400). The ordinary integration, first order,
// draws the shadow too large: its wrong pixels are dark and lie within a
// pixel of the edge.
TEST(Integration, KerrShadowMatchesTheCarterClassifier)
{
    KerrView const view(32);
    std::vector<char> truth;
    for (int i = 0; i < view.n * view.n; ++i)
        truth.push_back(view.dark(i % view.n, i / view.n));
    // 0.005 and finer share the tolerance floor of 0.01.
    for (auto [accuracy, whole_state] :
         {std::pair{0.1, true}, {0.05, true}, {0.02, true}, {0.01, true}, {0.02, false}}) {
        SCOPED_TRACE(testing::Message() << accuracy << (whole_state ? " accurate" : " ordinary"));
        double slowest = 0;
        for (int i = 0; i < view.n * view.n; ++i) {
            int const column = i % view.n, row = i / view.n;
            f_vec x;
            double const start = thread_seconds();
            end const e = view.trace(column, row, setting(accuracy), whole_state, x);
            slowest = std::fmax(slowest, thread_seconds() - start);
            bool const dark = std::abs(e.reason()) != 1;
            if (dark == bool(truth[i]))
                continue;
            EXPECT_TRUE(whole_state ? view.near_edge(column, row, 0.5)
                                    : dark && view.near_edge(column, row, 1.0))
                << column << ", " << row;
        }
        EXPECT_TRUE(!whole_state || slowest < 0.02) << slowest;
    }
}

// Frames as the program draws them, one ray at a time and in every packet
// width this processor has, against the closed forms: no wrong pixel farther
// than a pixel from the shadow's edge.
void expect_frames_match(KerrView const &view, std::vector<std::pair<double, bool>> const &runs)
{
    std::vector<char> const truth = view.truth();
    for (auto [accuracy, whole_state] : runs)
        for (SimdPath path : {SimdPath::off, SimdPath::avx2, SimdPath::avx512})
            if (processor_runs(path)) {
                EXPECT_EQ(view.wrong_pixels(view.dark_frame(setting(accuracy), whole_state, path),
                                            truth, 1.0),
                          0)
                    << "θ " << view.θ << ", Λ " << view.Λ << ", accuracy " << accuracy
                    << (whole_state ? " accurate" : " default") << ", path " << int(path);
            }
}

// Light that leaves through the cosmological horizon shows the sky: a static
// observer at r = 30 between the horizons (172 and 2), out to 77° from the
// hole, in both integrations.
TEST(Integration, DeSitterSkiesShowUpToTheShadowsEdge)
{
    for (KerrView const &view :
         {KerrView{.n = 31, .a = 0, .Λ = 1e-4, .r = 30, .θ = 90, .half_field = 0.8},
          KerrView{.n = 31, .Λ = 1e-4, .r = 30, .half_field = 0.8}})
        expect_frames_match(view, {{0.02, false}, {0.02, true}});
}

// Seen from rest in the non-rotating frame, the middle column's rays have no
// angular momentum and pass exactly through the polar axis, above the hole,
// beside it and face-on.
TEST(Integration, KerrShadowSeenFromRestAcrossTheAxisMatchesTheCarterClassifier)
{
    for (double θ : {80.0, 10.0, 0.0})
        expect_frames_match(KerrView{.n = 21, .θ = θ}, {{0.1, true}, {0.02, true}, {0.005, true}});
}

// Schwarzschild's orbit equation d²u/dφ² = 3u² − u (M = 1) for u = 1/r,
// as a first-order system in (u, du/dφ).
f_vec orbit_equation(f_vec y, tensor_3 &)
{
    return {{y[1], 3 * y[0] * y[0] - y[0], 0, 0}};
}

// The angle a ray from r0 with impact parameter b sweeps in its plane until
// it leaves r = 1000, by small steps of the orbit equation (the classic
// fourth-order step, checked on its own against its Taylor series); NaN when
// it falls in.
double swept_angle(double r0, double b, bool inwards)
{
    double const u0 = 1 / r0, u_end = 1e-3, dφ = 1e-4;
    f_vec y{{u0,
             (inwards ? 1 : -1) * std::sqrt(std::fmax(0.0, 1 / (b * b) - u0 * u0 * (1 - 2 * u0))),
             0, 0}};
    tensor_3 unused{};
    for (double φ = 0; y[0] < 0.5; φ += dφ) {
        f_vec const next = rungekuta(orbit_equation, y, unused, dφ);
        if (next[0] <= u_end && next[1] < 0)
            return φ + dφ * (y[0] - u_end) / (y[0] - next[0]);
        y = next;
    }
    return NAN;
}

// Every escaping pixel of a static observer at r = 20, θ = 60°, over a field
// of ±0.6 that reaches past the photon ring: the end point at r = 1000 lies
// in the ray's plane at the angle the orbit equation sweeps from the
// observer's direction, to 10⁻⁶ rad at the default accuracy (some 2·10⁻⁷ is
// reached) and less at finer ones.
TEST(Integration, SchwarzschildLensingFollowsTheOrbitEquation)
{
    Metric const m = preset(schwarzschild);
    Horizons const h = find_horizons(m, false, 20);
    f_vec const x0 = at(20, π / 3), u0 = f_tet(m, four_vt(0), x0);
    f_vec const e_r = cartesian(x0[2], 0), e_θ = cartesian(x0[2] + π / 2, 0), e_φ{{0, 0, 1, 0}};
    constexpr int n = 16;
    constexpr double pixel = 1.2 / n;
    for (auto [accuracy, tolerance] : {std::pair{0.02, 1e-6}, {0.005, 2e-7}}) {
        double const precise = setting(accuracy);
        double worst = 0;
        for (int i = 0; i < n * n; ++i) {
            f_vec const p =
                aberace(m, -0.6 + (i % n + 0.5) * pixel, -0.6 + (i / n + 0.5) * pixel, u0, x0);
            f_vec const w = t_tet(m, p, x0);
            double const tangential = std::hypot(w[2], w[3]);
            double const sin_ψ = tangential / std::hypot(w[1], tangential);
            double const φ_end = swept_angle(20, 20 * sin_ψ / std::sqrt(1 - 2 / 20.0), w[1] < 0);
            end e(capture_radius(h, precise), 15);
            f_vec x = x0, k = p;
            geodetika(m, x, k, e, precise, nullptr, accurate);
            ASSERT_EQ(e.reason(), std::isnan(φ_end) ? 2 : 1) << i;
            if (std::isnan(φ_end))
                continue;
            EXPECT_NEAR(x[1], 1000, 1e-6);
            f_vec const t = (e_θ * w[2] + e_φ * w[3]) / tangential;
            f_vec const want = e_r * std::cos(φ_end) + t * std::sin(φ_end);
            worst = std::fmax(worst, angle_between(want, cartesian(x[2], x[3])));
        }
        EXPECT_LT(worst, tolerance) << accuracy;
    }
}

// Along escaping Kerr rays, two of them passing within 0.1° of the pole: E,
// L_z and Q stay put and the direction stays null, each to 10⁻⁵ of itself at
// the default accuracy, or of E and E² (M = 1) where L_z or Q is smaller:
// at the end of the ray as the ray colour traces it, and at every point of
// the same ray traced as a stored path. At finer accuracies the drift falls
// to some 10⁻⁸ in L_z with the fused program's exact derivatives, and stays
// near 10⁻⁶ with the byte code's difference quotients.
TEST(Integration, KerrRaysKeepTheirConstantsOfMotion)
{
    KerrView const view(32);
    double const a = view.a, precise = setting(0.02);
    for (auto [column, row] : {std::pair{15.52, 3.0},
                               {15.52, 28.0},
                               {15.5, 3.0},
                               {15.5, 28.0},
                               {2.0, 16.0},
                               {29.0, 9.0}}) {
        SCOPED_TRACE(testing::Message() << column << ", " << row);
        Constants const c0 = constants(a, view.x, view.launch(column, row));
        auto drift = [&](f_vec const &x, f_vec const &p) {
            Constants const c = constants(a, x, p);
            double const E = std::fabs(c0.E);
            return std::max(
                {std::fabs(c.E - c0.E) / E, std::fabs(c.L - c0.L) / std::fmax(std::fabs(c0.L), E),
                 std::fabs(c.Q - c0.Q) / std::fmax(std::fabs(c0.Q), E * E), std::fabs(c.null)});
        };
        end e(capture_radius(view.horizons, precise), 15);
        f_vec x = view.x, p = view.launch(column, row);
        geodetika(view.metric, x, p, e, precise, nullptr, accurate);
        ASSERT_EQ(e.reason(), 1);
        EXPECT_LT(drift(x, p), 1e-5);
        geo g;
        ASSERT_EQ(view.trace(column, row, precise, true, x, &g).reason(), 1);
        double worst = 0;
        for (int i = 0; i < g.getCount(); ++i)
            worst = std::fmax(worst, drift(g.getX(i), g.getV(i)));
        EXPECT_LT(worst, 1e-5);
    }
}

// A step that touched the capture radius ends there as captured, however
// wild the connection inside (here a kick outwards of 10⁸); a region without
// finite values, or one where g(u, u) jumps, loses the ray; a ray that never
// ends stops at the budget. Flat space outside r = 2, a photon heading
// straight in from r = 10.
struct Wild final : Spacetime {
    enum Kind { kick_inside, nan_inside, norm_jump_inside } kind;
    explicit Wild(Kind k) : kind(k) {}
    f_vec acceleration(f_vec const &x, f_vec const &) const override
    {
        if (x[1] > 2)
            return {};
        return {{kind == nan_inside ? NAN : 0, kind == kick_inside ? 1e8 : 0, 0, 0}};
    }
    Norm norm(f_vec const &x, f_vec const &) const override
    {
        return {kind == norm_jump_inside && x[1] <= 2 ? 1.0 : 0.0, 1.0};
    }
};

TEST(AdaptiveGeodesic, EndsAtTheCaptureRadiusOrLosesTheRayWithinItsBudget)
{
    struct Case {
        Wild::Kind kind;
        double r_capture;
        f_vec u;
        long long budget;
        StepEnd fate;
    };
    f_vec const inwards{{1, -1, 0, 0}}, at_rest{{1, 0, 0, 0}};
    for (auto [kind, r_capture, u0, budget, fate] :
         {Case{Wild::kick_inside, 2.0, inwards, 500, StepEnd::captured},
          {Wild::nan_inside, 1.0, inwards, 500, StepEnd::lost},
          {Wild::norm_jump_inside, 1.0, inwards, 500, StepEnd::lost},
          {Wild::kick_inside, 2.5, inwards, 500, StepEnd::captured},
          {Wild::kick_inside, 2.0, at_rest, 50, StepEnd::lost}}) {
        SCOPED_TRACE(testing::Message() << kind << " " << r_capture << " " << budget);
        Wild const space(kind);
        AdaptiveGeodesic ray(space, {1e-6, r_capture, budget});
        f_vec x = at(10, π / 2), u = u0;
        StepEnd last;
        int taken = 0;
        double farthest = 0;
        while ((last = ray.advance(x, u)) == StepEnd::taken && x[1] > r_capture) {
            ++taken;
            farthest = std::fmax(farthest, x[1]);
        }
        if (last == StepEnd::taken)
            last = StepEnd::captured; // a taken step ending inside: the end test captures it
        EXPECT_EQ(last, fate);
        EXPECT_LE(farthest, 10 + 1e-9) << "nothing is thrown back out";
        EXPECT_TRUE(fate == StepEnd::lost || x[1] <= r_capture) << x[1];
        // Only the photon at rest spends its budget, every attempt a step.
        EXPECT_EQ(ray.attempts() == budget, u0[1] == 0) << ray.attempts();
        EXPECT_TRUE(u0[1] != 0 || taken == budget) << taken;
    }
}

// A ray circling at r = 10 in flat coordinates meets, at φ = 5, a radial
// push 10⁻⁴(1 + tanh((φ − 5)/0.3)); by φ = 10 its radial speed is 10⁻³
// times the integral of that bracket over φ (u^φ = 0.1). The steps, grown
// five times a step on the free stretch, straddle the switch with an error
// far beyond the tolerance: refused and retried shorter, the speed comes out
// within five tolerances, finer at a finer one. Taken as it is, the long
// step leaves an error of 10⁻⁴ at any tolerance.
struct RampedPush final : Spacetime {
    f_vec acceleration(f_vec const &x, f_vec const &) const override
    {
        return {{0, 1e-4 * (1 + std::tanh((x[3] - 5) / 0.3)), 0, 0}};
    }
    Norm norm(f_vec const &, f_vec const &) const override { return {0, 1}; }
};

TEST(AdaptiveGeodesic, StepsWhoseErrorExceedsTheToleranceAreRefused)
{
    auto bracket = [](double φ) { return φ + 0.3 * std::log(std::cosh((φ - 5) / 0.3)); };
    double const exact = 1e-3 * (bracket(10) - bracket(0));
    for (double tolerance : {1e-6, 1e-8}) {
        RampedPush const space;
        AdaptiveGeodesic ray(space, {tolerance, 1, 100000});
        f_vec x = at(10, π / 2), u{{1, 0, 0, 0.1}};
        long long taken = 0;
        while (x[3] < 10 && ray.advance(x, u) == StepEnd::taken)
            ++taken;
        double const at_10 = u[1] - (x[3] - 10) / u[3] * 2e-4; // the push is constant there
        EXPECT_NEAR(at_10, exact, 5 * tolerance) << tolerance;
        EXPECT_GT(ray.attempts(), taken) << tolerance;
    }
}

// A straight line of flat space from (r, θ) = (20, 0.5) towards −x and −z
// passes over the north pole, meets the equatorial plane at
// r = 20·(cos 0.5 − sin 0.5) and leaves r = 1000 where the line does. Past
// the axis the ray carries φ + π and θ back in range, so the crossing is found
// where the disk lies, and the angle travelled is 0.5 up to the pole plus θ
// at the end. The accurate integration puts both points on the line, from
// its step's continuous extension; the ordinary one, first order in the
// position, to within a few percent.
TEST(Integration, ADiskCrossingBehindThePoleAndTheEscapeLieOnTheLine)
{
    Metric const m = preset(flat);
    double const θ0 = 0.5, r_cross = 20 * (std::cos(θ0) - std::sin(θ0));
    // start + s·d on r = 1000, d = −(1, 0, 1)/√2
    double const x0 = 20 * std::sin(θ0), z0 = 20 * std::cos(θ0), half = -(x0 + z0) / std::sqrt(2.0);
    double const s = -half + std::sqrt(half * half - (400 - 1e6));
    f_vec const escape{{0, (x0 - s / std::sqrt(2.0)) / 1000, 0, (z0 - s / std::sqrt(2.0)) / 1000}};
    for (bool whole_state : {false, true}) {
        SCOPED_TRACE(whole_state ? "accurate" : "ordinary");
        // (−1, 0, −1) split along e_r and e_θ at the start
        f_vec x = at(20, θ0), u{{std::sqrt(2.0), -std::sin(θ0) - std::cos(θ0),
                                 (std::sin(θ0) - std::cos(θ0)) / 20, 0}};
        end disk(2.0, 15);
        disk.set_kepler(6, 10);
        geodetika(m, x, u, disk, setting(0.02), nullptr, {whole_state, nullptr});
        EXPECT_EQ(disk.reason(), -1);
        ASSERT_EQ(disk.kkp(), 1);
        EXPECT_NEAR(disk.k_loc(0).first, r_cross, (whole_state ? 1e-6 : 0.02) * r_cross);
        EXPECT_NEAR(std::cos(disk.k_loc(0).second), -1, 1e-3);
        EXPECT_NEAR(x[1], 1000, whole_state ? 1e-6 : 1);
        EXPECT_LT(angle_between(escape, cartesian(x[2], x[3])), whole_state ? 1e-6 : 0.03);
        EXPECT_NEAR(disk.angular_path(), θ0 + x[2], 0.01) << "all but the first step";
    }
}

} // namespace
