#include "physics/optics.h"

#include "support/ray_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{

constexpr double π = std::numbers::pi;

double g(f_vec a, f_vec b, f_vec x)
{
    return dot_p(a.v, b.v, x);
}

void expect_near(f_vec a, f_vec b, double tol)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(a[i], b[i], tol) << "component " << i;
}

} // namespace

TEST(Aberace, CentreAndQuarterTurnPixelsOfAStaticObserverInFlatSpace)
{
    use_flat_space();
    f_vec x{{0, 2, π / 2, 0}}, u{{1, 0, 0, 0}};
    // The frame there is ∂t, ∂r, ∂θ/2, ∂φ/2.
    expect_near(aberace(0, 0, u, x), f_vec{{-1, -1, 0, 0}}, 1e-12);
    expect_near(aberace(1, 0, u, x), f_vec{{-1, 0, 0, 0.5}}, 1e-12);
    expect_near(aberace(0, 1, u, x), f_vec{{-1, 0, 0.5, 0}}, 1e-12);
}

TEST(Aberace, StereographicPastPointingNullRaysOfAMovingObserverInKerr)
{
    use_kerr(1, 0.8);
    f_vec x{{0, 7, 1.2, 0.4}};
    f_vec u = moving_along_φ(x, 0.45);
    double E[4][4] = {{u[0], u[1], u[2], u[3]}};
    tetrada(E, x);
    auto frame_vector = [&](int a) { return f_vec{{E[a][0], E[a][1], E[a][2], E[a][3]}}; };

    for (double α : {-2.5, -0.3, 0.0, 0.7, 4.0})
        for (double β : {-1.5, 0.0, 0.2, 3.0}) {
            SCOPED_TRACE(testing::Message() << "α=" << α << " β=" << β);
            f_vec p = aberace(α, β, u, x);
            f_vec q = -p; // the photon as received
            EXPECT_LT(p[0], 0);
            EXPECT_NEAR(g(p, p, x), 0, 1e-9);
            EXPECT_NEAR(g(q, frame_vector(0), x), -1, 1e-9);
            // The camera looks along -n; the centre looks along -E_1.
            double n1 = g(q, frame_vector(1), x);
            EXPECT_NEAR(std::acos(n1), 2 * std::atan(std::hypot(α, β)), 1e-7);
            double s = 1 + n1;
            EXPECT_NEAR(-g(q, frame_vector(2), x), β * s, 1e-9);
            EXPECT_NEAR(-g(q, frame_vector(3), x), α * s, 1e-9);
        }
}

TEST(Shift, CoLocatedStaticObserversSeeNoShiftAndADoubledProductHalvesTheFrequency)
{
    use_flat_space();
    f_vec x{{0, 9, 1.1, 0.2}}, u{{1, 0, 0, 0}};
    f_vec k = -aberace(0.3, -0.8, u, x);
    EXPECT_NEAR(rshft(k, u, x, k, u, x), 0, 1e-15);
    EXPECT_NEAR(beamg(k, u, x, k, u, x), 1, 1e-15);

    f_vec twice = u * 2.0;
    EXPECT_NEAR(rshft(k, twice, x, k, u, x), 1, 1e-15);
    EXPECT_NEAR(beamg(k, twice, x, k, u, x), 0.125, 1e-15);
}

TEST(Shift, BeamingIsTheInverseCubeOfOnePlusZBetweenDistantObservers)
{
    use_kerr(1, 0.8);
    f_vec x_e{{0, 8, π / 2, 1}}, x_o{{0, 30, 1.3, 0}};
    f_vec u_e = moving_along_φ(x_e, 0.4), u_o = moving_along_φ(x_o, -0.2);
    f_vec k_e = -aberace(0.5, 0.1, u_e, x_e), k_o = -aberace(-0.2, 0.6, u_o, x_o);
    double z = rshft(k_e, u_e, x_e, k_o, u_o, x_o);
    EXPECT_NE(z, 0);
    EXPECT_NEAR(beamg(k_e, u_e, x_e, k_o, u_o, x_o), std::pow(1 + z, -3), 1e-12);
    // A past-pointing observer vector has no frequency: the factors turn non-finite.
    EXPECT_FALSE(std::isfinite(rshft(k_e, u_e, x_e, -k_o, u_o, x_o)));
}
