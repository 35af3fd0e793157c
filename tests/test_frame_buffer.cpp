// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_buffer.h"

#include <gtest/gtest.h>

TEST(FrameBuffer, CountsStoresNotClaimsAndDimWipesAll)
{
    MyImage img(4, 3);
    img.set_done(1, 2);
    EXPECT_EQ(img.done(), 0);
    EXPECT_FALSE(img.done(2, 1)) << "row-major";
    img.set_pixel(3, 2, 0xff123456u);
    img.set_pixel(3, 2, 0xff654321u);
    EXPECT_EQ(img.done(), 2);
    EXPECT_EQ(img.read(3, 2), 0xff654321u);
    img.dim(5, 2);
    EXPECT_EQ(img.width() * 10 + img.height(), 52);
    EXPECT_EQ(img.done(), 0);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(img.read(i % 5, i / 5) == 0xff000000u && !img.done(i % 5, i / 5)) << i;
    img.dim(-3, 4);
    EXPECT_EQ(img.pixels(), 0);
}
