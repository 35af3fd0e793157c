// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/geodesic.h"

#include "physics/frames.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

constexpr double two_pi = 6.283185307179586;

f_vec const some_u{{1, 2, 3, 4}};

end with_disk(double inner, double outer)
{
    end e(2.0, 100.0);
    e.set_kepler(inner, outer);
    return e;
}

TEST(End, CrossingIsInterpolatedAtTheEquatorAndCountsOnlyInsideTheDisk)
{
    end in = with_disk(6, 20), out = with_disk(11, 20);
    f_vec const u{{1, -0.5, 0.25, 0.125}};
    for (end *e : {&in, &out}) {
        EXPECT_TRUE(e->exit(at(10, 1.5, 0.0), u));
        EXPECT_EQ(e->angular_path(), 0.0);
        e->exit(at(12, 1.7, 0.2), u);
        EXPECT_DOUBLE_EQ(e->angular_path(), std::hypot(0.2, 0.2));
        EXPECT_NEAR(e->k_loc(0).first, 10.7080, 1e-4);
        EXPECT_NEAR(e->k_loc(0).second, π / 2 - 1.5, 1e-12);
        EXPECT_EQ(e->k_vel(0)[1], -0.5);
    }
    EXPECT_EQ(in.kkp(), 1);
    EXPECT_EQ(out.kkp(), 0);
    out.exit(at(14, 1.5), some_u);
    EXPECT_EQ(out.kkp(), 1) << "the miss was overwritten by the next crossing";
    EXPECT_NEAR(out.k_loc(0).first, 13.2920, 1e-4);
    end edge = with_disk(6, 20);
    edge.exit(at(20, 1.5), some_u);
    edge.exit(at(20, 1.625), some_u);
    EXPECT_EQ(edge.kkp(), 0) << "crossing exactly at the outer edge";
    end many = with_disk(6, 20);
    for (int i = 0; i < 6; ++i)
        many.exit(at(7 + i, i % 2 ? π - 1.5 : 1.5), some_u);
    EXPECT_EQ(many.kkp(), 3) << "at most three crossings are recorded";
    EXPECT_NEAR(many.k_loc(2).first, 9.5, 1e-12);
}

TEST(End, ReasonCodes)
{
    auto finish = [](double r, double rounds_travelled, bool through_disk) {
        end e(2.0, 1.0);
        e.set_kepler(3, 30);
        e.exit(at(10, 1.5), some_u);
        e.exit(at(10, through_disk ? 1.7 : 1.55), some_u);
        bool const going = e.exit(at(r, 1.55, rounds_travelled * two_pi), some_u);
        EXPECT_EQ(going, e.reason() == 0 && r > 2.0 && r < 1000.0) << r;
        return e.reason();
    };
    EXPECT_EQ(finish(NAN, 0.5, false), 0);
    EXPECT_EQ(finish(1000, 0.5, false), 1);
    EXPECT_EQ(finish(2.0, 0.5, false), 2);
    EXPECT_EQ(finish(1.0, 1.1, false), 3) << "too many rounds overrides falling in";
    EXPECT_EQ(finish(1000, 0.5, true), -1);
    EXPECT_EQ(finish(1.0, 1.1, true), -3);
    end exact(1.0, 1.0);
    exact.exit(at(10, 1.0, 0), some_u);
    EXPECT_FALSE(exact.exit(at(10, 1.0, two_pi), some_u)) << "reaching the limit ends";
    EXPECT_EQ(exact.reason(), 3);
}

class Geodesic : public ::testing::Test
{
  protected:
    Metric m = preset(schwarzschild);
    bool accurate = false;
    std::atomic<bool> stop{false};

    void run(f_vec &x, f_vec &u, end &e, double p, geo *g)
    {
        geodetika(m, x, u, e, p, g, {accurate, &stop});
    }

    end trace(f_vec &x, f_vec u, double rounds, double p = 0.02, geo *g = nullptr)
    {
        end e(2.0006, rounds);
        run(x, u, e, p, g);
        return e;
    }

    // A static observer at r = 30 on the equator sends a ray inwards at the
    // angle whose impact parameter is `b`, its tangential part turned towards
    // a pole (`pole` = +1 north, −1 south) with a sideways share `sideways`;
    // the ray's fate and the number of steps it took.
    struct PolarTrace {
        int reason;
        int steps;
    };

    PolarTrace pole_ward(double b, double pole, double sideways)
    {
        double const r = 30, sin_ψ = b * std::sqrt(1 - 2 / r) / r;
        double const cos_ψ = std::sqrt(1 - sin_ψ * sin_ψ);
        double const towards = std::sqrt(1 - sideways * sideways);
        f_vec x = at(r, π / 2);
        f_vec u = f_tet(m, f_vec{{-1, -cos_ψ, -pole * towards * sin_ψ, sideways * sin_ψ}}, x);
        geo g;
        return {trace(x, u, 15, 0.02, &g).reason(), g.getCount()};
    }
};

// Rays that start beyond either end, or are stopped (by either integration:
// how a render's Stop reaches its rays), end after one step; a trace without
// a stop flag (an orbit search) ignores it.
TEST_F(Geodesic, RadialRaysEscapeFallInOrStopAfterAtLeastOneStep)
{
    for (auto [r, u_r, stopped, reason, whole_state] : {std::tuple{10.0, 1.0, false, 1, false},
                                                        {10.0, -1.0, false, 2, false},
                                                        {1.5, 0.1, false, 2, false},
                                                        {1200.0, 0.1, false, 1, false},
                                                        {10.0, 1.0, true, 0, false},
                                                        {10.0, 1.0, true, 0, true}}) {
        stop = stopped;
        accurate = whole_state;
        f_vec x = at(r, π / 2);
        geo g;
        EXPECT_EQ(trace(x, f_vec{{1.25, u_r, 0, 0}}, 15, 0.02, &g).reason(), reason) << r;
        EXPECT_TRUE(x[1] != r && x[1] > 1.4 && x[1] < 1250) << x[1];
        EXPECT_TRUE(x[2] == π / 2 && x[3] == 0.0);
        EXPECT_EQ(g.getCount() == 1, r != 10 || stopped) << r;
    }
    f_vec x = at(10, π / 2), u{{1.25, 1, 0, 0}};
    end deaf(2.0006, 15);
    geodetika(m, x, u, deaf, 0.02, nullptr, {});
    EXPECT_EQ(deaf.reason(), 1);
}

// Steps shrink towards the horizon and towards the axis, never below p/50,
// and a photon that runs along the axis steps as on the equator.
TEST_F(Geodesic, StepsShrinkNearTheHorizonAndTheAxis)
{
    m = preset(flat);
    auto first_step = [this](double r, double θ) {
        f_vec x = at(r, θ), u{{1, 1, 0, 0}};
        end e(2.0, 0.0); // no rounds allowed: one step
        geo g;
        run(x, u, e, 0.02, &g);
        return g.getX(0)[1] - r;
    };
    const double equator = first_step(10, π / 2);
    EXPECT_LT(first_step(2.5, π / 2), 0.2 * equator);
    EXPECT_LT(first_step(10, 0.2), 0.5 * equator);
    EXPECT_EQ(first_step(10, 1e-6), equator);
    EXPECT_NEAR(first_step(2.01, 1.0), 0.02 / 50, 1e-12);
}

// Over the pole the coordinates degenerate; a ray must neither be kicked
// there (the shadow edge b = 3√3 must hold whichever way the ray turns) nor
// crawl: the pass costs at most as many steps again as the same ray sent
// round the equator.
TEST_F(Geodesic, RaysOverThePoleKeepTheShadowEdgeAtAModestCost)
{
    double const b_crit = 3 * std::sqrt(3.0);
    for (double share : {0.97, 1.03}) {
        int const fate = share < 1 ? 2 : 1;
        PolarTrace const round_equator = pole_ward(share * b_crit, 0, 1);
        ASSERT_EQ(round_equator.reason, fate);
        for (double pole : {1.0, -1.0})
            for (double sideways : {0.0, 1e-7, 1e-4, 1e-2}) {
                PolarTrace const over = pole_ward(share * b_crit, pole, sideways);
                EXPECT_EQ(over.reason, fate) << share << " " << pole << " " << sideways;
                EXPECT_LT(over.steps, 2 * round_equator.steps) << share << " " << sideways;
            }
    }
}

// Circular photon orbits: Schwarzschild r = 3M, and Kerr
// r = 2M(1 + cos(⅔ arccos(∓a/M))) with Ω = ±√M/(r^{3/2} ± a√M). They are
// unstable (a deviation grows some e^{2π}-fold per turn), so staying on them
// shows a tiny error per step; fifteen turns at the finest accuracy fit the
// accurate integration's budget. A photon a millionth off the
// Schwarzschild one circles about two rounds and then escapes or falls.
TEST_F(Geodesic, PhotonsCircleThePhotonOrbitsUntilTheirInstabilityShows)
{
    struct Orbit {
        int preset;
        double a, sense;
        bool whole_state;
        double p, rounds, drift;
    };
    for (auto [preset, a, sense, whole_state, p, rounds, drift] :
         {Orbit{schwarzschild, 0, 1, false, 0.02, 3, 1e-9},
          {schwarzschild, 0, 1, true, 0.02, 1, 1e-4},
          {kerr, 0.8, 1, true, 0.02, 1, 1e-4},
          {kerr, 0.8, -1, true, 0.02, 1, 1e-4},
          {schwarzschild, 0, 1, true, 0.002, 15, 1e-4}}) {
        m = ::preset(preset);
        accurate = whole_state;
        double const r = 2 * (1 + std::cos(2.0 / 3 * std::acos(-sense * a)));
        f_vec x = at(r, π / 2), u{{1, 0, 0, sense / (std::pow(r, 1.5) + sense * a)}};
        geo g;
        end e(1.0, rounds);
        run(x, u, e, p, &g);
        EXPECT_EQ(e.reason(), 3) << r << " " << rounds;
        for (int i = 0; i < g.getCount(); ++i)
            ASSERT_NEAR(g.getX(i)[1], r, drift) << r << " " << rounds << " point " << i;
    }
    for (double r : {3.000003, 2.999997}) {
        f_vec y = at(r, π / 2);
        end const off = trace(y, {{1, 0, 0, std::sqrt((1 - 2 / r) / (r * r))}}, 15.0);
        EXPECT_EQ(off.reason(), r > 3 ? 1 : 2);
        EXPECT_GT(off.angular_path(), 1.5 * two_pi);
        EXPECT_LT(off.angular_path(), 4 * two_pi);
    }
}

// A far circular orbit, the most steps per round, still ends by its rounds;
// a flat-space observer at rest ends only by the budget.
TEST_F(Geodesic, StepBudgetCutsOffOnlyWhatNeverEnds)
{
    EXPECT_EQ(step_budget(0.1, 0.0), 131072) << "at least one round; no step is no bound";
    double const r = 500, ut = 1 / std::sqrt(1 - 3 / r);
    f_vec x = at(r, π / 2);
    geo g;
    end const orbit = trace(x, f_vec{{ut, 0, 0, ut * std::sqrt(1 / (r * r * r))}}, 1, 0.002, &g);
    EXPECT_EQ(orbit.reason(), 3);
    EXPECT_LT(g.getCount(), step_budget(two_pi, 0.002) / 4);
    EXPECT_NEAR(x[1], r, 1e-3 * r);

    m = preset(flat);
    geo at_rest;
    x = at(10, π / 2);
    EXPECT_EQ(trace(x, f_vec{{1, 0, 0, 0}}, 1.0, 0.05, &at_rest).reason(), 0);
    EXPECT_EQ(at_rest.getCount(), step_budget(two_pi, 0.05));
}

} // namespace
