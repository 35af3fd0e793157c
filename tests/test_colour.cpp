// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/colour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace
{
int channel(unsigned c, int shift)
{
    return (c >> shift) & 0xff;
}
} // namespace

// Every fifth value of each channel, with a varying alpha: HSL there and back
// within one step, and the classic shift by 0 the identity.
TEST(Colour, HslRoundTripAndTheClassicShiftByZeroKeepEveryColour)
{
    double H, S, L;
    RGBtoHSL(0, 0, 255, H, S, L);
    EXPECT_TRUE(H == 240 && S == 1 && L == 0.5) << H << " " << S << " " << L;
    for (unsigned r = 0; r < 256; r += 5)
        for (unsigned g = 0; g < 256; g += 5)
            for (unsigned b = 0; b < 256; b += 5) {
                const unsigned c = (r ^ b) << 24 | r << 16 | g << 8 | b;
                ASSERT_EQ(sh_col(c, 0.0, false), c) << std::hex << c;
                int rgb[3];
                RGBtoHSL(int(r), int(g), int(b), H, S, L);
                HSLtoRGB(H, S, L, rgb[0], rgb[1], rgb[2]);
                for (int i = 0; i < 3; ++i)
                    ASSERT_LE(std::abs(rgb[i] - channel(c, 16 - 8 * i)), 1) << std::hex << c;
            }
}

// Classic: tanh(±20) rounds to ±1, so red samples the blue channel weighted
// by 3 and blue samples red, a sixth of the input mixed back in. Simulated:
// half a turn takes red to cyan (green (2/3 − 1/2)·6 = 0.999… of full,
// truncated), a whole turn keeps it. Non-finite factors change nothing,
// beaming included.
TEST(Colour, ShiftsOfKnownColoursAndNonFiniteFactors)
{
    const struct {
        unsigned in;
        double x;
        bool simulated;
        unsigned out;
    } cases[] = {{0x120000ffu, 20.0, false, 0x12ff002au},
                 {0xffff0000u, -20.0, false, 0xff2a00ffu},
                 {0xffff0000u, 1.0, true, 0xff00feffu},
                 {0x40ff0000u, 2.0, true, 0x40ff0000u}};
    for (auto [in, x, simulated, out] : cases)
        EXPECT_EQ(sh_col(in, x, simulated), out) << std::hex << in << " " << x;
    // Greys stay, even where ±1e300 would turn the hue for ever.
    for (unsigned v = 0; v < 256; v += 17)
        for (double x : {-3.7, 42.0, 1e300, -1e300})
            ASSERT_EQ(sh_col(0xff000000u | v * 0x010101u, x, true), 0xff000000u | v * 0x010101u);
    for (double x : {NAN, INFINITY, -INFINITY}) {
        EXPECT_EQ(bm_col(0x80ff8040u, x), 0x80ff8040u) << x;
        for (bool simulated : {false, true})
            EXPECT_EQ(sh_col(0xff123456u, x, simulated), 0xff123456u) << simulated << x;
    }
}

TEST(Colour, BeamingScalesMonotonicallyUpToOneOverTanhOne)
{
    EXPECT_EQ(bm_col(0x80ff8040u, 0.0), 0x80000000u);
    EXPECT_EQ(bm_col(0x80ff8040u, 1.0), 0x80ff8040u);
    EXPECT_EQ(bm_col(0xffff8040u, -1.0),
              0xffffa854u); // 168.07, 84.03, red saturated
    unsigned before = 0;
    for (double x = 0.0; x < 4.0; x += 0.02) {
        const unsigned now = bm_col(0xffc07f01u, x);
        for (int shift : {0, 8, 16})
            ASSERT_GE(channel(now, shift), channel(before, shift)) << x;
        before = now;
    }
}

TEST(Colour, BlendWeights)
{
    EXPECT_EQ(av_col(0xff000000u, 0xffffffffu, 9), 0xffe5e5e5u);
    // 255·16711425 overflows 32 bits
    EXPECT_EQ(av_col(0xff000000u, 0xffffffffu, 65535), 0xfffefefeu);
    EXPECT_EQ(av_col(0xff000000u, 0xff0a0b0cu, 1), 0xff050506u);
    EXPECT_EQ(av_col(0x00102030u, 0x01a0b0c0u, 1), 0xffa0b0c0u);
    EXPECT_EQ(av_col(0x00102030u, 0x00a0b0c0u, 1), 0xff102030u) << "no weight: what lies behind";
}
