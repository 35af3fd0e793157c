#include "physics/f_vec.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(FVec, ValueInitialisedIsZeroAndNegationFlipsSigns)
{
    f_vec z{};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(z[i], 0.0);
    f_vec n = -z;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(n[i], 0.0);
        EXPECT_TRUE(std::signbit(n[i])) << "component " << i;
    }
}

TEST(FVec, ComponentwiseArithmetic)
{
    f_vec a{{1, 2, 3, 4}}, b{{5, 6, 7, 8}};
    f_vec s = a + b;
    f_vec m = a * 2.5;
    f_vec d = b / 4.0;
    f_vec neg = -a;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s[i], a[i] + b[i]);
        EXPECT_EQ(m[i], a[i] * 2.5);
        EXPECT_EQ(d[i], b[i] / 4.0);
        EXPECT_EQ(neg[i], -a[i]);
    }
}

TEST(FVec, DivisionIsATrueDivisionNotAReciprocalProduct)
{
    // 5 * (1/3) and 5 / 3 differ in the last bit.
    f_vec a{{5, 5, 5, 5}};
    EXPECT_EQ((a / 3.0)[0], 5.0 / 3.0);
    EXPECT_NE((a / 3.0)[0], 5.0 * (1.0 / 3.0));
}

TEST(FVec, DivisionByZeroFollowsIeee)
{
    f_vec a{{1, -1, 0, 2}};
    f_vec d = a / 0.0;
    EXPECT_TRUE(std::isinf(d[0]) && d[0] > 0);
    EXPECT_TRUE(std::isinf(d[1]) && d[1] < 0);
    EXPECT_TRUE(std::isnan(d[2]));
}

TEST(FVec, DotProductIgnoresTheTimeComponent)
{
    f_vec a{{1, 2, 3, 4}}, b{{5, 6, 7, 8}};
    EXPECT_EQ(a * b, 65.0);
    f_vec c{{1000, 2, 3, 4}};
    EXPECT_EQ(c * b, 65.0);
}
