#include "app/state.h"
#include "expr/christoffel.h"
#include "support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{

// Reference connection of the Kerr–Newman family (flat, Schwarzschild,
// Reissner–Nordström and Kerr are special cases) from hand-derived partial
// derivatives of the closed-form metric and its block inverse; no byte code
// and no finite difference is involved.
struct Reference {
    double g[4][4] = {};
    double inv[4][4] = {};
    double dg[4][4][4] = {}; // dg[i][j][k] = ∂_k g_ij
};

Reference kerrNewman(double M, double a, double Q, double r, double θ)
{
    const double s = std::sin(θ), c = std::cos(θ);
    const double Σ = r * r + a * a * c * c;
    const double Σr = 2 * r, Σθ = -2 * a * a * s * c;
    const double f = 2 * M * r - Q * Q, fr = 2 * M;
    const double Δ = r * r + a * a - f, Δr = 2 * r - fr;
    const double fΣr = (fr * Σ - f * Σr) / (Σ * Σ); // ∂_r (f/Σ)
    const double fΣθ = -f * Σθ / (Σ * Σ);           // ∂_θ (f/Σ)
    const double s2θ = 2 * s * c;                   // ∂_θ sin²θ
    const double B = r * r + a * a + a * a * f * s * s / Σ;
    const double Br = 2 * r + a * a * s * s * fΣr;
    const double Bθ = a * a * (s2θ * f / Σ + s * s * fΣθ);

    Reference R;
    auto set = [&R](int i, int j, double v, double dr, double dθ) {
        R.g[i][j] = R.g[j][i] = v;
        R.dg[i][j][1] = R.dg[j][i][1] = dr;
        R.dg[i][j][2] = R.dg[j][i][2] = dθ;
    };
    set(0, 0, -1 + f / Σ, fΣr, fΣθ);
    set(0, 3, -a * s * s * f / Σ, -a * s * s * fΣr, -a * (s2θ * f / Σ + s * s * fΣθ));
    set(1, 1, Σ / Δ, (Σr * Δ - Σ * Δr) / (Δ * Δ), Σθ / Δ);
    set(2, 2, Σ, Σr, Σθ);
    set(3, 3, s * s * B, s * s * Br, s2θ * B + s * s * Bθ);

    const double d2 = R.g[0][0] * R.g[3][3] - R.g[0][3] * R.g[0][3];
    R.inv[0][0] = R.g[3][3] / d2;
    R.inv[3][3] = R.g[0][0] / d2;
    R.inv[0][3] = R.inv[3][0] = -R.g[0][3] / d2;
    R.inv[1][1] = 1 / R.g[1][1];
    R.inv[2][2] = 1 / R.g[2][2];
    return R;
}

double referenceSymbol(const Reference &R, int a, int b, int c)
{
    double sum = 0;
    for (int d = 0; d < 4; ++d)
        sum += R.inv[a][d] * 0.5 * (R.dg[d][c][b] + R.dg[d][b][c] - R.dg[b][c][d]);
    return sum;
}

void expectMatchesReference(f_vec x, double a, double Q, double M)
{
    const tensor_3 G = Christoffel(x);
    const Reference R = kerrNewman(M, a, Q, x[1], x[2]);
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 4; ++c) {
                const double want = referenceSymbol(R, i, b, c);
                EXPECT_NEAR(G[i][b][c], want, 2e-6 * std::max(1.0, std::fabs(want)))
                    << "Γ^" << i << "_" << b << c << " at r=" << x[1] << " θ=" << x[2];
            }
}

const f_vec points[] = {
    {{0.0, 2.0, std::numbers::pi / 2, 0.0}},
    {{3.0, 10.0, std::numbers::pi / 2, 1.0}},
    {{0.0, 4.5, 0.6, -2.0}},
    {{0.0, 30.0, 2.4, 0.0}},
};

TEST(Christoffel, FlatSpaceInSphericalCoordinates)
{
    loadPreset(0);
    f_vec x{{0.0, 2.0, std::numbers::pi / 2, 0.0}};
    const tensor_3 G = Christoffel(x);
    EXPECT_NEAR(G[1][2][2], -2.0, 1e-7);
    EXPECT_NEAR(G[1][3][3], -2.0, 1e-7);
    EXPECT_NEAR(G[2][1][2], 0.5, 1e-7);
    EXPECT_NEAR(G[2][2][1], 0.5, 1e-7);
    EXPECT_NEAR(G[3][1][3], 0.5, 1e-7);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(G[0][i][j], 0.0);
            EXPECT_EQ(G[i][0][j], 0.0);
            EXPECT_EQ(G[i][j][0], 0.0);
        }
    for (const f_vec &p : points)
        expectMatchesReference(p, 0.0, 0.0, 0.0);
}

TEST(Christoffel, SchwarzschildTimeRadialSymbol)
{
    loadPreset(1);
    f_vec x{{0.0, 10.0, std::numbers::pi / 2, 0.0}};
    const tensor_3 G = Christoffel(x);
    EXPECT_NEAR(G[0][0][1], 0.0125, 1e-9);
    EXPECT_NEAR(G[0][1][0], 0.0125, 1e-9);
    EXPECT_NEAR(G[1][0][0], (1.0 - 2.0 / 10.0) / 100.0, 1e-9); // M(r−2M)/r³
    for (const f_vec &p : points)
        if (p[1] > 2.0)
            expectMatchesReference(p, 0.0, 0.0, 1.0);
}

TEST(Christoffel, ReissnerNordstromMatchesReference)
{
    loadPreset(2);
    for (const f_vec &p : points)
        if (p[1] > 2.0)
            expectMatchesReference(p, 0.0, 0.1, 1.0);
}

TEST(Christoffel, KerrMatchesReference)
{
    loadPreset(3);
    for (const f_vec &p : points)
        expectMatchesReference(p, 0.8, 0.0, 1.0);
}

TEST(Christoffel, KerrNewmanMatchesReference)
{
    loadPreset(4);
    for (const f_vec &p : points)
        expectMatchesReference(p, 0.8, 0.1, 1.0);
}

TEST(Christoffel, PositionIsLeftAlone)
{
    loadPreset(3);
    f_vec x{{1.0, 5.0, 1.0, 2.0}};
    Christoffel(x);
    EXPECT_EQ(x[0], 1.0);
    EXPECT_EQ(x[1], 5.0);
    EXPECT_EQ(x[2], 1.0);
    EXPECT_EQ(x[3], 2.0);
}

tensor_3 sampleTensor()
{
    tensor_3 G{};
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 4; ++c)
                G[a][b][c] = 0.1 * (a + 1) - 0.03 * b * c + 0.01 * (b - c);
    return G;
}

TEST(Dudλ, ZeroVelocityHasNoAcceleration)
{
    tensor_3 G = sampleTensor();
    const f_vec a = dudλ(f_vec{}, G);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a[i], 0.0);
}

TEST(Dudλ, QuadraticInVelocity)
{
    tensor_3 G = sampleTensor();
    const f_vec u{{1.3, -0.4, 0.2, 0.7}};
    const f_vec one = dudλ(u, G);
    const f_vec twice = dudλ(u * 2.0, G);
    const f_vec flipped = dudλ(-u, G);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(twice[i], 4 * one[i], 1e-14);
        EXPECT_EQ(flipped[i], one[i]);
    }
}

TEST(Dudλ, SingleSymbolGivesItsTerm)
{
    tensor_3 G{};
    G[1][2][3] = 2.0;
    const f_vec a = dudλ(f_vec{{0.0, 0.0, 3.0, 5.0}}, G);
    EXPECT_EQ(a[0], 0.0);
    EXPECT_EQ(a[1], -30.0);
    EXPECT_EQ(a[2], 0.0);
    EXPECT_EQ(a[3], 0.0);
}

TEST(Christoffel, RadialGeodesicInSchwarzschildFallsInward)
{
    loadPreset(1);
    f_vec x{{0.0, 10.0, std::numbers::pi / 2, 0.0}};
    tensor_3 G = Christoffel(x);
    const double ut = 1.0 / std::sqrt(1.0 - 2.0 / 10.0); // at rest
    const f_vec acc = dudλ(f_vec{{ut, 0.0, 0.0, 0.0}}, G);
    EXPECT_NEAR(acc[1], -1.0 / 100.0, 1e-9); // −M/r² for a static observer's release
    EXPECT_EQ(acc[0], 0.0);
}

} // namespace
