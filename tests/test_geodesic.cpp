#include "physics/geodesic.h"

#include "app/state.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

constexpr double π = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;
enum { flat, schwarzschild };

f_vec point(double r, double θ, double φ = 0)
{
    return {{0, r, θ, φ}};
}
f_vec const some_u{{1, 2, 3, 4}};

TEST(End, FirstTestOnlyRemembersThePosition)
{
    end e(1.0, 1.0);
    double inner = 0, outer = 100;
    e.set_kepler(inner, outer);
    EXPECT_TRUE(e.exit(point(10, π / 2, 5), some_u));
    EXPECT_EQ(e.angular_path(), 0.0);
    EXPECT_EQ(e.kkp(), 0);
    EXPECT_TRUE(e.exit(point(10, π / 2 + 0.3, 5.4), some_u));
    EXPECT_DOUBLE_EQ(e.angular_path(), 0.5);
}

TEST(End, CrossingIsInterpolatedAtTheEquator)
{
    double const want_r = 10 + 2 * (π / 2 - 1.5) / 0.2;
    end e(1.0, 1.0);
    double inner = 6, outer = 20;
    e.set_kepler(inner, outer);
    f_vec const u{{1, -0.5, 0.25, 0.125}};
    e.exit(point(10, 1.5, 0.0), u);
    e.exit(point(12, 1.7, 0.2), u);
    ASSERT_EQ(e.kkp(), 1);
    EXPECT_NEAR(e.k_loc(0).first, 10.7080, 1e-4);
    EXPECT_NEAR(e.k_loc(0).first, want_r, 1e-12);
    EXPECT_NEAR(e.k_loc(0).second, π / 2 - 1.5, 1e-12);
    EXPECT_EQ(e.k_vel(0)[1], -0.5);
    EXPECT_EQ(e.reason(), 0) << "still running, but -0 is 0";
}

TEST(End, CrossingOutsideTheDiskIsOverwrittenByTheNext)
{
    end e(1.0, 1.0);
    double inner = 11, outer = 20;
    e.set_kepler(inner, outer);
    e.exit(point(10, 1.5), some_u);
    e.exit(point(12, 1.7), some_u);
    EXPECT_EQ(e.kkp(), 0);
    EXPECT_NEAR(e.k_loc(0).first, 10.7080, 1e-4);
    e.exit(point(14, 1.5), some_u);
    EXPECT_EQ(e.kkp(), 1);
    EXPECT_NEAR(e.k_loc(0).first, 13.2920, 1e-4);
}

TEST(End, DiskRadiiAreStrictBounds)
{
    for (double r : {6.0, 20.0}) {
        end e(1.0, 1.0);
        double inner = 6, outer = 20;
        e.set_kepler(inner, outer);
        e.exit(point(r, 1.5), some_u);
        e.exit(point(r, 1.625), some_u);
        EXPECT_EQ(e.k_loc(0).first, r);
        EXPECT_EQ(e.kkp(), 0) << "crossing exactly at r = " << r;
    }
}

TEST(End, TouchingThePlaneCountsButRunningInItDoesNot)
{
    end e(1.0, 100.0);
    double inner = 6, outer = 20;
    e.set_kepler(inner, outer);
    e.exit(point(10, 1.4), some_u);
    e.exit(point(10, π / 2), some_u);
    EXPECT_EQ(e.kkp(), 1);
    e.exit(point(11, π / 2, 0.1), some_u);
    EXPECT_EQ(e.kkp(), 1) << "0/0 interpolation must not count";
}

TEST(End, AtMostThreeCrossingsAreRecorded)
{
    end e(1.0, 100.0);
    double inner = 6, outer = 20;
    e.set_kepler(inner, outer);
    double θ = 1.5;
    e.exit(point(7, θ), some_u);
    for (int i = 0; i < 5; ++i) {
        θ = π - θ;
        e.exit(point(8 + i, θ), some_u);
    }
    EXPECT_EQ(e.kkp(), 3);
    EXPECT_NEAR(e.k_loc(0).first, 7.5, 1e-12);
    EXPECT_NEAR(e.k_loc(1).first, 8.5, 1e-12);
    EXPECT_NEAR(e.k_loc(2).first, 9.5, 1e-12);
}

TEST(End, ReasonCodes)
{
    auto finish = [](double r, double rounds_travelled, bool through_disk) {
        end e(2.0, 1.0);
        double inner = 3, outer = 30;
        e.set_kepler(inner, outer);
        e.exit(point(10, 1.5, 0), some_u);
        e.exit(point(10, through_disk ? 1.7 : 1.55, 0), some_u);
        bool const going = e.exit(point(r, 1.55, rounds_travelled * two_pi), some_u);
        EXPECT_EQ(going, e.reason() == 0 && r > 2.0 && r < 1000.0);
        return e.reason();
    };
    EXPECT_EQ(finish(50, 0.5, false), 0);
    EXPECT_EQ(finish(1000, 0.5, false), 1);
    EXPECT_EQ(finish(2.0, 0.5, false), 2);
    EXPECT_EQ(finish(1.0, 0.5, false), 2);
    EXPECT_EQ(finish(50, 1.1, false), 3);
    EXPECT_EQ(finish(1.0, 1.1, false), 3) << "too many rounds overrides falling in";
    EXPECT_EQ(finish(2000, 1.1, false), 3);
    EXPECT_EQ(finish(1000, 0.5, true), -1);
    EXPECT_EQ(finish(1.0, 0.5, true), -2);
    EXPECT_EQ(finish(1.0, 1.1, true), -3);
}

TEST(End, NanRadiusEndsTheGeodesic)
{
    end e(2.0, 1.0);
    e.exit(point(10, 1.0), some_u);
    EXPECT_FALSE(e.exit(point(std::numeric_limits<double>::quiet_NaN(), 1.0), some_u));
    EXPECT_EQ(e.reason(), 0);
}

TEST(End, RoundsBecomeAnAngularLimit)
{
    end e(1.0, 1.5);
    EXPECT_DOUBLE_EQ(e.angular_limit(), 9.42477796076938);
    EXPECT_EQ(e.evhor(), 1.0);
    e.exit(point(10, 1.0, 0), some_u);
    EXPECT_TRUE(e.exit(point(10, 1.0, 9.4), some_u));
    EXPECT_FALSE(e.exit(point(10, 1.0, 9.43), some_u));
    EXPECT_EQ(e.reason(), 3);
}

TEST(Geo, GrowsAndKeepsEveryPointInOrder)
{
    geo g;
    EXPECT_EQ(g.getCount(), 0);
    EXPECT_EQ(g.getCapacity(), 0);
    for (int i = 0; i < 257; ++i)
        g.insert(point(i, 0.5 * i), f_vec{{-1.0 * i, 0, 0, 0}});
    EXPECT_EQ(g.getCount(), 257);
    EXPECT_EQ(g.getCapacity(), 512);
    for (int i = 0; i < 257; ++i) {
        ASSERT_EQ(g.getX(i)[1], i);
        ASSERT_EQ(g.getX(i)[2], 0.5 * i);
        ASSERT_EQ(g.getV(i)[0], -1.0 * i);
    }
    for (int i = 257; i < 513; ++i)
        g.insert(point(i, 0), some_u);
    EXPECT_EQ(g.getCapacity(), 1024);
    EXPECT_EQ(g.getX(512)[1], 512);
}

class Geodesic : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        loadPreset(schwarzschild);
        stop = false;
    }
    void TearDown() override { stop = false; }
};

TEST_F(Geodesic, AlwaysTakesAtLeastOneStep)
{
    for (double r : {1.5, 1200.0}) {
        f_vec x = point(r, π / 2);
        f_vec u{{2, 0.1, 0, 0}};
        end e(2.0, 1.0);
        geo g;
        geodetika(x, u, e, 0.02, &g);
        EXPECT_EQ(g.getCount(), 1);
        EXPECT_NE(x[1], r);
        EXPECT_EQ(e.reason(), r < 2 ? 2 : 1);
    }
}

TEST_F(Geodesic, RadialPhotonEscapesOrFallsIn)
{
    for (double sign : {1.0, -1.0}) {
        f_vec x = point(10, π / 2);
        f_vec u{{1.25, sign, 0, 0}}; // null: g_tt = −0.8, g_rr = 1.25
        end e(2.0006, 15);
        geodetika(x, u, e, 0.02, nullptr);
        EXPECT_EQ(e.reason(), sign > 0 ? 1 : 2);
        EXPECT_DOUBLE_EQ(x[2], π / 2);
        EXPECT_EQ(x[3], 0.0);
        if (sign > 0)
            EXPECT_LT(x[1], 1010.0);
        else
            EXPECT_GT(x[1], 1.9);
    }
}

f_vec tangential_photon(double r)
{
    return {{1, 0, 0, std::sqrt((1 - 2 / r) / (r * r))}};
}

TEST_F(Geodesic, TangentialPhotonAtThreeMassesCirclesThePhotonSphere)
{
    f_vec x = point(3, π / 2);
    f_vec u = tangential_photon(3);
    end e(2.0006, 3.0);
    geo g;
    geodetika(x, u, e, 0.02, &g);
    EXPECT_EQ(e.reason(), 3);
    for (int i = 0; i < g.getCount(); ++i)
        ASSERT_NEAR(g.getX(i)[1], 3.0, 1e-9) << "point " << i;
}

// The photon sphere is unstable: a start a millionth off grows by e^{2π} per
// round, so the photon circles about two rounds and then escapes or falls.
TEST_F(Geodesic, PhotonSphereIsUnstable)
{
    for (double r : {3.000003, 2.999997}) {
        f_vec x = point(r, π / 2);
        f_vec u = tangential_photon(r);
        end e(2.0006, 15.0);
        geodetika(x, u, e, 0.02, nullptr);
        EXPECT_EQ(e.reason(), r > 3 ? 1 : 2);
        EXPECT_GT(e.angular_path(), 1.5 * two_pi);
        EXPECT_LT(e.angular_path(), 4 * two_pi);
    }
}

TEST_F(Geodesic, CircularOrbitFarOutEndsByRoundsNotByTheStepBudget)
{
    double const r = 500;
    double const ut = 1 / std::sqrt(1 - 3 / r);
    f_vec x = point(r, π / 2);
    f_vec u{{ut, 0, 0, ut * std::sqrt(1 / (r * r * r))}};
    end e(2.0006, 1.0);
    geo g;
    geodetika(x, u, e, 0.002, &g);
    EXPECT_EQ(e.reason(), 3);
    EXPECT_LT(g.getCount(), step_budget(two_pi, 0.002) / 4);
    EXPECT_NEAR(x[1], r, 1e-3 * r);
}

TEST_F(Geodesic, ObserverAtRestInFlatSpaceIsCutOffByTheStepBudget)
{
    loadPreset(flat);
    f_vec x = point(10, π / 2);
    f_vec u{{1, 0, 0, 0}};
    end e(2.0, 1.0);
    geo g;
    geodetika(x, u, e, 0.05, &g);
    EXPECT_EQ(g.getCount(), step_budget(two_pi, 0.05));
    EXPECT_EQ(e.reason(), 0);
    EXPECT_EQ(x[1], 10.0);
    EXPECT_GT(x[0], 1000.0);
}

TEST(StepBudget, GrowsWithRoundsAndFineness)
{
    EXPECT_EQ(step_budget(two_pi, 0.05), 151552);
    EXPECT_EQ(step_budget(0.1, 0.05), 151552) << "at least one round";
    EXPECT_EQ(step_budget(10 * two_pi, 0.05), 1515520);
    EXPECT_GT(step_budget(two_pi, 0.0002), 5000000);
    EXPECT_EQ(step_budget(two_pi, 0.0), 131072);
    EXPECT_EQ(step_budget(two_pi, -1.0), 131072);
    EXPECT_EQ(step_budget(std::nan(""), 0.05), 151552);
    EXPECT_LE(step_budget(1e300, 1e-300), 64LL * (8388608 + 131072));
}

TEST_F(Geodesic, StopEndsTracesAfterOneStepButNotOrbitSearches)
{
    stop = true;
    f_vec x = point(10, π / 2);
    f_vec u{{1.25, 1, 0, 0}};
    end e(2.0006, 15);
    geo g;
    geodetika(x, u, e, 0.02, &g);
    EXPECT_EQ(g.getCount(), 1);
    EXPECT_EQ(e.reason(), 0);

    f_vec y = point(10, π / 2);
    f_vec w{{1.25, 1, 0, 0}};
    end deaf(2.0006, 15);
    geodetika_unstoppable(y, w, deaf, 0.02);
    EXPECT_EQ(deaf.reason(), 1);
}

} // namespace
