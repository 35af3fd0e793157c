// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/run_plan.h"

#include "render/frame_buffer.h"

#include <gtest/gtest.h>

// Frame k of n shows point ⌊count·k/n⌋: evenly shared, inside the path, no
// overflow on long paths; an empty path has no point.
TEST(PathPoint, FramesShareThePathEvenlyAndStayInsideIt)
{
    for (int count : {1, 5, 39, 1000, 2'000'000'000})
        for (int frames : {1, 3, 10, 30, 2400})
            for (int k = 0; k < frames; ++k)
                ASSERT_EQ(path_point(count, k, frames), int(1LL * count * k / frames))
                    << count << " " << k << "/" << frames;
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
