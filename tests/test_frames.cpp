#include "physics/frames.h"

#include "app/state.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

constexpr double π = 3.141592653589793;

enum { flat, schwarzschild, reissner_nordstrom, kerr, kerr_newman };

f_vec at(double r, double θ)
{
    return {{0, r, θ, 0}};
}

double dot(f_vec a, f_vec b, f_vec x)
{
    return dot_p(a.v, b.v, x);
}

void expect_orthonormal(double const (&E)[4][4], f_vec x)
{
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            double const want = a != b ? 0.0 : a == 0 ? -1.0 : 1.0;
            EXPECT_NEAR(dot_p(E[a], E[b], x), want, 1e-12)
                << "a=" << a << " b=" << b << " r=" << x[1] << " θ=" << x[2];
        }
}

TEST(Frames, FlatTetradFromAnUnnormalisedTimeVector)
{
    loadPreset(flat);
    double E[4][4] = {{3, 0, 0, 0}, {}, {}, {}};
    tetrada(E, at(2, π / 2));
    double const want[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0.5, 0}, {0, 0, 0, 0.5}};
    for (int a = 0; a < 4; ++a)
        for (int μ = 0; μ < 4; ++μ)
            EXPECT_NEAR(E[a][μ], want[a][μ], 1e-15) << a << "," << μ;
}

// The rotating presets exercise every projection term: g_tφ couples E_0 and
// E_3, and off the equator the observer's own motion tilts the whole frame.
TEST(Frames, TetradsAreOrthonormalOutsideTheHorizon)
{
    for (int preset : {kerr, kerr_newman}) {
        loadPreset(preset);
        for (double r : {1.9, 3.0, 7.5, 40.0})
            for (double θ : {0.3, 1.2, π / 2, 2.5}) {
                f_vec const x = at(r, θ);
                double Z[4][4];
                lnrf(Z, x);
                expect_orthonormal(Z, x);

                f_vec const u = f_tet(four_vt(0.4), x);
                double E[4][4] = {{u[0], u[1], u[2], u[3]}, {}, {}, {}};
                tetrada(E, x);
                expect_orthonormal(E, x);
                for (int μ = 0; μ < 4; ++μ)
                    EXPECT_NEAR(E[0][μ], u[μ], 1e-12);
            }
    }
}

TEST(Frames, NonRotatingObserverHasNoAngularMomentum)
{
    loadPreset(kerr);
    f_vec const x = at(3.0, 1.1);
    f_vec const u = f_tet(f_vec{{1, 0, 0, 0}}, x);
    f_vec const φ_axis{{0, 0, 0, 1}};
    EXPECT_NEAR(dot(u, φ_axis, x), 0.0, 1e-13);
    EXPECT_NEAR(dot(u, u, x), -1.0, 1e-13);
    EXPECT_GT(u[3], 0.0) << "frame dragging turns it along +φ";
}

TEST(Frames, ToAndFromTheNonRotatingFrameAreInverse)
{
    loadPreset(kerr_newman);
    f_vec const v{{1.3, -0.4, 0.25, 0.9}};
    for (f_vec x : {at(2.5, 0.8), at(12.0, π / 2)}) {
        f_vec const back = t_tet(f_tet(v, x), x);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(back[i], v[i], 1e-12);
    }
}

TEST(Frames, FrameComponentsOfACoordinateVectorPreserveItsNorm)
{
    loadPreset(kerr);
    f_vec const x = at(4.0, 1.0);
    f_vec const k{{2.0, -0.5, 0.1, 0.2}};
    f_vec const w = t_tet(k, x);
    double const minkowski = -w[0] * w[0] + w[1] * w[1] + w[2] * w[2] + w[3] * w[3];
    EXPECT_NEAR(minkowski, dot(k, k, x), 1e-12);
}

TEST(Frames, FourVelocityOfASpeedAlongPhi)
{
    f_vec const u = four_vt(0.6);
    EXPECT_DOUBLE_EQ(u[0], 1.25);
    EXPECT_EQ(u[1], 0.0);
    EXPECT_EQ(u[2], 0.0);
    EXPECT_DOUBLE_EQ(u[3], 0.75);
    f_vec const rest = four_vt(0);
    EXPECT_EQ(rest[0], 1.0);
    EXPECT_EQ(rest[3], 0.0);
    EXPECT_DOUBLE_EQ(four_vt(-0.6)[3], -0.75);
    EXPECT_TRUE(std::isnan(four_vt(1.5)[0]));
}

TEST(Frames, InversionPivotsPastAZeroLeadingEntry)
{
    double M[4][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 0, 0, 0}};
    invMatrix(M);
    double const want[4][4] = {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(M[i][j], want[i][j]);
}

TEST(Frames, InverseTimesMatrixIsIdentity)
{
    double const A[4][4] = {{1e-3, 2, -1, 0.5}, {4, 1, 0, 2}, {-2, 3, 5, 1}, {0.5, -1, 2, 7}};
    double B[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            B[i][j] = A[i][j];
    invMatrix(B);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += A[i][k] * B[k][j];
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-13);
        }
}

TEST(Frames, TransformSumsRowsWeightedByComponents)
{
    double const M[4][4] = {{1, 2, 3, 4}, {10, 20, 30, 40}, {0, 0, 1, 0}, {0, 0, 0, -1}};
    f_vec const r = transform(f_vec{{1, 0.5, 2, 3}}, M);
    EXPECT_EQ(r[0], 6.0);
    EXPECT_EQ(r[1], 12.0);
    EXPECT_EQ(r[2], 20.0);
    EXPECT_EQ(r[3], 21.0);
}

} // namespace
