// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/christoffel.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{

// Reference connection of the Kerr–Newman family (all five presets are
// special cases) from hand-derived partial derivatives of the closed-form
// metric and its block inverse: no byte code, no finite difference.
struct Reference {
    double g[4][4] = {}, inv[4][4] = {}, dg[4][4][4] = {}; // dg[i][j][k] = ∂_k g_ij

    double symbol(int a, int b, int c) const
    {
        double sum = 0;
        for (int d = 0; d < 4; ++d)
            sum += inv[a][d] * 0.5 * (dg[d][c][b] + dg[d][b][c] - dg[b][c][d]);
        return sum;
    }
};

Reference kerr_newman_reference(double M, double a, double Q, double r, double θ)
{
    const double s = std::sin(θ), c = std::cos(θ), s2θ = 2 * s * c; // ∂_θ sin²θ
    const double Σ = r * r + a * a * c * c, Σr = 2 * r, Σθ = -2 * a * a * s * c;
    const double f = 2 * M * r - Q * Q, Δ = r * r + a * a - f, Δr = 2 * r - 2 * M;
    const double fΣr = (2 * M * Σ - f * Σr) / (Σ * Σ), fΣθ = -f * Σθ / (Σ * Σ); // ∂(f/Σ)
    const double B = r * r + a * a + a * a * f * s * s / Σ;
    const double Br = 2 * r + a * a * s * s * fΣr, Bθ = a * a * (s2θ * f / Σ + s * s * fΣθ);
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

TEST(Christoffel, EveryPresetMatchesTheClosedForm)
{
    const double aQ[5][2] = {{0, 0}, {0, 0}, {0, 0.1}, {0.8, 0}, {0.8, 0.1}};
    const f_vec points[] = {{{0.0, 2.5, π / 2, 0.0}},
                            {{3.0, 10.0, π / 2, 1.0}},
                            {{0.0, 4.5, 0.6, -2.0}},
                            {{0.0, 30.0, 2.4, 0.0}}};
    for (int preset = 0; preset < 5; ++preset) {
        const Metric m = ::preset(preset);
        const double M = preset == 0 ? 0.0 : 1.0;
        for (f_vec x : points) {
            const tensor_3 G = Christoffel(m, x);
            const Reference R = kerr_newman_reference(M, aQ[preset][0], aQ[preset][1], x[1], x[2]);
            for (int i = 0; i < 64; ++i) {
                const double want = R.symbol(i / 16, i / 4 % 4, i % 4);
                EXPECT_NEAR(G[i / 16][i / 4 % 4][i % 4], want,
                            2e-6 * std::max(1.0, std::fabs(want)))
                    << "preset " << preset << " symbol " << i << " r=" << x[1] << " θ=" << x[2];
            }
        }
    }
}

} // namespace
