#include "app/state.h"
#include "expr/compiled.h"
#include "expr/inverse_metric.h"
#include "expr/postfix.h"
#include "support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace
{

double record(int i, const f_vec &x)
{
    return CntPfx(t[i].code, x);
}

// (adjugate / determinant) · g must be the identity wherever g is regular.
void expectInverse(const f_vec &x, double tolerance)
{
    const double det = record(32, x);
    ASSERT_TRUE(std::isfinite(det) && det != 0.0);
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            double sum = 0.0;
            for (int c = 0; c < 4; ++c)
                sum += record(16 + 4 * a + c, x) / det * record(4 * c + b, x);
            EXPECT_NEAR(sum, a == b ? 1.0 : 0.0, tolerance)
                << "row " << a << " column " << b << " at r=" << x[1] << " θ=" << x[2];
        }
    }
}

const f_vec points[] = {
    {{0.0, 3.0, 1.1, 0.2}},
    {{1.0, 7.5, std::numbers::pi / 2, 2.0}},
    {{-2.0, 2.2, 0.4, -1.0}},
    {{0.0, 25.0, 2.9, 5.0}},
};

class PresetInverse : public testing::TestWithParam<int>
{
};

TEST_P(PresetInverse, AdjugateOverDeterminantInvertsTheMetric)
{
    loadPreset(GetParam());
    for (const f_vec &x : points)
        expectInverse(x, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(AllPresets, PresetInverse, testing::Range(0, 5));

TEST(PresetRecords, LowerTriangleMirrorsUpper)
{
    loadPreset(4);
    for (int mu = 0; mu < 4; ++mu)
        for (int nu = 0; nu < 4; ++nu)
            for (int base : {0, 16})
                EXPECT_EQ(0, std::memcmp(&t[base + 4 * mu + nu], &t[base + 4 * nu + mu],
                                         sizeof(cmp_expr)));
}

TEST(PresetRecords, FlatMetricAdjugate)
{
    loadPreset(0);
    for (int i : {17, 18, 19, 22, 23, 27, 20, 24, 28, 25, 29, 30})
        EXPECT_EQ(t[i].nz, 0) << i;
    for (int i : {16, 21, 26, 31, 32})
        EXPECT_EQ(t[i].nz, 1) << i;
    const f_vec x{{0, 2.0, 0.3, 0}};
    const double r4s2 = std::pow(2.0, 4) * std::pow(std::sin(0.3), 2);
    EXPECT_NEAR(record(16, x), r4s2, 1e-14);
    EXPECT_NEAR(record(32, x), -r4s2, 1e-14);
    EXPECT_EQ(t[32].dep[0] + t[32].dep[3], 0);
    EXPECT_EQ(t[32].dep[1] + t[32].dep[2], 2);
}

// Every component non-zero and different, so no cofactor term vanishes and
// every negation of the expansion is exercised.
const char *generalMetric[16] = {"-1-M/r+cos(θ)^2/9",
                                 "sin(θ)/(r+3)",
                                 "cos(θ)/(r*r+2)",
                                 "a*sin(θ)^2/r",
                                 "0",
                                 "1+2*M/r",
                                 "r*sin(θ)/9",
                                 "cos(θ)/(r+5)",
                                 "0",
                                 "0",
                                 "r^2+cos(θ)",
                                 "sin(θ)*cos(θ)/(r+1)",
                                 "0",
                                 "0",
                                 "0",
                                 "r^2*sin(θ)^2+1"};

TEST(GeneralMetric, InverseWithAllOffDiagonalTerms)
{
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(generalMetric[i]);
    loadMetric(texts, 0.6, 0.0);
    for (int i = 16; i < 32; ++i)
        EXPECT_EQ(t[i].nz, 1) << i;
    for (const f_vec &x : points)
        expectInverse(x, 1e-11);
}

TEST(GeneralMetric, LowerTriangleTextsAreIgnored)
{
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(generalMetric[i]);
    loadMetric(texts, 0.6, 0.0);
    const f_vec x = points[0];
    double before[33];
    for (int i = 0; i < 33; ++i)
        before[i] = record(i, x);
    texts[4] = "r^5";
    texts[14] = "sin(";
    loadMetric(texts, 0.6, 0.0);
    for (int i = 0; i < 33; ++i)
        EXPECT_EQ(record(i, x), before[i]) << i;
}

// An empty field is an incomplete metric: its record and the determinant
// have no value, and nothing reads outside a record on the way.
TEST(EmptyComponent, GivesNaNNotACrash)
{
    for (int field : {0, 3, 5, 10, 15}) {
        const metric_preset &p = presets[3];
        QString texts[16];
        for (int i = 0; i < 16; ++i)
            texts[i] = QString::fromUtf8(p.g[i]);
        texts[field] = "";
        loadMetric(texts, 0.8, 0.0);
        const f_vec x = points[0];
        EXPECT_TRUE(std::isnan(record(field, x))) << field;
        EXPECT_TRUE(std::isnan(record(32, x))) << field;
    }
}

} // namespace
