// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/compiled.h"

#include "tests/support/thread_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

const double inf = std::numeric_limits<double>::infinity();
const double P[4] = {1.5, 0.7, 0.3, 0.01}; // M, a, Q, Λ

double eval(const QString &finished, f_vec x = {{0.25, 3.0, 0.5, 1.25}})
{
    return CntPfx(TrPfx(finished).code, x, P);
}

// Every operand and operator, and temporaries named and read back.
TEST(Compiled, ValuesFlagsAndNaNForWhatCannotRun)
{
    const struct {
        const char *program;
        double value;
    } cases[] = {{"r5/2^$", 0.36},
                 {"tr*$", 0.75},
                 {"θS$", std::sin(0.5)},
                 {"φC$", std::cos(1.25)},
                 {"MaQΛ+++$", 2.51},
                 {"0123456789+++++++++$", 45.0},
                 {"r7-$", -4.0},
                 {"rr*-$", -9.0},
                 {"2а-$", 0.0}, // above a temporary a minus is binary
                 {"r12/^$", std::sqrt(3.0)},
                 {"r02-^$", 1.0 / 9},
                 {"rRrE+$", std::sqrt(3.0) + std::exp(3.0)},
                 {"rLθY+$", std::log(3.0) + std::sinh(0.5)},
                 {"θKθT+$", std::cosh(0.5) + std::tanh(0.5)},
                 {"a2^Mа+ббr3^-*$", (1.5 + 0.7 * 0.7) * (1.5 + 0.7 * 0.7 - 27)}};
    for (auto [program, value] : cases)
        EXPECT_NEAR(eval(QString::fromUtf8(program)), value, 1e-14) << program;
    EXPECT_EQ(eval("2r/$", {{0, 0, 0, 0}}), inf);

    const CompiledExpr zero = TrPfx("0$"), r = TrPfx("r$"),
                       all = TrPfx(QString::fromUtf8("tr+θ+φ+$"));
    EXPECT_EQ(zero.nz * 100 + r.nz * 10 + all.nz, 11);
    EXPECT_EQ(r.dep[0] + 2 * r.dep[1] + 4 * r.dep[2] + 8 * r.dep[3], 2);
    EXPECT_EQ(all.dep[0] + all.dep[1] + all.dep[2] + all.dep[3], 4);

    // Programs that could not run safely compile to NaN instead.
    for (const char *program : {"", "$", "r2^", "*$", "r+$", "S$", "R$", "аr$", "rб+$", "x$", "A$",
                                "р$", "02-12/^$", "11111111111111111$"}) {
        const CompiledExpr e = TrPfx(QString::fromUtf8(program));
        EXPECT_TRUE(std::isnan(CntPfx(e.code, {{0, 2, 1, 0}}, P))) << program;
        EXPECT_EQ(e.nz, 1) << program;
    }
    EXPECT_EQ(eval("1111111111111111+++++++++++++++$"), 16.0);
    QString longest = u'r' + QString(255, u'S') + QString(255, u'C') + u'$';
    EXPECT_TRUE(std::isfinite(eval(longest)));
    EXPECT_TRUE(std::isnan(eval(longest.insert(1, u'S'))));
}

// Whole exponents are pw's products (their reciprocal below zero), bit for
// bit; every other exponent is pow's, NaN for a negative base.
TEST(Power, WholeExponentsArePwAndOthersPow)
{
    const double x = 1.1, nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double base, exponent, value;
    } cases[] = {{x, 6, pw(x, 6)},
                 {x, -2, 1 / pw(x, 2)},
                 {x, 0, 1},
                 {x, 2147483647.0, pw(x, 2147483647)},
                 {x, 2147483648.0, std::pow(x, 2147483648.0)},
                 {2, 0.5, std::pow(2.0, 0.5)},
                 {0, -1, inf},
                 {1, nan, 1},
                 {-8, 1.0 / 3, nan},
                 {x, nan, nan}};
    for (auto [base, exponent, value] : cases) {
        const double got = power(base, exponent);
        EXPECT_TRUE(got == value || (std::isnan(got) && std::isnan(value)))
            << base << "^" << exponent << " = " << got;
    }
}

// The exact derivative along r at r = 3 through each function and power.
TEST(Slope, CarriesTheDerivativeThroughEveryFunctionAndPower)
{
    const double r = 3.0;
    const struct {
        const char *program;
        double derivative;
    } cases[] = {{"rR$", 0.5 / std::sqrt(r)},
                 {"rE$", std::exp(r)},
                 {"rL$", 1 / r},
                 {"rY$", std::cosh(r)},
                 {"rK$", std::sinh(r)},
                 {"rT$", 1 - std::tanh(r) * std::tanh(r)},
                 {"rS$", std::cos(r)},
                 {"r3^$", 3 * r * r},
                 {"r02-^$", -2 / (r * r * r)},
                 {"r12/^$", 0.5 / std::sqrt(r)},
                 {"2r^$", std::pow(2.0, r) * std::log(2.0)},
                 {"rr^$", std::pow(r, r) * (1 + std::log(r))}};
    for (auto [program, derivative] : cases)
        EXPECT_NEAR(slope(TrPfx(QString::fromUtf8(program)).code, 1, {{0.25, r, 0.5, 1.25}}, P),
                    derivative, 1e-12 * std::fabs(derivative))
            << program;
}

TEST(Pw, MultipliesInTheStatedOrderAndBoundsHugeExponents)
{
    const double x = 1.1;
    EXPECT_EQ(pw(x, -2), x);
    EXPECT_EQ(pw(x, 6), (((x * x) * x) * x) * x * x);
    double odd = x;
    for (int k = 1; k < 63; k += 2)
        odd = (odd * x) * x;
    EXPECT_EQ(pw(x, 63), odd);

    // (1 − 2M/r)^r far out, r^(9^9·5) and exponents near the int limit: all
    // within a few milliseconds of processor time, not a multiplication per
    // unit of the exponent (seconds for each).
    const double start = thread_seconds();
    EXPECT_NEAR(pw(1 - 2e-9, 1000000000), std::exp(-2.0), 1e-6);
    EXPECT_EQ(pw(1.000001, 9 * 9 * 9 * 9 * 9 * 9 * 9 * 9 * 9 * 5), inf);
    EXPECT_EQ(pw(-3.0, 2147483647), -inf);
    EXPECT_EQ(pw(0.5, 2147483646), 0.0);
    EXPECT_EQ(pw(-1.0, 2147483647), -1.0);
    EXPECT_LT(thread_seconds() - start, 0.05);
}

} // namespace
