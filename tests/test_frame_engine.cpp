#include "render/frame_engine.h"

#include "app/state.h"
#include "render/raw_image.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <utility>
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

constexpr f_vec observer_x{{0.0, 50.0, 1.4, 0.0}};
constexpr f_vec observer_v{{1.1, 0.0, 0.0, 0.02}};

// With the zoom equal to the width, α = x − w/2 and β = y − h/2 exactly, so
// the colour spells out the pixel the task was given.
constexpr int W = 160, H = 120;
unsigned encode(int x, int y)
{
    return 0xff000000u | static_cast<unsigned>(x) << 12 | y;
}

std::atomic<int> calls_per_pixel[H][W];
std::atomic<int> calls;
std::atomic<int> most_outstanding;
std::atomic<int> stop_after;
std::atomic<int> outstanding_at_stop;

void note_outstanding()
{
    const int now = num_thread.value();
    int seen = most_outstanding.load();
    while (now > seen && !most_outstanding.compare_exchange_weak(seen, now)) {
    }
}

void stop_when_due()
{
    if (calls.fetch_add(1) + 1 == stop_after.load()) {
        outstanding_at_stop = num_thread.value();
        stop = true;
    }
}

unsigned pixel_index_colour(double α, double β, f_vec x, f_vec)
{
    const int px = static_cast<int>(α + W / 2), py = static_cast<int>(β + H / 2);
    if (px >= 0 && px < W && py >= 0 && py < H)
        ++calls_per_pixel[py][px];
    stop_when_due();
    return x[1] == observer_x[1] ? encode(px, py) : 0xffff0000u;
}

// A few microseconds of arithmetic: keeps the queue full.
unsigned slow_colour(double α, double β, f_vec, f_vec)
{
    note_outstanding();
    double s = α;
    for (int i = 0; i < 400; ++i)
        s = std::sin(s + β);
    stop_when_due();
    return 0xff000000u | (static_cast<unsigned>(std::fabs(s) * 1e6) & 0xffffffu);
}

unsigned marks_centre(double α, double β, f_vec, f_vec)
{
    return α == 0.0 && β == 0.0 ? 0xff00ff00u : 0xff0000ffu;
}

struct Engine : ::testing::Test {
    void SetUp() override
    {
        for (auto &row : calls_per_pixel)
            for (auto &c : row)
                c = 0;
        calls = 0;
        most_outstanding = 0;
        stop_after = -1;
        outstanding_at_stop = -1;
        stop = false;
    }
    void TearDown() override
    {
        EXPECT_EQ(num_thread.value(), 0) << "every task counted itself out";
        stop = false;
    }

    std::vector<std::pair<int, int>> levels;
    std::vector<int> percents;
    int claimed_at_each_level_check = 0;

    RenderHooks recording(MyImage &target)
    {
        RenderHooks hooks;
        hooks.level_done = [this, &target](int columns, int rows) {
            levels.emplace_back(columns, rows);
            if (target.done() == columns * rows)
                ++claimed_at_each_level_check;
        };
        hooks.progress = [this](int percent, long long remaining) {
            EXPECT_GE(remaining, 0);
            percents.push_back(percent);
        };
        return hooks;
    }
};

int claimed(MyImage const &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.done(x, y);
    return n;
}

} // namespace

TEST_F(Engine, ClaimsAndColoursEveryPixelOnceLevelByLevel)
{
    MyImage img;
    FrameEngine engine(pixel_index_colour);
    engine.setHooks(recording(img));
    engine.render(img, observer_x, observer_v, W, H, W);

    EXPECT_EQ(img.done(), W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            ASSERT_TRUE(img.done(x, y));
            ASSERT_EQ(calls_per_pixel[y][x], 1) << x << "," << y;
            ASSERT_EQ(img.read(x, y), encode(x, y)) << x << "," << y;
        }
    const std::vector<std::pair<int, int>> grids{{64, 64}, {128, 120}, {160, 120}};
    EXPECT_EQ(levels, grids);
    EXPECT_EQ(claimed_at_each_level_check, 3) << "each level drained before it was shown";
    EXPECT_EQ(img.x()[1], observer_x[1]);
    EXPECT_EQ(img.v()[3], observer_v[3]);

    ASSERT_FALSE(percents.empty());
    for (std::size_t i = 1; i < percents.size(); ++i)
        EXPECT_GT(percents[i], percents[i - 1]);
    EXPECT_LE(percents.back(), 100);
}

TEST_F(Engine, LevelImagesAreTheClaimedGrid)
{
    MyImage img;
    FrameEngine engine(pixel_index_colour);
    std::vector<QImage> shown;
    RenderHooks hooks;
    hooks.level_done = [&](int columns, int rows) {
        shown.push_back(raw_to_image(img, W, H, columns, rows));
    };
    engine.setHooks(hooks);
    engine.render(img, observer_x, observer_v, W, H, W);
    ASSERT_EQ(shown.size(), 3u);
    // Level 6: columns (i·160) div 64, rows (j·120) div 64.
    EXPECT_EQ(shown[0].pixel(1, 1), encode(2, 1));
    EXPECT_EQ(shown[0].pixel(63, 63), encode(157, 118));
    EXPECT_EQ(shown[2].pixel(159, 119), encode(159, 119));
}

TEST_F(Engine, CentreOfAnEvenFrameIsOnTheAxis)
{
    MyImage img;
    FrameEngine engine(marks_centre);
    engine.render(img, observer_x, observer_v, 320, 240, M_PI / 4);
    EXPECT_EQ(img.read(160, 120), 0xff00ff00u);
    EXPECT_EQ(img.read(161, 120), 0xff0000ffu);
    EXPECT_EQ(img.read(160, 119), 0xff0000ffu);
}

TEST_F(Engine, ResultDoesNotDependOnThreadCount)
{
    MyImage reference, img;
    FrameEngine engine(slow_colour);
    engine.setThreadCount(1);
    engine.render(reference, observer_x, observer_v, W, H, M_PI / 2);
    for (int threads : {2, 8}) {
        engine.setThreadCount(threads);
        engine.render(img, observer_x, observer_v, W, H, M_PI / 2);
        ASSERT_EQ(img.done(), W * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(img.read(x, y), reference.read(x, y)) << threads << ": " << x << "," << y;
    }
}

TEST_F(Engine, FramesOfAnyShapeComeOutComplete)
{
    MyImage img;
    FrameEngine engine(slow_colour);
    for (auto [w, h] : {std::pair{10, 10}, {120, 160}, {1, 300}, {257, 3}}) {
        engine.render(img, observer_x, observer_v, w, h, 1.0);
        EXPECT_EQ(img.done(), w * h) << w << "x" << h;
        EXPECT_EQ(claimed(img), w * h) << w << "x" << h;
    }
    engine.render(img, observer_x, observer_v, 0, 5, 1.0);
    EXPECT_EQ(img.pixels(), 0);
}

TEST_F(Engine, StopBeforeTheFrameLeavesItBlackWithItsObserver)
{
    MyImage img(4, 4);
    img.set_pixel(1, 1, 0xffffffffu);
    FrameEngine engine(pixel_index_colour);
    engine.setHooks(recording(img));
    stop = true;
    QElapsedTimer timer;
    timer.start();
    const long long ms = engine.render(img, observer_x, observer_v, W, H, W);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_GE(ms, 0);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(img.width(), W);
    EXPECT_EQ(img.height(), H);
    EXPECT_EQ(img.done(), 0);
    EXPECT_EQ(claimed(img), 0);
    EXPECT_EQ(img.read(1, 1), 0xff000000u);
    EXPECT_EQ(img.x()[2], observer_x[2]);
    EXPECT_EQ(img.v()[0], observer_v[0]);
}

TEST_F(Engine, StopDuringAFrameQueuesAtMostOneMoreTask)
{
    // One worker: when task N sets stop, the N − 1 before it are finished and
    // num_thread counts exactly those dispatched but not finished.
    MyImage img;
    FrameEngine engine(slow_colour);
    engine.setThreadCount(1);
    engine.setHooks(recording(img));
    stop_after = 500;
    engine.render(img, observer_x, observer_v, W, H, W);
    ASSERT_TRUE(stop);
    const int dispatched_at_stop = 500 - 1 + outstanding_at_stop;
    EXPECT_LE(claimed(img), dispatched_at_stop + 1);
    EXPECT_EQ(img.done(), calls.load()) << "queued tasks still finish";
    EXPECT_EQ(claimed(img), calls.load());
    EXPECT_TRUE(levels.empty()) << "a stopped level is not shown";
}

TEST_F(Engine, StopInALaterLevelEndsTheFrameOnManyThreads)
{
    MyImage img;
    FrameEngine engine(pixel_index_colour);
    engine.setThreadCount(8);
    engine.setHooks(recording(img));
    stop_after = 6000; // inside level 7
    engine.render(img, observer_x, observer_v, W, H, W);
    EXPECT_EQ(levels.size(), 1u);
    EXPECT_LT(claimed(img), W * H);
    EXPECT_EQ(claimed(img), calls.load());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(img.read(x, y), img.done(x, y) ? encode(x, y) : 0xff000000u);
}

TEST_F(Engine, ThrottleKeepsAtMost1025TasksOutstanding)
{
    MyImage img;
    FrameEngine engine(slow_colour);
    engine.setThreadCount(2);
    const Qt::HANDLE dispatcher = QThread::currentThreadId();
    int waits = 0;
    bool waited_elsewhere = false;
    RenderHooks hooks;
    hooks.wait = [&] {
        ++waits;
        waited_elsewhere |= QThread::currentThreadId() != dispatcher;
        QThread::usleep(20);
    };
    engine.setHooks(hooks);
    engine.render(img, observer_x, observer_v, 320, 240, 1.0);
    EXPECT_EQ(img.done(), 320 * 240);
    EXPECT_LE(most_outstanding, max_waiting_tasks + 1);
    EXPECT_GT(most_outstanding, max_waiting_tasks - 50) << "the queue never filled: no test";
    EXPECT_GT(waits, 0);
    EXPECT_FALSE(waited_elsewhere);
}

TEST(WaitToFreeThread, ReturnsOnceLowEnoughOrStopped)
{
    for (int i = 0; i < 5; ++i)
        num_thread.increment();
    int waits = 0;
    EXPECT_EQ(waitToFreeThread(3,
                               [&] {
                                   ++waits;
                                   num_thread.decrement();
                               }),
              3);
    EXPECT_EQ(waits, 2);
    stop = true;
    EXPECT_EQ(waitToFreeThread(0, [] { FAIL() << "no wait once stopped"; }), 3);
    stop = false;
    for (int i = 0; i < 3; ++i)
        num_thread.decrement();
}
