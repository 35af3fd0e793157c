#include "render/raw_image.h"

#include <gtest/gtest.h>

namespace
{
unsigned colour_of(int x, int y)
{
    return 0xff000000u | x << 8 | y;
}

MyImage &claim_all(MyImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            img.set_done(x, y);
            img.set_pixel(x, y, colour_of(x, y));
        }
    return img;
}
} // namespace

TEST(RawToImage, WholeFrameIsThePixelArrayAndOwnsItsCopy)
{
    MyImage img(7, 5);
    claim_all(img).set_pixel(6, 4, 0x12abcdefu); // alpha is ignored
    const QImage packed = raw_to_image(img, 7, 5, 0, 0);
    img.dim(1, 1);
    ASSERT_EQ(packed.size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(packed.pixel(x, y), x == 6 && y == 4 ? 0xffabcdefu : colour_of(x, y));
}

TEST(RawToImage, PacksClaimedPixelsPadsWithBlackAndNeverOverruns)
{
    MyImage img(6, 4);
    for (int y : {0, 3})
        for (int x : {0, 2, 5}) {
            img.set_done(x, y);
            img.set_pixel(x, y, colour_of(x, y));
        }
    img.set_pixel(1, 1, 0xffffffffu); // coloured, not claimed
    const QImage grid = raw_to_image(img, 6, 4, 3, 2);
    EXPECT_EQ(grid.pixel(2, 0), colour_of(5, 0));
    EXPECT_EQ(grid.pixel(1, 1), colour_of(2, 3));
    const QImage cut_short = raw_to_image(img, 6, 4, 0, 0);
    EXPECT_EQ(cut_short.pixel(5, 0), colour_of(5, 3));
    EXPECT_EQ(cut_short.pixel(0, 1), 0xff000000u);
    EXPECT_EQ(raw_to_image(claim_all(img), 6, 4, 2, 2).pixel(1, 1), colour_of(3, 0));
    EXPECT_TRUE(raw_to_image(img, 0, 4, 0, 0).isNull());
}

TEST(ToTime, FieldsAreDaysHoursMinutesSeconds)
{
    EXPECT_EQ(to_time(0), "00:00:00:00");
    EXPECT_EQ(to_time(59999), "00:00:00:59");
    EXPECT_EQ(to_time(90061000), "01:01:01:01");
    EXPECT_EQ(to_time(100LL * 86400000 + 86399999), "100:23:59:59");
}
