#include "render/frame_buffer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(FrameBuffer, StoreEntriesStartAsOneBlackPixel)
{
    MyImage &fresh = image[2399];
    EXPECT_EQ(fresh.width(), 1);
    EXPECT_EQ(fresh.height(), 1);
    EXPECT_EQ(fresh.pixels(), 1);
    EXPECT_EQ(fresh.done(), 0);
    EXPECT_EQ(fresh.read(0, 0), 0xff000000u);
    EXPECT_FALSE(fresh.done(0, 0));
    EXPECT_EQ(fresh.x()[1], 0.0);
    EXPECT_EQ(num_thread.value(), 0);
}

TEST(FrameBuffer, DimWipesColoursFlagsAndCount)
{
    MyImage img(4, 3);
    img.set_pixel(3, 2, 0xff123456u);
    img.set_done(3, 2);
    img.set_done(0, 0);
    img.dim(5, 2);
    EXPECT_EQ(img.width(), 5);
    EXPECT_EQ(img.height(), 2);
    EXPECT_EQ(img.pixels(), 10);
    EXPECT_EQ(img.done(), 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(img.read(x, y), 0xff000000u);
            EXPECT_FALSE(img.done(x, y));
        }
    img.dim(-3, 4);
    EXPECT_EQ(img.pixels(), 0);
}

TEST(FrameBuffer, StoresCountColoursNotClaims)
{
    MyImage img(3, 2);
    img.set_done(1, 1);
    EXPECT_EQ(img.done(), 0);
    EXPECT_TRUE(img.done(1, 1));
    EXPECT_FALSE(img.done(1, 0)) << "row-major: (1,1) is not (1,0)";
    img.set_pixel(2, 1, 0xff00ff00u);
    img.set_pixel(2, 1, 0xff0000ffu);
    EXPECT_EQ(img.done(), 2);
    EXPECT_EQ(img.read(2, 1), 0xff0000ffu);
    EXPECT_FALSE(img.done(2, 1)) << "a stored colour is not a claim";
    img.x(f_vec{{1, 2, 3, 4}});
    img.v(f_vec{{5, 6, 7, 8}});
    EXPECT_EQ(img.x()[3], 4.0);
    EXPECT_EQ(img.v()[0], 5.0);
}

TEST(FrameBuffer, ConcurrentStoresAndCountsLoseNothing)
{
    MyImage img(100, 80);
    Counter counter;
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t)
        workers.emplace_back([&, t] {
            for (int y = t * 10; y < t * 10 + 10; ++y)
                for (int x = 0; x < 100; ++x) {
                    counter.increment();
                    img.set_pixel(x, y, 0xff000000u | (y << 8) | x);
                    counter.decrement();
                    counter.increment();
                }
        });
    for (auto &w : workers)
        w.join();
    EXPECT_EQ(img.done(), 8000);
    EXPECT_EQ(counter.value(), 8000);
    EXPECT_EQ(img.read(99, 79), 0xff004f63u);
}
