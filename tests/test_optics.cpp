// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/optics.h"

#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

// Pixel (α, β) is the photon received along the stereographic projection of
// the image plane in the observer's own frame: the centre looks along −E_1,
// α along −E_3 and β along −E_2.
TEST(Aberace, StereographicPastPointingNullRaysInKerr)
{
    const Metric m = preset(kerr);
    f_vec x{{0, 7, 1.2, 0.4}};
    f_vec u = moving_along_φ(m, x, 0.45);
    double E[4][4] = {{u[0], u[1], u[2], u[3]}};
    tetrada(m, E, x);
    auto along = [&](f_vec q, int a) { return dot_p(m, q.v, E[a], x); };

    for (double α : {-2.5, -0.3, 0.0, 0.7, 4.0})
        for (double β : {-1.5, 0.0, 0.2, 3.0}) {
            SCOPED_TRACE(testing::Message() << "α=" << α << " β=" << β);
            f_vec p = aberace(m, α, β, u, x), q = -p; // q: the photon as received
            EXPECT_LT(p[0], 0);
            EXPECT_NEAR(dot_p(m, p.v, p.v, x), 0, 1e-9);
            EXPECT_NEAR(along(q, 0), -1, 1e-9);
            // The camera looks along −n; the centre looks along −E_1.
            double n1 = along(q, 1), s = 1 + n1;
            EXPECT_NEAR(std::acos(n1), 2 * std::atan(std::hypot(α, β)), 1e-7);
            EXPECT_NEAR(-along(q, 2), β * s, 1e-9);
            EXPECT_NEAR(-along(q, 3), α * s, 1e-9);
        }
}

TEST(Shift, FrequencyRatioAndItsInverseCube)
{
    const Metric f = preset(flat);
    f_vec x{{0, 9, 1.1, 0.2}}, u{{1, 0, 0, 0}};
    f_vec k = -aberace(f, 0.3, -0.8, u, x);
    EXPECT_NEAR(rshft(f, k, u, x, k, u, x), 0, 1e-15);
    EXPECT_NEAR(beamg(f, k, u, x, k, u, x), 1, 1e-15);
    EXPECT_NEAR(rshft(f, k, u * 2.0, x, k, u, x), 1, 1e-15); // emitter's −g(k, u) doubled
    EXPECT_NEAR(beamg(f, k, u * 2.0, x, k, u, x), 0.125, 1e-15);

    const Metric m = preset(kerr);
    f_vec x_e{{0, 8, π / 2, 1}}, x_o{{0, 30, 1.3, 0}};
    f_vec u_e = moving_along_φ(m, x_e, 0.4), u_o = moving_along_φ(m, x_o, -0.2);
    f_vec k_e = -aberace(m, 0.5, 0.1, u_e, x_e), k_o = -aberace(m, -0.2, 0.6, u_o, x_o);
    double z = rshft(m, k_e, u_e, x_e, k_o, u_o, x_o);
    EXPECT_NE(z, 0);
    EXPECT_NEAR(beamg(m, k_e, u_e, x_e, k_o, u_o, x_o), std::pow(1 + z, -3), 1e-12);
    // A past-pointing observer vector has no frequency: the factors turn non-finite.
    EXPECT_FALSE(std::isfinite(rshft(m, k_e, u_e, x_e, -k_o, u_o, x_o)));
}
