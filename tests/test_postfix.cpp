#include "expr/postfix.h"

#include <gtest/gtest.h>

namespace
{

struct Translation {
    const char *infix;
    const char *postfix;
};

class ToPfxTable : public testing::TestWithParam<Translation>
{
};

TEST_P(ToPfxTable, TranslatesToExpectedPostfix)
{
    EXPECT_EQ(ToPfx(QString::fromUtf8(GetParam().infix)), QString::fromUtf8(GetParam().postfix));
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, ToPfxTable,
    testing::Values(Translation{"r^2*sin(θ)^2", "r2^θS2^*"},
                    Translation{"1/(1-2*M/r)", "112M*r/-/"},
                    Translation{"-1+(2*M*r)/(r^2+a^2*cos(θ)^2)", "01-2M*r*r2^a2^θC2^*+/+"},
                    Translation{"2*r/M/a", "2r*M/a/"}, Translation{"sin(r)+cos(θ)", "rSθC+"},
                    Translation{"-(1-2*M/r)", "012M*r/--"}, Translation{"r^2^3", "r2^3^"},
                    Translation{"-r^2", "0r2^-"}, Translation{"0", "0"}, Translation{"-1", "01-"},
                    Translation{"((r))", "r"}, Translation{"Λ*t+Q*φ", "Λt*Qφ*+"},
                    Translation{"", ""}));

// Malformed texts: the output is garbage, but it is the stated garbage.
INSTANTIATE_TEST_SUITE_P(Malformed, ToPfxTable,
                         testing::Values(Translation{"sqrt(r)", "rs"},
                                         Translation{"2.5*r", "25r*."}, Translation{"12*r", "12r*"},
                                         Translation{"r*-1", "r*1-"}, Translation{"(r", "r("},
                                         Translation{"sin(r", "rs"}, Translation{"r)", "r"},
                                         Translation{"r+1)", "r1+"},
                                         Translation{"r*(1+2))-M", "r12+*M-"},
                                         Translation{")))", ""}));

TEST(Prior, FollowsOperatorTable)
{
    const struct {
        char16_t c;
        int p;
    } table[] = {{u'^', 3}, {u'*', 2}, {u'/', 2},  {u'+', 1},  {u'-', 1},
                 {u's', 0}, {u'c', 0}, {u'(', -1}, {u'r', -1}, {u'.', -1}};
    for (auto [c, p] : table) {
        QChar ch(c);
        EXPECT_EQ(prior(ch), p) << char(c);
    }
}

// A function name is consumed whole even at the very end of the text.
TEST(ToPfx, TruncatedFunctionNameStaysInside)
{
    EXPECT_EQ(ToPfx("s"), "s");
    EXPECT_EQ(ToPfx("r+co"), "rc+");
}

} // namespace
