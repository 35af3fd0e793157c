// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_engine.h"

#include "physics/ray_colour.h"
#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#if defined(__SANITIZE_THREAD__)
// The toolkit is not built with the race detector, so the hand-overs inside
// its thread pool look like races; accesses in our own code are still checked.
extern "C" const char *__tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
#endif

namespace
{
constexpr f_vec obs_x{{0.0, 50.0, 1.4, 0.0}}, obs_v{{1.1, 0.0, 0.0, 0.02}};
constexpr int W = 160, H = 120;

// The plain colour functions below count their calls against this control.
RenderControl control;
std::atomic<int> calls, most_outstanding, stop_after, outstanding_at_stop;

void count_call_and_stop_when_due()
{
    const int outstanding = control.tasks.value();
    for (int seen = most_outstanding; outstanding > seen;)
        most_outstanding.compare_exchange_weak(seen, outstanding);
    if (++calls == stop_after) {
        outstanding_at_stop = outstanding;
        control.stop = true;
    }
}

// With zoom = width, α = x − w/2 and β = y − h/2 exactly: the colour spells
// out the pixel the task was given (and whether the observer came along).
unsigned encode(int x, int y)
{
    return 0xff000000u | x << 12 | y;
}
unsigned pixel_colour(double α, double β, f_vec x, f_vec)
{
    count_call_and_stop_when_due();
    return x[1] == obs_x[1] ? encode(int(α) + W / 2, int(β) + H / 2) : 0;
}

// A few microseconds of arithmetic, enough to keep the queue full.
unsigned slow_colour(double α, double β, f_vec, f_vec)
{
    count_call_and_stop_when_due();
    double s = α;
    for (int i = 0; i < 400; ++i)
        s = std::sin(s + β);
    return 0xff000000u | (unsigned(std::fabs(s) * 1e6) & 0xffffffu);
}

int claimed(MyImage const &img)
{
    int n = 0;
    for (int i = 0; i < img.pixels(); ++i)
        n += img.done(i % img.width(), i / img.width());
    return n;
}

struct Engine : ::testing::Test {
    void SetUp() override { calls = most_outstanding = stop_after = outstanding_at_stop = 0; }
    void TearDown() override
    {
        EXPECT_EQ(control.tasks.value(), 0) << "every task counted itself out";
        control.stop = false;
    }
    MyImage img;
    std::vector<int> levels, percents; // level: columns·1000 + rows
    RenderHooks recording()
    {
        RenderHooks hooks;
        hooks.progress = [this](int percent, long long remaining) {
            EXPECT_GE(remaining, 0);
            percents.push_back(percent);
        };
        hooks.level_done = [this](int columns, int rows) {
            EXPECT_EQ(img.done(), columns * rows) << "shown only once drained";
            levels.push_back(columns * 1000 + rows);
        };
        return hooks;
    }
};
} // namespace

// Frames of any shape come out complete; zoom = width puts the centre of the
// even frame on the axis.
TEST_F(Engine, ColoursEveryPixelOnceLevelByLevel)
{
    FrameEngine engine(pixel_colour, control);
    for (auto [w, h] : {std::pair{10, 10}, {1, 300}, {257, 3}, {0, 5}}) {
        engine.render(img, obs_x, obs_v, w, h, 1.0);
        EXPECT_EQ(claimed(img), w * h) << w << "x" << h;
        EXPECT_EQ(img.done() + img.pixels(), 2 * w * h) << w << "x" << h;
    }
    calls = 0;
    engine.set_hooks(recording());
    engine.render(img, obs_x, obs_v, W, H, W);
    EXPECT_EQ(calls, W * H);
    EXPECT_EQ(claimed(img), W * H);
    for (int i = 0; i < W * H; ++i)
        ASSERT_EQ(img.read(i % W, i / W), encode(i % W, i / W)) << i;
    EXPECT_EQ(levels, (std::vector<int>{64064, 128120, 160120}));
    EXPECT_EQ(img.v()[3], obs_v[3]);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end(), std::greater_equal<int>()),
              percents.end());
    EXPECT_LE(percents.back(), 100);

    // Starting coarser adds levels in front and colours every pixel once as before.
    levels.clear();
    calls = 0;
    engine.set_coarsest_level(4);
    engine.render(img, obs_x, obs_v, W, H, W);
    EXPECT_EQ(calls, W * H);
    for (int i = 0; i < W * H; ++i)
        ASSERT_EQ(img.read(i % W, i / W), encode(i % W, i / W)) << i;
    EXPECT_EQ(levels, (std::vector<int>{16016, 32032, 64064, 128120, 160120}));
}

TEST_F(Engine, StopBeforeOrDuringAFrameAndTheThrottle)
{
    img.set_pixel(0, 0, 0xffffffffu);
    FrameEngine engine(slow_colour, control);
    engine.set_hooks(recording());
    control.stop = true;
    engine.render(img, obs_x, obs_v, W, H, 1.0);
    EXPECT_EQ(calls + img.done() + claimed(img) + levels.size(), 0u);
    EXPECT_EQ(img.pixels(), W * H);
    EXPECT_EQ(img.read(0, 0), 0xff000000u) << "left black";
    EXPECT_EQ(img.x()[2], obs_x[2]) << "with its observer";

    // One worker: when task N sets stop, the N − 1 before it have finished and
    // the task count holds the tasks dispatched but not finished.
    control.stop = false;
    engine.set_thread_count(1);
    stop_after = 5000; // in level 7, after level 6 was shown
    engine.render(img, obs_x, obs_v, W, H, 1.0);
    EXPECT_LE(claimed(img), 5000 - 1 + outstanding_at_stop + 1);
    EXPECT_EQ(claimed(img), calls.load()) << "queued tasks still finish";
    EXPECT_EQ(levels.size(), 1u) << "the stopped level is not shown";
    // The dispatcher, far ahead of its one worker, is held at 1024 tasks.
    EXPECT_LE(most_outstanding, max_waiting_tasks + 1);
    EXPECT_GT(most_outstanding, max_waiting_tasks - 50) << "the queue never filled";

    // A first level that fits in the queue drains through the wait too, so a
    // stop raised there keeps it from being shown.
    control.stop = false;
    levels.clear();
    RenderHooks hooks = recording();
    hooks.wait = [] { control.stop = true; };
    engine.set_hooks(hooks);
    engine.set_coarsest_level(4);
    engine.render(img, obs_x, obs_v, W, H, 1.0);
    EXPECT_TRUE(levels.empty());
}

namespace
{
// The pixels of a frame of the scene seen by an observer on a circular orbit
// at r = 30, 48×36 of them, and how many were coloured.
std::pair<std::vector<unsigned>, int> render_view(RayScene const &s, RenderControl &c, int threads,
                                                  RenderHooks hooks = {})
{
    const f_vec x{{0, 30, 1.4, 0}}, u = on_circular_orbit(s.metric, x);
    const PreparedFrame prepared = prepare_frame(s, x, u, &c.stop);
    FrameEngine engine(s, prepared, c);
    engine.set_thread_count(threads);
    engine.set_hooks(std::move(hooks));
    MyImage img;
    engine.render(img, x, u, 48, 36, 1.0);
    std::vector<unsigned> pixels;
    for (int i = 0; i < img.pixels(); ++i)
        pixels.push_back(img.read(i % 48, i / 48));
    return {pixels, img.done()};
}
} // namespace

// Each render has its own control: two scenes at once, each on two threads,
// give what each gives alone on one, every switch on, and stopping one leaves
// the other to finish.
TEST(ConcurrentRenders, NeitherDisturbsTheOther)
{
    const RayScene hole = preset_scene(schwarzschild, 1, 0);
    RayScene spinning = preset_scene(kerr, 1, 0.8);
    spinning.el_ab = spinning.kepler = spinning.shift = spinning.beam = spinning.simul = true;
    spinning.acr = located_image(64, 64);
    ensure_disk_tables(spinning);
    RenderControl first, second;
    const auto hole_alone = render_view(hole, first, 1),
               spinning_alone = render_view(spinning, second, 1);
    ASSERT_EQ(hole_alone.second + spinning_alone.second, 2 * 48 * 36);
    ASSERT_NE(hole_alone, spinning_alone);

    std::pair<std::vector<unsigned>, int> spinning_together, finished;
    std::thread other([&] { spinning_together = render_view(spinning, second, 2); });
    EXPECT_EQ(render_view(hole, first, 2), hole_alone);
    other.join();
    EXPECT_EQ(spinning_together, spinning_alone);

    RenderHooks stop_at_once;
    stop_at_once.progress = [&first](int, long long) { first.stop = true; };
    std::thread running([&] { finished = render_view(spinning, second, 2); });
    EXPECT_LT(render_view(hole, first, 2, stop_at_once).second, 48 * 36);
    running.join();
    EXPECT_EQ(finished, spinning_alone);
    EXPECT_EQ(first.tasks.value() + second.tasks.value(), 0);
}
