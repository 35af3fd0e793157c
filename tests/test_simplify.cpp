// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/compiled.h"
#include "expr/postfix.h"
#include "expr/simplify.h"
#include "expr/stack_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

// M, a, Q and Λ all 0: the values below are those of the coordinates alone.
double valueOf(const QString &finished)
{
    const double no_parameters[4] = {};
    return CntPfx(TrPfx(finished).code, {{0.1, 2.3, 0.7, 0.4}}, no_parameters);
}

// Identities, then malformed strings: an operator short of operands stays
// attached to what is there instead of reading below the stack of strings.
TEST(SimpPfx, RewritesInPlaceAndKeepsTheValue)
{
    const char *cases[][2] = {
        {"rM*", "Mr*"}, {"rr-", "0"},   {"rr/", "1"},   {"r1*", "r"},         {"0r+", "r"},
        {"r0-", "r"},   {"r1^", "r"},   {"1r*", "1r*"}, {"0r-", "0r-"},       {"0r^", "0r^"},
        {"02^", "0"},   {"00^", "00^"}, {"00/", "1"},   {"rS0*rC+", "rC"},    {"", ""},
        {"12", "1"},    {"*+", "*+"},   {"S", "S"},     {"rr*-M*", "Mrr*-*"}, {"-r", "-"},
    };
    for (auto [in, out] : cases) {
        QString s = QString::fromUtf8(in);
        EXPECT_EQ(SimpPfx(s), QString::fromUtf8(out)) << in;
        EXPECT_EQ(s, QString::fromUtf8(out)) << in;
    }

    // Simplifying never changes a value: 0^x is 0 only for an exponent known to
    // be at least 1 (0^0 is 1), whatever surrounds it.
    for (const char *text : {"0^a+8", "0^(1-1)+8", "0^0*r", "0^2+8", "0^r+r^0", "(r-r)^M+1"}) {
        QString plain = ToPfx(QString::fromUtf8(text));
        QString simplified = plain;
        EXPECT_EQ(valueOf(OptPfx(simplified)), valueOf(plain + "$")) << text;
    }
}

// Distinct repeated pieces summed left to right: factoring all, or the
// canonical order of "+", would outgrow the stack.
QString deepSum(int terms)
{
    QString s;
    for (int i = 0; i < terms; ++i) {
        QString term = QString::fromUtf8(i % 2 ? "rθ%1^*" : "r%1^").arg(i / 2 + 2);
        s += term + term + "*" + (s.isEmpty() ? "" : "+");
    }
    return s;
}

// Most frequent piece, last of ties, never the last character; then the
// factored program and the main string left behind.
TEST(OptPfx, FactorsRepeatedPiecesAndAlwaysFinishesWithARunnableProgram)
{
    for (auto [in, piece] : {std::pair{"rr2^*rr2^*+", "r2^"}, {"бб+", ""}}) {
        QString s = QString::fromUtf8(in);
        EXPECT_EQ(MaxRepStr(s), QString::fromUtf8(piece)) << in;
    }
    const char *cases[][3] = {
        {"Ma2^+r3^-Ma2^+*", "a2^Mа+ббr3^-*$", "ббr3^-*"},
        {"r2^r*r2^r*+", "r2^rа*бб+$", "бб+"},
        {"r2^", "r2^$", "r2^"},
        {"", "$", ""},
    };
    for (auto [in, finished, main] : cases) {
        QString s = QString::fromUtf8(in);
        EXPECT_EQ(OptPfx(s), QString::fromUtf8(finished)) << in;
        EXPECT_EQ(s, QString::fromUtf8(main)) << in;
    }

    const QString s = deepSum(16);
    QString canonical = s;
    SimpPfx(canonical);
    ASSERT_EQ(stack_need(canonical + "$"), -1);
    QString main = s;
    const QString finished = OptPfx(main);
    EXPECT_TRUE(finished.contains(u'а'));
    EXPECT_GE(stack_need(finished), 1);
    EXPECT_NEAR(valueOf(finished), valueOf(shallowest_order(s) + "$"), 1e-12);
    // An unrunnable string has no stack budget, but names run out at sixteen.
    main = s + "x*";
    EXPECT_FALSE(OptPfx(main).contains(QChar(0x440)));
}

// The deeper operand of a commutative operator first; complete expressions
// within ten values.
TEST(ShallowestOrder, DeeperOperandOfCommutativeOperatorsFirstAndValidity)
{
    const char *cases[][2] = {
        {"rMa*+", "Ma*r+"}, {"rMa*-", "rMa*-"}, {"rθSaC*+", "θSaC*r+"}, {"r-", "r-"}};
    for (auto [in, out] : cases)
        EXPECT_EQ(shallowest_order(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
    for (const char *yes : {"rr*", "rS", "rrrrrrrrrr+++++++++"})
        EXPECT_TRUE(valPfx(yes)) << yes;
    for (const char *no : {"S", "rr", "r-", "", "rrrrrrrrrrr++++++++++"})
        EXPECT_FALSE(valPfx(no)) << no;
}

// Random texts and postfix strings: no out-of-bounds access (run under the
// sanitizers too), an unrunnable program is NaN, factoring keeps the value.
TEST(Pipeline, RandomInputIsHandledSafely)
{
    std::mt19937 rng(20261206);
    const QString texts = QString::fromUtf8("0123456789MaQΛtrθφ+-*/^()sin(cos(.x ");
    const QString postfix = QString::fromUtf8("0129MaQΛtrθφ+-*/^CSабвгп$.xAB(");
    auto random_string = [&rng](const QString &alphabet, int longest) {
        QString s;
        for (int i = std::uniform_int_distribution<int>(0, longest)(rng); i > 0; --i)
            s += alphabet[std::uniform_int_distribution<int>(0, alphabet.size() - 1)(rng)];
        return s;
    };
    int compared = 0;
    for (int n = 0; n < 40000; ++n) {
        const QString s = n % 2 ? ToPfx(random_string(texts, 40)) : random_string(postfix, 60);
        QString main = s;
        const QString finished = OptPfx(main);
        const double v = valueOf(finished);
        if (stack_need(finished) < 0) {
            EXPECT_TRUE(std::isnan(v)) << finished.toStdString();
        }
        QString plain = s;
        const double reference = valueOf(SimpPfx(plain) + "$");
        if (valPfx(s) && std::isfinite(v) && std::isfinite(reference)) {
            ++compared;
            EXPECT_NEAR(v, reference, 1e-9 * std::max(1.0, std::fabs(reference)))
                << s.toStdString();
        }
    }
    EXPECT_GT(compared, 300);
}

} // namespace
