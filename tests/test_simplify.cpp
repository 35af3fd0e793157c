#include "expr/compiled.h"
#include "expr/postfix.h"
#include "expr/simplify.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

struct Rewrite {
    const char *in;
    const char *out;
};

class SimpPfxTable : public testing::TestWithParam<Rewrite>
{
};

TEST_P(SimpPfxTable, RewritesInPlaceAndReturnsCopy)
{
    QString s = QString::fromUtf8(GetParam().in);
    QString returned = SimpPfx(s);
    EXPECT_EQ(s, QString::fromUtf8(GetParam().out));
    EXPECT_EQ(returned, s);
}

INSTANTIATE_TEST_SUITE_P(
    Identities, SimpPfxTable,
    testing::Values(Rewrite{"rM*", "Mr*"}, Rewrite{"θr*", "rθ*"}, Rewrite{"rr-", "0"},
                    Rewrite{"rr/", "1"}, Rewrite{"r1*", "r"}, Rewrite{"1r*", "1r*"},
                    Rewrite{"0r+", "r"}, Rewrite{"r0-", "r"}, Rewrite{"0r-", "0r-"},
                    Rewrite{"0r^", "0"}, Rewrite{"r1^", "r"}, Rewrite{"rr*-", "rr*-"},
                    Rewrite{"0-", "0"}, Rewrite{"rr2^*rr2^*+", "r2^r*r2^r*+"}, Rewrite{"00/", "1"},
                    Rewrite{"00^", "0"}, Rewrite{"r0*M+", "M"}, Rewrite{"rS0*rC+", "rC"},
                    Rewrite{"", ""}));

// Whatever the input, a pass only rearranges text it has: operators short of
// operands stay attached instead of reaching below the stack of strings.
INSTANTIATE_TEST_SUITE_P(Malformed, SimpPfxTable,
                         testing::Values(Rewrite{"12", "1"}, Rewrite{"*", "*"}, Rewrite{"*+", "*+"},
                                         Rewrite{"r+", "r+"}, Rewrite{"S", "S"},
                                         Rewrite{"rr*-M*", "Mrr*-*"}, Rewrite{"-r", "-"}));

TEST(ValPfx, CompleteExpressionsWithinTenValues)
{
    EXPECT_TRUE(valPfx("rr*"));
    EXPECT_TRUE(valPfx("r"));
    EXPECT_TRUE(valPfx("rS"));
    EXPECT_FALSE(valPfx("S"));
    EXPECT_FALSE(valPfx("rr"));
    EXPECT_FALSE(valPfx("r-"));
    EXPECT_FALSE(valPfx(""));
    EXPECT_TRUE(valPfx("rrrrrrrrrr+++++++++"));
    EXPECT_FALSE(valPfx("rrrrrrrrrrr++++++++++"));
    EXPECT_FALSE(valPfx("r+rr*"));
}

TEST(MaxRepStr, MostFrequentCompletePieceLastTieWins)
{
    QString s = "rr2^*rr2^*+";
    EXPECT_EQ(MaxRepStr(s), "r2^");
    s = "Mr*Mr*+";
    EXPECT_EQ(MaxRepStr(s), "Mr*");
    s = "бб+";
    EXPECT_EQ(MaxRepStr(s), "");
    s = "rr+";
    EXPECT_EQ(MaxRepStr(s), "");
    // Counted with overlaps: "rrr**"... the piece ending the string never counts.
    s = "r2^r2^*";
    EXPECT_EQ(MaxRepStr(s), "r2^");
}

struct Factoring {
    const char *in;
    const char *finished;
    const char *main;
};

class OptPfxTable : public testing::TestWithParam<Factoring>
{
};

TEST_P(OptPfxTable, FactorsRepeatedPieces)
{
    QString s = QString::fromUtf8(GetParam().in);
    EXPECT_EQ(OptPfx(s), QString::fromUtf8(GetParam().finished));
    EXPECT_EQ(s, QString::fromUtf8(GetParam().main));
}

INSTANTIATE_TEST_SUITE_P(Cases, OptPfxTable,
                         testing::Values(Factoring{"Ma2^+r3^-Ma2^+*", "a2^Mа+ббr3^-*$", "ббr3^-*"},
                                         Factoring{"r2^r*r2^r*+", "r2^rа*бб+$", "бб+"},
                                         Factoring{"0", "0$", "0"}, Factoring{"r2^", "r2^$", "r2^"},
                                         Factoring{"01-", "01-$", "01-"}, Factoring{"", "$", ""},
                                         Factoring{"r0*M+", "M$", "M"}));

f_vec point()
{
    return {{0.1, 2.3, 0.7, 0.4}};
}

double valueOf(QString finished)
{
    return CntPfx(TrPfx(finished).code, point());
}

// Twenty different repeated pieces: factoring them all would need twenty
// slots for the temporaries alone, and reordering the sum deepens it.
QString sumOfSquares(int terms)
{
    const QString operands = QString::fromUtf8("rθφtMaQ");
    QString s;
    for (int i = 0; i < terms; ++i) {
        QString piece =
            operands[i % operands.size()] + QString::number(i / operands.size() + 1) + "+S";
        s += piece + piece + "*";
        if (i > 0)
            s += "+";
    }
    return s;
}

int temporariesIn(const QString &finished)
{
    int count = 0;
    for (QChar c : finished)
        if (c.unicode() >= 0x430 && c.unicode() < 0x440)
            count = std::max(count, c.unicode() - 0x430 + 1);
    return count;
}

TEST(OptPfx, StopsBeforeTheStackOverflows)
{
    const QString s = sumOfSquares(20);
    QString main = s;
    const QString finished = OptPfx(main);
    EXPECT_GE(temporariesIn(finished), 1);
    EXPECT_GE(stackNeed(finished), 1);
    EXPECT_LE(stackNeed(finished), 16);
    EXPECT_NEAR(valueOf(finished), valueOf(s + "$"), 1e-12);
}

// An unrunnable string (here: a token without byte code) has no stack budget
// to respect, but the names of the temporaries still run out after sixteen.
TEST(OptPfx, NeverMoreThanSixteenTemporaries)
{
    QString main = sumOfSquares(40) + "x*";
    const QString finished = OptPfx(main);
    EXPECT_EQ(temporariesIn(finished), 16);
    EXPECT_FALSE(finished.contains(QChar(0x440)));
    EXPECT_EQ(stackNeed(finished), -1);
}

// Random texts over the editor's alphabet must never make any stage read or
// write out of bounds (this test is meant to run under the sanitizers too),
// and whatever compiles must evaluate like the unfactored string.
TEST(Pipeline, RandomTextsAreHandledSafely)
{
    const QString alphabet = QString::fromUtf8("0123456789MaQΛtrθφ+-*/^()sin(cos(.x ");
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    int compiled = 0;
    for (int n = 0; n < 20000; ++n) {
        QString text;
        for (int i = length(rng); i > 0; --i)
            text += alphabet[pick(rng)];
        QString postfix = ToPfx(text);
        QString plain = postfix;
        SimpPfx(plain);
        QString main = postfix;
        cmp_expr e = TrPfx(OptPfx(main));
        double v = CntPfx(e.code, point());
        double reference = valueOf(plain + "$");
        // Only a single expression has one meaning; a malformed string may
        // keep its top value short and its bottom value when simplified.
        if (valPfx(postfix) && std::isfinite(v) && std::isfinite(reference)) {
            ++compiled;
            EXPECT_NEAR(v, reference, 1e-9 * std::max(1.0, std::fabs(reference)))
                << text.toStdString();
        }
    }
    EXPECT_GT(compiled, 300);
}

} // namespace
