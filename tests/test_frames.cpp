// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/frames.h"

#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

void expect_orthonormal(Metric const &m, double const (&E)[4][4], f_vec x)
{
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            double const want = a != b ? 0.0 : a == 0 ? -1.0 : 1.0;
            EXPECT_NEAR(dot_p(m, E[a], E[b], x), want, 1e-12)
                << "a=" << a << " b=" << b << " r=" << x[1] << " θ=" << x[2];
        }
}

// The rotating presets exercise every projection term: g_tφ couples E_0 and
// E_3, and off the equator the observer's own motion tilts the whole frame;
// the time vector drawn unnormalised must come out a unit one.
TEST(Frames, TetradsAreOrthonormalOutsideTheHorizon)
{
    for (int preset : {kerr, kerr_newman}) {
        const Metric m = ::preset(preset);
        for (double r : {1.9, 3.0, 7.5, 40.0})
            for (double θ : {0.3, 1.2, π / 2, 2.5}) {
                f_vec const x = at(r, θ);
                double Z[4][4];
                lnrf(m, Z, x);
                expect_orthonormal(m, Z, x);
                // No angular momentum, and frame dragging turns it along +φ.
                EXPECT_NEAR(m.g(0, 3, x) * Z[0][0] + m.g(3, 3, x) * Z[0][3], 0, 1e-13);
                EXPECT_GT(Z[0][3], 0.0);

                // Moving along φ and drifting in r and θ: no axis is left
                // orthogonal by the metric alone.
                f_vec const u = f_tet(m, four_vt(0.4), x) + f_vec{{0, 0.2, 0.1 / r, 0}};
                double E[4][4] = {{u[0], u[1], u[2], u[3]}, {}, {}, {}};
                tetrada(m, E, x);
                expect_orthonormal(m, E, x);
                double const scale = E[0][0] / u[0];
                for (int μ = 1; μ < 4; ++μ)
                    EXPECT_NEAR(E[0][μ], u[μ] * scale, 1e-12);
                f_vec const back = t_tet(m, f_tet(m, u, x), x);
                for (int μ = 0; μ < 4; ++μ)
                    EXPECT_NEAR(back[μ], u[μ], 1e-12) << "to the frame and back";
            }
    }
}

TEST(Frames, FourVelocityAlongPhiAndInversionPastAZeroLeadingEntry)
{
    f_vec const u = four_vt(-0.6);
    EXPECT_DOUBLE_EQ(u[0], 1.25);
    EXPECT_EQ(u[1] + u[2], 0.0);
    EXPECT_DOUBLE_EQ(u[3], -0.75);
    EXPECT_TRUE(std::isnan(four_vt(1.5)[0]));

    double M[4][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 0, 0, 0}};
    invMatrix(M);
    double const want[4][4] = {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(M[i][j], want[i][j]);
}

} // namespace
