#include "physics/backdrop.h"

#include "support/ray_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace
{

constexpr double π = std::numbers::pi;
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// Heights and widths for which a coordinate one unit in the last place below
// the wrap-around limit rounds up onto the limit itself.
constexpr int rounding_up_sizes[] = {23, 33, 49, 131};

} // namespace

TEST(Checkerboard, EighteenSquaresPerRadianAndNaNIsDark)
{
    EXPECT_EQ(checker_colour(π / 4, 0), sky_dark);   // sin(4.5π) > 0
    EXPECT_EQ(checker_colour(π / 12, 0), sky_light); // sin(1.5π) < 0
    EXPECT_EQ(checker_colour(π / 12, π / 18), sky_dark);
    EXPECT_EQ(checker_colour(not_a_number, 0), sky_dark);
    EXPECT_EQ(checker_colour(std::numeric_limits<double>::infinity(), 0), sky_dark);
    EXPECT_EQ(sky_colour(QImage(), π / 12, 0), sky_light);
}

TEST(Panorama, AzimuthRunsRightToLeftAndPolarAngleWrapsToTheBottom)
{
    QImage img = located_image(200, 100);
    unsigned c = panorama_colour(img, -0.1, 0.1);
    EXPECT_EQ(located_row(c), int(100 * (π - 0.1) / π));
    EXPECT_EQ(located_column(c), int(200 * (2 * π - 0.1) / (2 * π)));
    EXPECT_EQ(located_column(panorama_colour(img, 1, -0.1)), int(200 * 0.1 / (2 * π)));
    EXPECT_EQ(located_row(panorama_colour(img, 1 + 3 * π, 0)), int(100 * 1 / π));
    EXPECT_EQ(sky_colour(img, 0.5, 0.5), panorama_colour(img, 0.5, 0.5));
}

TEST(Panorama, IndicesStayInsideAtEveryWrapAroundEdge)
{
    double below_zero = -std::nextafter(π, 4.0) + π; // -1 ulp of π
    for (int n : rounding_up_sizes) {
        SCOPED_TRACE(n);
        QImage img = located_image(n, n);
        unsigned bottom = panorama_colour(img, below_zero, 1);
        EXPECT_EQ(located_row(bottom), n - 1);
        unsigned right = panorama_colour(img, 1, -below_zero * 2); // +1 ulp of 2π
        EXPECT_EQ(located_column(right), n - 1);
        for (double θ : {0.0, π, -π, 1e-300, -1e-300, 1e300})
            for (double φ : {0.0, 2 * π, -2 * π, 1e-300, -1e-300, -1e300}) {
                unsigned c = panorama_colour(img, θ, φ);
                EXPECT_GE(located_row(c), 0);
                EXPECT_LT(located_row(c), n);
                EXPECT_GE(located_column(c), 0);
                EXPECT_LT(located_column(c), n);
            }
    }
}

TEST(DiskTexture, InnerEdgeAtTheCentreOuterEdgeClampedInside)
{
    QImage img = located_image(64, 32);
    unsigned c = 0;
    ASSERT_TRUE(disk_texel(img, 0, 1.0, c));
    EXPECT_EQ(located_column(c), 32);
    EXPECT_EQ(located_row(c), 16);
    double almost_one = std::nextafter(1.0, 0.0);
    ASSERT_TRUE(disk_texel(img, almost_one, π / 2, c)); // column 0.5·w·2 = w without the clamp
    EXPECT_EQ(located_column(c), 63);
    ASSERT_TRUE(disk_texel(img, almost_one, 0, c));
    EXPECT_EQ(located_row(c), 31);
    ASSERT_TRUE(disk_texel(img, almost_one, π, c));
    EXPECT_EQ(located_row(c), 0);
    ASSERT_TRUE(disk_texel(img, 0.5, -π / 2, c));
    EXPECT_EQ(located_column(c), 16);
}

TEST(DiskTexture, NothingToDrawWithoutATextureOrWithNonFiniteCoordinates)
{
    unsigned c = 0x12345678;
    EXPECT_FALSE(disk_texel(QImage(), 0.5, 1, c));
    EXPECT_FALSE(disk_texel(solid_image(4, 4, 0xffffffff), 0.5, not_a_number, c));
    EXPECT_FALSE(disk_texel(solid_image(4, 4, 0xffffffff), not_a_number, 1, c));
    EXPECT_EQ(c, 0x12345678u);
}

TEST(TableSlot, EvenCellsClampedAtBothEnds)
{
    EXPECT_EQ(table_slot(0.0, 64), 0);
    EXPECT_EQ(table_slot(0.5, 64), 32);
    EXPECT_EQ(table_slot(0.999, 512), 511);
    EXPECT_EQ(table_slot(1.0, 64), 63); // a ratio that rounded up onto the outer radius
    EXPECT_EQ(table_slot(1e300, 512), 511);
    EXPECT_EQ(table_slot(-1e-17, 64), 0);
    EXPECT_EQ(table_slot(not_a_number, 64), 0);
}
