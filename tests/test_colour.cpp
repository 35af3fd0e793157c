#include "render/colour.h"

#include "app/state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace
{

int red(unsigned c)
{
    return (c >> 16) & 0xff;
}
int green(unsigned c)
{
    return (c >> 8) & 0xff;
}
int blue(unsigned c)
{
    return c & 0xff;
}

// Every third value of each channel, with a varying alpha.
template <class F> void for_sample_colours(F f)
{
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 3)
                f(static_cast<unsigned>((r ^ b) << 24 | r << 16 | g << 8 | b));
}

struct ColourGlobals : ::testing::Test {
    void SetUp() override
    {
        simul = false;
        transp = 9;
    }
    void TearDown() override { SetUp(); }
};

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(Hsl, KnownValuesAndRoundTripWithinOneStep)
{
    double H, S, L;
    RGBtoHSL(255, 0, 0, H, S, L);
    EXPECT_EQ(H, 0.0);
    EXPECT_EQ(S, 1.0);
    EXPECT_EQ(L, 0.5);
    RGBtoHSL(0, 0, 255, H, S, L);
    EXPECT_EQ(H, 240.0);
    RGBtoHSL(255, 0, 128, H, S, L); // magenta side: fmod of a negative ratio
    EXPECT_GT(H, 300.0);
    EXPECT_LT(H, 360.0);

    int worst = 0;
    for_sample_colours([&](unsigned c) {
        RGBtoHSL(red(c), green(c), blue(c), H, S, L);
        int r, g, b;
        HSLtoRGB(H, S, L, r, g, b);
        worst =
            std::max({worst, std::abs(r - red(c)), std::abs(g - green(c)), std::abs(b - blue(c))});
    });
    EXPECT_LE(worst, 1);
}

TEST(Hsl, OutOfRangeInputsGiveChannelsInRange)
{
    int r, g, b;
    HSLtoRGB(0.0, 0.0, 7.0, r, g, b);
    EXPECT_EQ(r, 255);
    HSLtoRGB(0.0, 0.0, not_a_number, r, g, b);
    EXPECT_EQ(r, 0);
    HSLtoRGB(90.0, 2.0, 0.9, r, g, b);
    for (int v : {r, g, b}) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 255);
    }
}

TEST(SpectrumPolynomial, PassesThroughChannelsAndIsDarkOutside)
{
    EXPECT_EQ(l_pol(1, 17, 99, 203), 17.0);
    EXPECT_EQ(l_pol(2, 17, 99, 203), 99.0);
    EXPECT_EQ(l_pol(3, 17, 99, 203), 203.0);
    for (double s : {-3.0, -2.0, -1.0, 0.0, 4.0, 5.0, 6.0, 7.0})
        EXPECT_EQ(l_pol(s, 255, 255, 255), 0.0) << s;
}

TEST(SpectrumPolynomial, SamplesStayFarInsideIntegerRangeForAnyShift)
{
    // The classic model truncates these samples to int; the polynomial is
    // linear in the channels, so the corners bound every colour.
    double largest = 0;
    for (int corner = 0; corner < 8; ++corner)
        for (double s = -1.0; s <= 5.0; s += 1.0 / 64)
            largest =
                std::max(largest, std::fabs(l_pol(s, corner & 1 ? 255 : 0, corner & 2 ? 255 : 0,
                                                  corner & 4 ? 255 : 0) *
                                            3.0));
    EXPECT_LT(largest, 1e6);
}

TEST_F(ColourGlobals, ClassicShiftIsIdentityAtZeroAndMovesSpectrumAtFullShift)
{
    for_sample_colours([](unsigned c) { ASSERT_EQ(sh_col(c, 0.0), c) << std::hex << c; });
    // tanh(±20) rounds to ±1: the red sample then reads the blue channel
    // (weighted 3) and the blue sample reads red; a fifth of the input is kept.
    EXPECT_EQ(sh_col(0xff0000ffu, 20.0), 0xffff002au);
    EXPECT_EQ(sh_col(0xffff0000u, -20.0), 0xff2a00ffu);
    EXPECT_EQ(sh_col(0x120000ffu, 20.0) >> 24, 0x12u);
}

TEST_F(ColourGlobals, SimulatedShiftRotatesHueAndKeepsGreys)
{
    simul = true;
    // Half a turn, red to cyan; green is (2/3 - 1/2)·6 = 0.999… of full, truncated.
    EXPECT_EQ(sh_col(0xffff0000u, 1.0), 0xff00feffu);
    EXPECT_EQ(sh_col(0x40ff0000u, 2.0), 0x40ff0000u); // a full turn
    EXPECT_EQ(sh_col(0xffff0000u, -2.0 / 3.0), 0xff00ff00u);
    for (int v = 0; v < 256; ++v) {
        const unsigned grey = 0xff000000u | v << 16 | v << 8 | v;
        for (double x : {-3.7, -0.5, 0.25, 1.0, 42.0, 1e300})
            ASSERT_EQ(sh_col(grey, x), grey) << v << " " << x;
    }
}

TEST_F(ColourGlobals, HugeShiftEndsAndStaysInRange)
{
    simul = true;
    const unsigned c = sh_col(0xff20c040u, -1e300); // repeated +360 would never end
    EXPECT_EQ(c >> 24, 0xffu);
}

TEST_F(ColourGlobals, NonFiniteFactorsLeaveColourUnchanged)
{
    for (bool model : {false, true}) {
        simul = model;
        for (double x : {not_a_number, inf, -inf})
            EXPECT_EQ(sh_col(0xff123456u, x), 0xff123456u) << model << x;
    }
    for (double x : {not_a_number, inf, -inf})
        EXPECT_EQ(bm_col(0x80ff8040u, x), 0x80ff8040u) << x;
}

TEST(Beaming, KnownFactors)
{
    EXPECT_EQ(bm_col(0x80ff8040u, 0.0), 0x80000000u);
    EXPECT_EQ(bm_col(0x80ff8040u, 1.0), 0x80ff8040u);
    // 1/tanh 1 below zero: 128·1.313 = 168.07, 64·1.313 = 84.03, red saturates
    EXPECT_EQ(bm_col(0xffff8040u, -1.0), 0xffffa854u);
    EXPECT_EQ(bm_col(0xffff8040u, 50.0), 0xffffa854u);
}

TEST(Beaming, MonotoneInTheFactor)
{
    for (unsigned c : {0xff010203u, 0xff7f7f7fu, 0xffc0ff10u, 0x00ffffffu}) {
        unsigned before = bm_col(c, 0.0);
        for (double x = 0.02; x < 4.0; x += 0.02) {
            const unsigned now = bm_col(c, x);
            ASSERT_GE(red(now), red(before)) << x;
            ASSERT_GE(green(now), green(before)) << x;
            ASSERT_GE(blue(now), blue(before)) << x;
            ASSERT_EQ(now >> 24, c >> 24);
            before = now;
        }
    }
}

TEST_F(ColourGlobals, BlendWeights)
{
    EXPECT_EQ(av_col(0xff000000u, 0xffffffffu), 0xffe5e5e5u);
    transp = 65535;
    EXPECT_EQ(av_col(0xff000000u, 0xffffffffu), 0xfffefefeu);
    EXPECT_EQ(av_col(0xffffffffu, 0xff000000u), 0xff000000u);
    transp = 1;
    EXPECT_EQ(av_col(0xff000000u, 0xff0a0b0cu), 0xff050506u);
    EXPECT_EQ(av_col(0x00102030u, 0x01a0b0c0u), 0xffa0b0c0u) << "only the disk weighs";
    EXPECT_EQ(av_col(0x40102030u, 0x00a0b0c0u), 0xff102030u) << "the disk weighs nothing";
    EXPECT_EQ(av_col(0x00102030u, 0x00a0b0c0u), 0xff102030u) << "no weights: what is behind";
    transp = -5;
    EXPECT_EQ(av_col(0x40102030u, 0xffa0b0c0u), 0xff102030u) << "a negative weight counts as 0";
}
