#include "expr/postfix.h"

#include <gtest/gtest.h>

// Well-formed texts, then malformed ones whose garbage is still the stated
// garbage; a surplus ")" is dropped.
TEST(ToPfx, TranslatesWellFormedAndMalformedTexts)
{
    const char *cases[][2] = {
        {"r^2*sin(θ)^2", "r2^θS2^*"},
        {"-1+(2*M*r)/(r^2+a^2*cos(θ)^2)", "01-2M*r*r2^a2^θC2^*+/+"},
        {"2*r/M/a", "2r*M/a/"},
        {"-(1-2*M/r)", "012M*r/--"},
        {"r^2^3", "r2^3^"},
        {"-r^2", "0r2^-"},
        {"(-2)*a", "02-a*"},
        {"sin(-θ)", "0θ-S"},
        {"r*(-(1-r))", "r01r--*"},
        {"((r))", "r"},
        {"Λ*t+Q*φ", "Λt*Qφ*+"},
        {"", ""},
        {"sqrt(r)", "rs"},
        {"2.5*r", "25r*."},
        {"r*-1", "r*1-"},
        {"(r", "r("},
        {"sin(r", "rs"},
        {"r*(1+2))-M", "r12+*M-"},
        {"r+co", "rc+"},
    };
    for (auto [infix, postfix] : cases)
        EXPECT_EQ(ToPfx(QString::fromUtf8(infix)), QString::fromUtf8(postfix)) << infix;
}
