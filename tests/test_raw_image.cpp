#include "render/raw_image.h"

#include <gtest/gtest.h>

namespace
{

unsigned colour_of(int x, int y)
{
    return 0xff000000u | x << 8 | y;
}

void claim(MyImage &img, int x, int y, unsigned colour)
{
    img.set_done(x, y);
    img.set_pixel(x, y, colour);
}

} // namespace

TEST(RawToImage, WholeFrameIsThePixelArray)
{
    MyImage img(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            claim(img, x, y, colour_of(x, y));
    claim(img, 6, 4, 0x12abcdefu); // alpha is ignored by the RGB32 image

    QImage copy;
    {
        const QImage packed = raw_to_image(img, 7, 5, 0, 0);
        ASSERT_EQ(packed.format(), QImage::Format_RGB32);
        ASSERT_EQ(packed.size(), QSize(7, 5));
        copy = packed;
    }
    img.dim(1, 1); // the image owns its words, independent of the frame
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(copy.pixel(x, y), x == 6 && y == 4 ? 0xffabcdefu : colour_of(x, y));
}

TEST(RawToImage, PacksTheClaimedGrid)
{
    MyImage img(6, 4);
    for (int y : {0, 3})
        for (int x : {0, 2, 5})
            claim(img, x, y, colour_of(x, y));
    img.set_pixel(1, 1, 0xffffffffu); // coloured but not claimed: not packed

    const QImage packed = raw_to_image(img, 6, 4, 3, 2);
    ASSERT_EQ(packed.size(), QSize(3, 2));
    EXPECT_EQ(packed.pixel(0, 0), colour_of(0, 0));
    EXPECT_EQ(packed.pixel(2, 0), colour_of(5, 0));
    EXPECT_EQ(packed.pixel(1, 1), colour_of(2, 3));
}

TEST(RawToImage, FrameCutShortIsPaddedWithBlack)
{
    MyImage img(4, 4);
    claim(img, 0, 0, 0xff102030u);
    claim(img, 3, 1, 0xff405060u);
    const QImage packed = raw_to_image(img, 4, 4, 0, 0);
    EXPECT_EQ(packed.pixel(0, 0), 0xff102030u);
    EXPECT_EQ(packed.pixel(1, 0), 0xff405060u);
    for (int i = 2; i < 16; ++i)
        EXPECT_EQ(packed.pixel(i % 4, i / 4), 0xff000000u) << i;
}

TEST(RawToImage, MoreClaimsThanRoomAreDropped)
{
    MyImage img(5, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            claim(img, x, y, colour_of(x, y));
    const QImage packed = raw_to_image(img, 5, 5, 2, 2);
    ASSERT_EQ(packed.size(), QSize(2, 2));
    EXPECT_EQ(packed.pixel(1, 1), colour_of(3, 0));
    EXPECT_TRUE(raw_to_image(img, 0, 5, 0, 0).isNull());
    EXPECT_TRUE(raw_to_image(img, 9, 9, 3, 3).pixel(2, 2) == colour_of(3, 1))
        << "a size beyond the frame reads only the frame";
}

TEST(ToTime, FieldsAreDaysHoursMinutesSeconds)
{
    EXPECT_EQ(to_time(0), "00:00:00:00");
    EXPECT_EQ(to_time(59999), "00:00:00:59");
    EXPECT_EQ(to_time(90061000), "01:01:01:01");
    EXPECT_EQ(to_time(86399999), "00:23:59:59");
    EXPECT_EQ(to_time(100LL * 86400000 + 5000), "100:00:00:05");
}
