// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/backdrop.h"

#include "support/ray_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{
constexpr double not_a_number = NAN;
} // namespace

// Azimuth runs right to left, the polar angle wraps to the bottom, and for
// sizes where one ulp below π (or 2π) times the size rounds up onto the size
// the index still stays inside. Without a picture: eighteen checkerboard
// squares per radian, NaN dark.
TEST(Sky, PanoramaAnglesWrapAndIndicesStayInsideCheckerboardWithout)
{
    EXPECT_EQ(checker_colour(π / 4, 0), sky_dark);   // sin(4.5π) > 0
    EXPECT_EQ(checker_colour(π / 12, 0), sky_light); // sin(1.5π) < 0
    EXPECT_EQ(checker_colour(π / 12, π / 18), sky_dark);
    EXPECT_EQ(sky_colour(QImage(), not_a_number, 0), sky_dark);
    QImage img = located_image(200, 100);
    unsigned c = panorama_colour(img, -0.1, 0.1);
    EXPECT_EQ(located(c).y(), int(100 * (π - 0.1) / π));
    EXPECT_EQ(located(c).x(), int(200 * (2 * π - 0.1) / (2 * π)));
    EXPECT_EQ(located(panorama_colour(img, 1, -0.1)).x(), int(200 * 0.1 / (2 * π)));
    double ulp_of_π = std::nextafter(π, 4.0) - π;
    for (int n : {23, 33, 49, 131}) {
        img = located_image(n, n);
        EXPECT_EQ(located(panorama_colour(img, -ulp_of_π, 1)).y(), n - 1) << n;
        EXPECT_EQ(located(panorama_colour(img, 1, 2 * ulp_of_π)).x(), n - 1) << n;
    }
}

TEST(DiskTexture, InnerEdgeAtTheCentreOuterEdgeClampedInsideNothingWithoutATexture)
{
    QImage img = located_image(64, 32);
    unsigned c = 0;
    ASSERT_TRUE(disk_texel(img, 0, 1.0, c));
    EXPECT_EQ(located(c), QPoint(32, 16));
    double almost_one = std::nextafter(1.0, 0.0); // ρ·1 + 1 rounds to 2
    ASSERT_TRUE(disk_texel(img, almost_one, π / 2, c));
    EXPECT_EQ(located(c).x(), 63);
    ASSERT_TRUE(disk_texel(img, almost_one, 0, c));
    EXPECT_EQ(located(c).y(), 31);
    EXPECT_FALSE(disk_texel(QImage(), 0.5, 1, c));
    EXPECT_FALSE(disk_texel(img, 0.5, not_a_number, c));
    // The speed tables: even cells, clamped at both ends.
    EXPECT_EQ(table_slot(0.5, 64), 32);
    EXPECT_EQ(table_slot(1.0, 64), 63); // a ratio that rounded up onto the outer radius
    EXPECT_EQ(table_slot(-1e-17, 512), 0);
    EXPECT_EQ(table_slot(not_a_number, 64), 0);
}
