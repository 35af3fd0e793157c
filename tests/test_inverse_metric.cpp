#include "expr/christoffel.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>
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

// A bracketed negation typed into a component must stay a negation once the
// component is spliced behind other values in the cofactors.
TEST(InverseMetric, BracketedNegationsSurviveSplicing)
{
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(presets[kerr].g[i]);
    texts[3] = texts[12] = QString::fromUtf8("(-2)*a*M*r*sin(θ)^2/(r^2+a^2*cos(θ)^2)");
    const f_vec x{{0, 10, 1.2, 0}};
    const double params[4] = {1, 0.8, 0, 0};
    const Metric m = Metric::compile(texts, params);
    EXPECT_NEAR(record(m, 32, x), -8701.57, 0.01);
    expectInverse(m, 1e-12);

    texts[1] = "(-r)*2/9";
    texts[6] = "(-(r-2))/(9*9*9)";
    const Metric n = Metric::compile(texts, params);
    EXPECT_EQ(record(n, 1, x), -20.0 / 9);
    expectInverse(n, 1e-10);
}

// All ten components non-zero: every cofactor term is exercised. Zero
// cofactors of the flat preset must be flagged so that the connection skips
// them. (The presets' inverses show in their connections.)
TEST(InverseMetric, RandomGeneralMetricsAndTheFlatPresetsZeros)
{
    for (int i = 16; i < 33; ++i)
        EXPECT_EQ(preset(flat).records()[i].nz, i % 5 == 1 || i == 32) << i;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const Metric m = random_metric(seed);
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
        const double params[4] = {1, 0.5, 0.1, 0};
        const Metric m = Metric::compile(texts, params);
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
