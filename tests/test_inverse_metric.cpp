#include "expr/christoffel.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace
{

double record(Metric const &m, int i, const f_vec &x)
{
    return CntPfx(m.records()[i].code, x, m.params());
}

const f_vec points[] = {{{0.0, 3.0, 1.1, 0.2}}, {{-2.0, 2.2, 0.4, -1.0}}, {{1.0, 7.5, π / 2, 2.0}}};

// (adjugate / determinant) · g must be the identity wherever g is regular.
void expectInverse(Metric const &m, double tolerance)
{
    for (const f_vec &x : points) {
        const double det = record(m, 32, x);
        ASSERT_TRUE(std::isfinite(det) && det != 0.0);
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) {
                double sum = 0.0;
                for (int c = 0; c < 4; ++c)
                    sum += record(m, 16 + 4 * a + c, x) / det * record(m, 4 * c + b, x);
                EXPECT_NEAR(sum, a == b, tolerance) << a << b << " at r=" << x[1];
            }
    }
}

// Zero cofactors of the flat preset must be flagged so that the connection skips them.
TEST(InverseMetric, EveryPreset)
{
    for (int preset = 4; preset >= 0; --preset)
        expectInverse(::preset(preset), 1e-12);
    for (int i = 16; i < 33; ++i)
        EXPECT_EQ(::preset(flat).records()[i].nz, i % 5 == 1 || i == 32) << i;
}

// A bracketed negation typed into a component must stay a negation once the
// component is spliced behind other values in the cofactors.
TEST(InverseMetric, BracketedNegationsSurviveSplicing)
{
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(presets[kerr].g[i]);
    texts[3] = texts[12] = QString::fromUtf8("(-2)*a*M*r*sin(θ)^2/(r^2+a^2*cos(θ)^2)");
    const f_vec x{{0, 10, 1.2, 0}};
    const Metric m = metric_of(texts, 0.8, 0);
    EXPECT_NEAR(record(m, 32, x), -8701.57, 0.01);
    expectInverse(m, 1e-12);

    texts[1] = "(-r)*2/9";
    texts[6] = "(-(r-2))/(9*9*9)";
    const Metric n = metric_of(texts, 0.8, 0);
    EXPECT_EQ(record(n, 1, x), -20.0 / 9);
    expectInverse(n, 1e-10);
}

QString randomFormula(std::mt19937 &rng, int depth)
{
    static const char *leaves[] = {"r", "θ", "M", "a", "2", "3", "7"};
    const int c = std::uniform_int_distribution<int>(0, 9)(rng);
    if (depth == 0 || c < 3)
        return QString::fromUtf8(leaves[c % 7]);
    if (c < 5)
        return (c == 3 ? "sin(" : "cos(") + randomFormula(rng, depth - 1) + ")";
    return "(" + randomFormula(rng, depth - 1) + "+-*"[c % 3] + randomFormula(rng, depth - 1) + ")";
}

// All ten components non-zero functions of r and θ, diagonally dominant so
// that the metric stays well conditioned; every cofactor term is exercised.
TEST(InverseMetric, RandomGeneralMetrics)
{
    std::mt19937 rng(7);
    for (int n = 0; n < 40; ++n) {
        QString texts[16];
        for (int mu = 0; mu < 4; ++mu)
            for (int nu = mu; nu < 4; ++nu) {
                const QString e = randomFormula(rng, 3);
                texts[4 * mu + nu] =
                    mu != nu ? "sin(r+" + e + ")/(θ+2)" : (mu ? "" : "-") + ("(9+r*θ+" + e + "^2)");
            }
        texts[4] = "r^5"; // lower triangle: ignored
        const Metric m = metric_of(texts, 0.6, 0.2);
        for (int i = 16; i < 32; ++i)
            ASSERT_EQ(m.records()[i].nz, 1) << i;
        expectInverse(m, 1e-10);
    }
}

// An empty field makes its record and the determinant NaN; arbitrary texts
// never make anything up to the connection read out of bounds (run under the
// sanitizers too).
TEST(InverseMetric, EmptyAndMalformedTextsAreHandledSafely)
{
    const QString alphabet = QString::fromUtf8("0129MaQrθ+-*/^()sin(cos(");
    std::mt19937 rng(99);
    for (int n = 0; n < 150; ++n) {
        QString texts[16];
        for (int i = 0; i < 16; ++i)
            texts[i] = n < 10 ? QString::fromUtf8(presets[3].g[i]) : QString();
        for (QString &text : texts)
            for (int i = n < 10 ? 0 : std::uniform_int_distribution<int>(0, 8)(rng); i > 0; --i)
                text += alphabet[std::uniform_int_distribution<int>(0, alphabet.size() - 1)(rng)];
        if (n < 10)
            texts[(n % 4) * 5] = "";
        const Metric m = metric_of(texts, 0.5, 0.1);
        f_vec x = points[n % 3];
        const tensor_3 G = Christoffel(m, x);
        for (int i = 0; i < 16; ++i) {
            if (texts[i].isEmpty() && i % 4 >= i / 4) {
                EXPECT_TRUE(std::isnan(record(m, i, x)) && std::isnan(record(m, 32, x))) << i;
                EXPECT_TRUE(std::isnan(G[1][1][1]));
            }
        }
    }
}

} // namespace
