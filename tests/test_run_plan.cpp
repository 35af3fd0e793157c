#include "render/run_plan.h"

#include "render/frame_buffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

std::vector<int> points_of(int count, int frames)
{
    std::vector<int> idx;
    for (int k = 0; k < frames; ++k)
        idx.push_back(path_point(count, k, frames));
    return idx;
}

} // namespace

// Long paths do not overflow; an empty path has no point.
TEST(PathPoint, FramesShareThePathEvenlyAndStayInsideIt)
{
    EXPECT_EQ(points_of(1000, 10),
              (std::vector<int>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
    EXPECT_EQ(points_of(5, 10), (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(points_of(1, 1), (std::vector<int>{0}));
    for (int count = 1; count < 40; ++count)
        for (int frames : {1, 2, 3, 7, 10, 30})
            for (int idx : points_of(count, frames))
                ASSERT_TRUE(0 <= idx && idx < count) << count << " " << frames;
    EXPECT_EQ(path_point(10'000'000, 2399, 2400), 9'995'833);
    EXPECT_EQ(path_point(2'000'000'000, 1199, 1200), 1'998'333'333);
    EXPECT_EQ(path_point(0, 0, 10), -1);
    EXPECT_EQ(path_point(0, 9, 10), -1);
}

TEST(RunMemory, CountsTheRunAndWhatEarlierRunsLeftBehind)
{
    EXPECT_EQ(frame_bytes(160, 120), 160u * 120 * 5);
    EXPECT_EQ(frame_bytes(4096, 3072) * 2400, 150'994'944'000u);

    static MyImage store[2400]; // 1×1 entries, as at start-up
    const std::size_t untouched = 5;
    EXPECT_EQ(store_bytes_after_run(store, 10, 160, 120),
              10 * frame_bytes(160, 120) + 2390 * untouched);

    store[2000].dim(800, 600); // left by an earlier, longer run
    EXPECT_EQ(store_bytes_after_run(store, 10, 160, 120),
              10 * frame_bytes(160, 120) + 2389 * untouched + frame_bytes(800, 600));
    EXPECT_EQ(store_bytes_after_run(store, 2400, 160, 120), 2400 * frame_bytes(160, 120));

    const std::size_t need = store_bytes_after_run(store, 30, 320, 240);
    EXPECT_TRUE(run_fits(store, 30, 320, 240, need));
    EXPECT_FALSE(run_fits(store, 30, 320, 240, need - 1));
}
