// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/raw_image.h"

#include <gtest/gtest.h>

namespace
{
unsigned colour_of(int x, int y)
{
    return 0xff000000u | x << 8 | y;
}

void claim(MyImage &img, std::initializer_list<int> columns, std::initializer_list<int> rows)
{
    for (int y : rows)
        for (int x : columns) {
            img.set_done(x, y);
            img.set_pixel(x, y, colour_of(x, y));
        }
}
} // namespace

// The whole frame is the pixel array without alpha, in a copy of its own;
// a coarser level packs the claimed pixels, padding with black, and never
// reads past the frame.
TEST(RawToImage, PacksClaimedPixelsPadsWithBlackAndNeverOverruns)
{
    MyImage img(6, 4);
    claim(img, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3});
    img.set_pixel(5, 3, 0x12abcdefu);
    const QImage whole = raw_to_image(img, 6, 4, 0, 0);
    img.dim(6, 4);
    ASSERT_EQ(whole.size(), QSize(6, 4));
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(whole.pixel(i % 6, i / 6), i == 23 ? 0xffabcdefu : colour_of(i % 6, i / 6));

    claim(img, {0, 2, 5}, {0, 3});
    img.set_pixel(1, 1, 0xffffffffu); // coloured, not claimed
    const QImage grid = raw_to_image(img, 6, 4, 3, 2);
    EXPECT_EQ(grid.pixel(2, 0), colour_of(5, 0));
    EXPECT_EQ(grid.pixel(1, 1), colour_of(2, 3));
    const QImage cut_short = raw_to_image(img, 6, 4, 0, 0);
    EXPECT_EQ(cut_short.pixel(5, 0), colour_of(5, 3));
    EXPECT_EQ(cut_short.pixel(0, 1), 0xff000000u);
    EXPECT_TRUE(raw_to_image(img, 0, 4, 0, 0).isNull());
}

TEST(ToTime, FieldsAreDaysHoursMinutesSeconds)
{
    EXPECT_EQ(to_time(0), "00:00:00:00");
    EXPECT_EQ(to_time(59999), "00:00:00:59");
    EXPECT_EQ(to_time(90061000), "01:01:01:01");
    EXPECT_EQ(to_time(100LL * 86400000 + 86399999), "100:23:59:59");
}
