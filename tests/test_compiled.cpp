#include "app/state.h"
#include "expr/compiled.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

f_vec at(double t, double r, double θ, double φ)
{
    return {{t, r, θ, φ}};
}

double eval(const char *finished, f_vec x)
{
    return CntPfx(TrPfx(QString::fromUtf8(finished)).code, x);
}

std::vector<int> codes(const cmp_expr &e)
{
    std::vector<int> out;
    for (unsigned char c : e.code) {
        out.push_back(c);
        if (c == 41)
            break;
    }
    return out;
}

class Compiled : public testing::Test
{
  protected:
    void SetUp() override
    {
        P[0] = 1.5; // M
        P[1] = 0.7; // a
        P[2] = 0.3; // Q
        P[3] = 0.01;
    }
};

TEST_F(Compiled, FlagsFollowTheString)
{
    EXPECT_EQ(TrPfx("0$").nz, 0);
    EXPECT_EQ(TrPfx("1$").nz, 1);
    EXPECT_EQ(TrPfx("r2^$").nz, 1);
    cmp_expr r = TrPfx("r$");
    EXPECT_EQ(r.nz, 1);
    EXPECT_EQ(r.dep[0] + r.dep[1] + r.dep[2] + r.dep[3], 1);
    EXPECT_EQ(r.dep[1], 1);
    cmp_expr all = TrPfx(QString::fromUtf8("tr+θ+φ+$"));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(all.dep[k], 1) << k;
}

TEST_F(Compiled, CodesAndValueWithTemporaries)
{
    cmp_expr e = TrPfx(QString::fromUtf8("a2^Mа+ббr3^-*$"));
    EXPECT_EQ(codes(e), (std::vector<int>{19, 6, 18, 15, 25, 1, 26, 26, 20, 7, 18, 2, 0, 41}));
    for (std::size_t i = 14; i < sizeof e.code; ++i)
        ASSERT_EQ(e.code[i], 0) << i;
    const double r = 2.5;
    const double m = P[0] + P[1] * P[1];
    EXPECT_DOUBLE_EQ(CntPfx(e.code, at(0, r, 1, 0)), m * (m - r * r * r));
}

TEST_F(Compiled, EveryOperandAndOperator)
{
    const f_vec x = at(0.25, 3.0, 0.5, 1.25);
    const struct {
        const char *program;
        double value;
    } cases[] = {
        {"r2^$", 9.0},
        {"r5/2^$", 0.36},
        {"tr*$", 0.75},
        {"θS$", std::sin(0.5)},
        {"φC$", std::cos(1.25)},
        {"MaQΛ+++$", 1.5 + 0.7 + 0.3 + 0.01},
        {"0123456789+++++++++$", 45.0},
        {"r7-$", -4.0},
        {"r8/$", 0.375},
        {"rr*-$", -9.0},
        {"r-$", -3.0},
        {"r2-3-$", -2.0},
        {"r12/^$", 1.0},
    };
    for (auto [program, value] : cases)
        EXPECT_NEAR(eval(program, x), value, 1e-15) << program;
    EXPECT_EQ(eval("2r/$", at(0, 0, 0, 0)), std::numeric_limits<double>::infinity());
}

TEST(Pw, StatedCasesAndMultiplicationOrder)
{
    EXPECT_EQ(pw(1.7, 0), 1.0);
    EXPECT_EQ(pw(1.7, 1), 1.7);
    EXPECT_EQ(pw(1.7, -2), 1.7);
    EXPECT_EQ(pw(2.0, 10), 1024.0);
    const double x = 1.1;
    EXPECT_EQ(pw(x, 3), (x * x) * x);
    EXPECT_EQ(pw(x, 4), ((x * x) * x) * x);
    EXPECT_EQ(pw(x, 5), ((((x * x) * x) * x) * x));
    EXPECT_EQ(pw(x, 7), (((((x * x) * x) * x) * x) * x) * x);
}

TEST(Pw, HugeExponentsFinishAtOnce)
{
    EXPECT_EQ(pw(3.0, 2147483647), std::numeric_limits<double>::infinity());
    EXPECT_EQ(pw(-3.0, 2147483647), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(pw(0.5, 2147483646), 0.0);
    EXPECT_EQ(pw(-1.0, 2147483647), -1.0);
    EXPECT_TRUE(std::isnan(pw(std::nan(""), 1000000)));
}

TEST_F(Compiled, ExponentsOutOfIntRangeGiveTheBase)
{
    EXPECT_EQ(eval("r99*9*9*9*9*9*9*9*9*9*^$", at(0, 3, 0, 0)), 3.0);
    EXPECT_EQ(eval("r00/^$", at(0, 3, 0, 0)), 3.0);
}

TEST_F(Compiled, DerivativeMatchesCentralDifference)
{
    const cmp_expr sq = TrPfx("r2^$");
    const f_vec x = at(0, 3, 0, 0);
    EXPECT_EQ(der(sq.code, 1, x), 6.000000016825879);
    EXPECT_EQ(der(sq.code, 0, x), 0.0);
    const cmp_expr s = TrPfx(QString::fromUtf8("θS$"));
    EXPECT_NEAR(der(s.code, 2, at(0, 1, 0.4, 0)), std::cos(0.4), 1e-8);
}

TEST_F(Compiled, UnrunnableProgramsEvaluateToNaN)
{
    const char *bad[] = {
        "",                   // nothing at all
        "$",                  // no value
        "r2^",                // no end mark
        "*$",                 // underflow
        "r+$",                // underflow of a binary operator
        "S$",                 // function of nothing
        "аr$",                // slot 0 read before anything filled it
        "rб+$",               // slot 1 read while only slot 0 is filled
        "x$",                 // code 97 has no handler
        "A$",                 // code 42 may not come from text
        "B$",                 // neither may 43
        "11111111111111111$", // 17 values
    };
    for (const char *program : bad) {
        cmp_expr e = TrPfx(QString::fromUtf8(program));
        EXPECT_TRUE(std::isnan(CntPfx(e.code, at(0, 2, 1, 0)))) << program;
        EXPECT_EQ(e.nz, 1) << program;
    }
    EXPECT_EQ(eval("1111111111111111+++++++++++++++$", at(0, 0, 0, 0)), 16.0);
}

TEST_F(Compiled, LengthLimitCountsTheEndMark)
{
    QString fits = u'r' + QString(255, u'S') + QString(255, u'C') + u'$';
    ASSERT_EQ(fits.size(), 512);
    EXPECT_NEAR(
        CntPfx(TrPfx(fits).code, at(0, 0.3, 0, 0)),
        [] {
            double v = 0.3;
            for (int i = 0; i < 255; ++i)
                v = std::sin(v);
            for (int i = 0; i < 255; ++i)
                v = std::cos(v);
            return v;
        }(),
        0.0);
    QString tooLong = u'r' + QString(256, u'S') + QString(255, u'C') + u'$';
    EXPECT_TRUE(std::isnan(CntPfx(TrPfx(tooLong).code, at(0, 0.3, 0, 0))));
}

TEST_F(Compiled, UnaryMinusOnlyOnASingleValue)
{
    EXPECT_EQ(eval("2r-$", at(0, 5, 0, 0)), -3.0);
    // Above a temporary the minus is binary: the rule counts the whole stack.
    EXPECT_EQ(eval("2а-$", at(0, 5, 0, 0)), 0.0);
    EXPECT_EQ(eval("rr*-$", at(0, 5, 0, 0)), -25.0);
}

} // namespace
