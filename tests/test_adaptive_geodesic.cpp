#include "physics/adaptive_geodesic.h"

#include "tests/support/kerr_photons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

namespace
{

// Processor time of this thread: a shared machine's wall clock says little.
double thread_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

struct Traced {
    bool dark;
    double seconds;
};

Traced trace_pixel(KerrView const &view, int column, int row, double precise, bool whole_state)
{
    f_vec x;
    double const start = thread_seconds();
    end const e = view.trace(column, row, precise, whole_state, x);
    return {std::abs(e.reason()) != 1, thread_seconds() - start};
}

// An accuracy as the window reads it, in single precision.
double setting(double accuracy)
{
    return double(float(accuracy));
}

constexpr TraceOptions accurate{true, nullptr};

// The Kerr shadow pixel by pixel against Carter's classifier. The accurate
// integration at every accuracy the settings offer: a wrong pixel lies within
// half a pixel of the analytic edge, and no ray takes more than 20 ms of
// processor time (the attempt budget bounds a ray to 7000 attempts of about
// 1.3 µs; rays here take at most some 400). The ordinary integration,
// first order, draws the shadow too large: its wrong pixels are dark and lie
// within a pixel of the edge.
TEST(Integration, KerrShadowMatchesTheCarterClassifier)
{
    KerrView const view(32);
    std::vector<char> truth(view.n * view.n);
    for (int row = 0; row < view.n; ++row)
        for (int column = 0; column < view.n; ++column)
            truth[row * view.n + column] = view.dark(column, row);
    struct Setting {
        double accuracy;
        bool whole_state;
    };
    // 0.005 and 0.002 share the tolerance floor of 0.01.
    for (auto [accuracy, whole_state] : {Setting{0.1, true},
                                         {0.05, true},
                                         {0.025, true},
                                         {0.02, true},
                                         {0.015, true},
                                         {0.01, true},
                                         {0.02, false}}) {
        SCOPED_TRACE(testing::Message() << accuracy << (whole_state ? " accurate" : " ordinary"));
        double slowest = 0;
        for (int row = 0; row < view.n; ++row)
            for (int column = 0; column < view.n; ++column) {
                Traced const t = trace_pixel(view, column, row, setting(accuracy), whole_state);
                slowest = std::fmax(slowest, t.seconds);
                if (t.dark == bool(truth[row * view.n + column]))
                    continue;
                bool const allowed = whole_state ? view.near_edge(column, row, 0.5)
                                                 : t.dark && view.near_edge(column, row, 1.0);
                EXPECT_TRUE(allowed) << column << ", " << row;
            }
        EXPECT_TRUE(!whole_state || slowest < 0.02) << slowest;
    }
}

// Schwarzschild lensing from the orbit equation d²u/dφ² = 3u² − u (M = 1),
// integrated in the ray's plane by small fourth-order steps to u = 1/1000:
// the angle φ_end it sweeps to the escape radius. The end point lies at that
// angle from the observer's direction, towards the ray's tangential
// direction; null when the ray falls in.
struct PlaneRay {
    double r0, b;
    bool inwards;
};

double swept_angle(PlaneRay const &ray)
{
    double u = 1 / ray.r0;
    double w = (ray.inwards ? 1 : -1) *
               std::sqrt(std::fmax(0.0, 1 / (ray.b * ray.b) - u * u * (1 - 2 * u)));
    double φ = 0;
    constexpr double dφ = 1e-4;
    auto f = [](double u) { return 3 * u * u - u; };
    while (u > 1e-3 || w > 0) {
        if (u >= 0.5)
            return NAN;
        double const k1u = w, k1w = f(u);
        double const k2u = w + 0.5 * dφ * k1w, k2w = f(u + 0.5 * dφ * k1u);
        double const k3u = w + 0.5 * dφ * k2w, k3w = f(u + 0.5 * dφ * k2u);
        double const k4u = w + dφ * k3w, k4w = f(u + dφ * k3u);
        double const u1 = u + dφ / 6 * (k1u + 2 * k2u + 2 * k3u + k4u);
        double const w1 = w + dφ / 6 * (k1w + 2 * k2w + 2 * k3w + k4w);
        if (u1 <= 1e-3 && w1 < 0)
            return φ + dφ * (u - 1e-3) / (u - u1);
        u = u1;
        w = w1;
        φ += dφ;
    }
    return φ;
}

f_vec cartesian(double θ, double φ)
{
    return {{0, std::sin(θ) * std::cos(φ), std::sin(θ) * std::sin(φ), std::cos(θ)}};
}

// Every escaping pixel of a static observer at r = 20, θ = 60°, over a field
// of ±0.6 that reaches past the photon ring: the end point at r = 1000 agrees
// with the orbit equation's to a small fraction of the pixel.
TEST(Integration, SchwarzschildLensingFollowsTheOrbitEquation)
{
    Metric const m = preset(schwarzschild);
    Horizons const h = find_horizons(m, false, 20);
    f_vec const x0 = at(20, π / 3);
    f_vec const u0 = f_tet(m, four_vt(0), x0);
    f_vec const e_r = cartesian(x0[2], 0), e_θ = cartesian(x0[2] + π / 2, 0);
    f_vec const e_φ{{0, 0, 1, 0}};
    constexpr int n = 16;
    constexpr double half_field = 0.6;
    for (double accuracy : {0.02, 0.005}) {
        double const precise = setting(accuracy);
        double worst = 0;
        for (int row = 0; row < n; ++row)
            for (int column = 0; column < n; ++column) {
                f_vec const p = aberace(m, -half_field + (column + 0.5) * 2 * half_field / n,
                                        -half_field + (row + 0.5) * 2 * half_field / n, u0, x0);
                f_vec const w = t_tet(m, p, x0);
                double const tangential = std::hypot(w[2], w[3]);
                double const sin_ψ = tangential / std::hypot(w[1], tangential);
                PlaneRay const ray{20, 20 * sin_ψ / std::sqrt(1 - 2 / 20.0), w[1] < 0};
                double const φ_end = swept_angle(ray);
                end e(capture_radius(h, precise), 15);
                f_vec x = x0, k = p;
                geodetika(m, x, k, e, precise, nullptr, accurate);
                if (std::isnan(φ_end)) {
                    EXPECT_EQ(e.reason(), 2) << column << ", " << row;
                    continue;
                }
                ASSERT_EQ(e.reason(), 1) << column << ", " << row;
                EXPECT_NEAR(x[1], 1000, 1e-6);
                f_vec const t = (e_θ * w[2] + e_φ * w[3]) / tangential;
                f_vec const want = e_r * std::cos(φ_end) + t * std::sin(φ_end);
                f_vec const got = cartesian(x[2], x[3]);
                worst = std::fmax(worst, std::acos(std::fmin(1.0, want * got)));
            }
        EXPECT_LT(worst, accuracy == 0.02 ? 1e-4 : 1e-6) << accuracy;
    }
}

// Along escaping Kerr rays, two of them passing within 0.1° of the pole: E,
// L_z and Q stay put and the direction stays null, each to 10⁻⁵ of itself at
// the default accuracy, or of E and E² (M = 1) where L_z or Q is smaller:
// at the ray's end, and at every point of the same ray traced as a stored
// path. What remains at finer accuracies, some 10⁻⁶ in L_z, is the
// connection's difference quotients.
TEST(Integration, KerrRaysKeepTheirConstantsOfMotion)
{
    KerrView const view(32);
    double const a = KerrView::a, precise = setting(0.02);
    for (auto [column, row] : {std::pair{15.52, 3.0}, {15.52, 28.0}, {2.0, 16.0}, {29.0, 9.0}}) {
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
        f_vec x_end;
        ASSERT_EQ(view.trace(column, row, precise, true, x_end, &g).reason(), 1);
        double worst = 0, least_sin = 1;
        for (int i = 0; i < g.getCount(); ++i) {
            worst = std::fmax(worst, drift(g.getX(i), g.getV(i)));
            least_sin = std::fmin(least_sin, std::sin(g.getX(i)[2]));
        }
        EXPECT_LT(worst, 1e-5) << "closest to the axis " << least_sin;
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
        if (kind == nan_inside)
            return {{NAN, NAN, NAN, NAN}};
        return {{0, kind == kick_inside ? 1e8 : 0, 0, 0}};
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
        StepEnd fate;
    };
    for (auto [kind, r_capture, fate] : {Case{Wild::kick_inside, 2.0, StepEnd::captured},
                                         {Wild::nan_inside, 1.0, StepEnd::lost},
                                         {Wild::norm_jump_inside, 1.0, StepEnd::lost},
                                         {Wild::kick_inside, 2.5, StepEnd::captured}}) {
        SCOPED_TRACE(testing::Message() << kind << " " << r_capture);
        Wild const space(kind);
        AdaptiveGeodesic ray(space, {1e-6, r_capture, 500});
        f_vec x = at(10, π / 2), u{{1, -1, 0, 0}};
        StepEnd last = StepEnd::taken;
        double farthest = 0;
        while (last == StepEnd::taken && x[1] > r_capture) {
            last = ray.advance(x, u);
            farthest = std::fmax(farthest, x[1]);
        }
        if (last == StepEnd::taken)
            last = StepEnd::captured; // a taken step ending inside: the end test captures it
        EXPECT_EQ(last, fate);
        EXPECT_LE(farthest, 10 + 1e-9) << "nothing is thrown back out";
        EXPECT_LT(ray.attempts(), 500);
        EXPECT_TRUE(fate == StepEnd::lost || x[1] <= r_capture) << x[1];
    }
    Wild const flat(Wild::kick_inside);
    AdaptiveGeodesic at_rest(flat, {1e-6, 2.0, 50});
    f_vec x = at(10, π / 2), u{{1, 0, 0, 0}};
    int taken = 0;
    while (at_rest.advance(x, u) == StepEnd::taken)
        ++taken;
    EXPECT_EQ(taken, 50);
    EXPECT_EQ(at_rest.attempts(), 50);
}

// The step's continuous extension puts the disk crossing and the escape
// where they are: a straight line of flat
// space from (r, θ) = (20, 0.5) towards −x and −z meets the equatorial plane
// at r = 20·(cos 0.5 − sin 0.5) and r = 1000 where the line does.
TEST(Integration, CrossingAndEscapeLieOnThePath)
{
    Metric const m = preset(flat);
    double const θ0 = 0.5, r_cross = 20 * (std::cos(θ0) - std::sin(θ0));
    f_vec x = at(20, θ0),
          u{{std::sqrt(2.0), -std::sin(θ0) - std::cos(θ0), (std::sin(θ0) - std::cos(θ0)) / 20, 0}};
    end disk(2.0, 15);
    disk.set_kepler(6, 10);
    geodetika(m, x, u, disk, setting(0.02), nullptr, accurate);
    EXPECT_EQ(disk.reason(), -1);
    ASSERT_EQ(disk.kkp(), 1);
    EXPECT_NEAR(disk.k_loc(0).first, r_cross, 1e-5 * r_cross);
    EXPECT_NEAR(x[1], 1000, 1e-6);
    // start + s·d on r = 1000, d = −(1, 0, 1)/√2
    double const x0 = 20 * std::sin(θ0), z0 = 20 * std::cos(θ0), half = -(x0 + z0) / std::sqrt(2.0);
    double const s = -half + std::sqrt(half * half - (400 - 1e6));
    f_vec const want{{0, (x0 - s / std::sqrt(2.0)) / 1000, 0, (z0 - s / std::sqrt(2.0)) / 1000}};
    EXPECT_LT(std::acos(std::fmin(1.0, want * cartesian(x[2], x[3]))), 1e-5);
}

// Fifteen turns on the photon sphere at the finest accuracy end by their
// rounds, within the budget.
TEST(Integration, TheBudgetAllowsFifteenTurnsOnThePhotonSphere)
{
    Metric const m = preset(schwarzschild);
    double const precise = setting(0.002);
    f_vec x = at(3, π / 2), u{{1, 0, 0, std::sqrt(1 / 27.0)}};
    end e(capture_radius(find_horizons(m, false, 3), precise), 15);
    geodetika(m, x, u, e, precise, nullptr, accurate);
    EXPECT_EQ(e.reason(), 3);
}

} // namespace
