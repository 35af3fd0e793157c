#include "physics/f_vec.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(FVec, ComponentwiseArithmetic)
{
    f_vec const a{{1, 2, 3, 4}}, b{{5, 6, 7, 8}};
    f_vec const sum = a + b, scaled = a * 2.5, negated_zero = -f_vec{};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(sum[i], 6 + 2 * i);
        EXPECT_EQ(scaled[i], 2.5 * (i + 1));
        EXPECT_TRUE(negated_zero[i] == 0 && std::signbit(negated_zero[i])) << i;
    }
    // A true division: 5 * (1/3) differs from 5 / 3 in the last bit.
    EXPECT_EQ((f_vec{{5, 5, 5, 5}} / 3.0)[2], 5.0 / 3.0);
    EXPECT_NE(5.0 / 3.0, 5.0 * (1.0 / 3.0));
}

TEST(FVec, DotProductIgnoresTheTimeComponent)
{
    EXPECT_EQ(f_vec({{1000, 2, 3, 4}}) * f_vec({{5, 6, 7, 8}}), 65.0);
}
