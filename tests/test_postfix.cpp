// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/compiled.h"
#include "expr/postfix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

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
        {"sqrt(1-2*M/r)", "12M*r/-R"},
        {"tanh(t)*log(r)-exp(-r)", "tTrL*0r-E-"},
        {"sinh(θ)/cosh(φ)", "θYφK/"},
        {"r^(-2)", "r02-^"},
        {"1/30", "1391+*/"},
        {"2.5*r", "52/r*"},
        {".25+1.5e-3", "14/3291+3^*/+"},
        {"0.998", "491+*9+91+*9+591+2^*/"},
        {"1E3+0007", "91+3^7+"},
        {"r*-1", "r*1-"},
        {"(r", "r("},
        {"sin(r", "rs"},
        {"r*(1+2))-M", "r12+*M-"},
        {"sqrt r", "srtqr "},
    };
    for (auto [infix, postfix] : cases)
        EXPECT_EQ(ToPfx(QString::fromUtf8(infix)), QString::fromUtf8(postfix)) << infix;
}

// A number's program evaluates to the correctly rounded double of its text:
// the C library's reading, to the bit, for chosen edges and random texts.
TEST(ToPfx, NumbersAreTheCorrectlyRoundedDoubleOfTheirText)
{
    std::vector<std::string> texts = {"0.1",
                                      "0.3",
                                      "1e22",
                                      "1e23",
                                      "9007199254740993",
                                      "123456789012345678901234567890",
                                      "4.9e-324",
                                      "2.4703282292062328e-324",
                                      "1.7976931348623157e308",
                                      "2.2250738585072011e-308",
                                      "0.000000000000000000001",
                                      "5e-22",
                                      "0.998",
                                      "6.02214076e23",
                                      "1e-400",
                                      "00.0e5"};
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        std::string t;
        const int digits = 1 + int(rng() % 20), point = int(rng() % (digits + 1));
        for (int k = 0; k < digits; ++k) {
            if (k == point)
                t += '.';
            t += char('0' + rng() % 10);
        }
        if (rng() % 2)
            t += 'e', t += std::to_string(int(rng() % 80) - 40);
        texts.push_back(t);
    }
    const double P[4] = {};
    for (const std::string &t : texts) {
        const QString text = QString::fromStdString(t);
        ASSERT_EQ(number_length(text, 0), text.size()) << t;
        const double want = std::strtod(t.c_str(), nullptr);
        const double got = CntPfx(TrPfx(number_postfix(text) + u'$').code, f_vec{}, P);
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << t;
    }
    EXPECT_EQ(number_length(u"1.5e", 0), 3);
    EXPECT_EQ(number_length(u"2exp(", 0), 1);
    EXPECT_EQ(number_length(u".", 0), 0);
}
