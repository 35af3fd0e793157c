// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/smooth_edges.h"

#include "physics/ray_colour.h"
#include "render/frame_engine.h"
#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

namespace
{
constexpr unsigned white = 0xffffffffu, black = 0xff000000u;

// Where a straight edge of a checker lies, in pixels from the frame's left or
// top side: pixel k spans [k − ½, k + ½] because its ray goes through k.
double edge_at;
bool edge_is_vertical;

// With zoom = width the image plane is measured in pixels from the centre.
constexpr int W = 8, H = 8;
unsigned checker_edge(double α, double β, f_vec, f_vec)
{
    const double across = edge_is_vertical ? α + W / 2 : β + H / 2;
    return across < edge_at ? white : black;
}

void render(MyImage &img, int samples, FrameEngine &engine, int w, int h, double z)
{
    engine.set_smoothing(samples);
    engine.render(img, {}, {}, w, h, z);
}

// A bright disc 40 pixels across on a frame measured in pixels; its rays
// raise the stop when the call numbered `stop_at` comes.
RenderControl disc_control;
std::atomic<int> calls, stop_at;
unsigned disc(double α, double β, f_vec, f_vec)
{
    if (++calls == stop_at)
        disc_control.stop = true;
    return α * α + β * β < 400 ? white : black;
}

} // namespace

TEST(SmoothEdges, LinearMeanKeepsEqualColoursAndAveragesLight)
{
    for (int c = 0; c < 256; ++c) {
        const unsigned grey = 0xff000000u | unsigned(c) * 0x010101u;
        const std::vector<unsigned> same(16, grey);
        EXPECT_EQ(linear_mean(same.data(), 4), grey) << c;
        EXPECT_EQ(linear_mean(same.data(), 16), grey) << c;
    }
    // A quarter of white's light: 1.055 · 0.25^(1/2.4) − 0.055 = 0.5371 of 255.
    const unsigned quarter[4] = {white, black, black, black};
    EXPECT_EQ(linear_mean(quarter, 4), 0xff898989u);
}

// The refined pixel holds the share of it that the bright side covers, in
// linear light, within 1/n² of full scale; every other pixel keeps its colour.
TEST(SmoothEdges, AStraightCheckerEdgeGivesTheCoveredShare)
{
    RenderControl control;
    FrameEngine engine(checker_edge, control);
    MyImage plain, smooth;
    for (int samples : {4, 16})
        for (bool vertical : {true, false})
            for (double inside : {0.03, 0.2, 0.37, 0.5, 0.66, 0.81, 0.97}) {
                edge_is_vertical = vertical;
                edge_at = 3.5 + inside; // through pixel 4
                render(plain, 1, engine, W, H, W);
                render(smooth, samples, engine, W, H, W);
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x) {
                        const int across = vertical ? x : y;
                        if (across != 4) {
                            EXPECT_EQ(smooth.read(x, y), plain.read(x, y));
                            continue;
                        }
                        const double light = linear_of(int(smooth.read(x, y) & 0xff));
                        EXPECT_NEAR(light, inside, 1.0 / samples)
                            << samples << " rays, edge at " << edge_at;
                    }
            }
}

// Progress counts the pass from the start and ends at 100 %; a stop half-way
// through the pass (one worker: its tasks in turn) leaves a complete frame,
// each pixel as it was or as the pass makes it.
TEST(SmoothEdges, ThePassCountsInProgressAndStopKeepsWhatIsDone)
{
    constexpr int w = 256, h = 64;
    FrameEngine engine(disc, disc_control);
    engine.set_thread_count(1);
    MyImage plain, whole, stopped;
    render(plain, 1, engine, w, h, w);
    double before_pass = 0, last = 0;
    RenderHooks hooks;
    hooks.level_done = [&](int columns, int) {
        if (columns == w && before_pass == 0)
            before_pass = last;
    };
    hooks.advanced = [&](double share, long long) { last = share; };
    engine.set_hooks(hooks);
    calls = 0;
    render(whole, 16, engine, w, h, w);
    const int pass_rays = calls - w * h;
    EXPECT_GT(before_pass, 0);
    EXPECT_LT(before_pass, 0.9);
    EXPECT_EQ(last, 1);

    calls = 0;
    stop_at = w * h + pass_rays / 2;
    render(stopped, 16, engine, w, h, w);
    disc_control.stop = false;
    EXPECT_EQ(stopped.done(), stopped.pixels());
    int refined = 0, changed = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned c = stopped.read(x, y);
            ASSERT_TRUE(c == plain.read(x, y) || c == whole.read(x, y)) << x << ", " << y;
            refined += c != plain.read(x, y);
            changed += whole.read(x, y) != plain.read(x, y);
        }
    EXPECT_GT(refined, 0);
    EXPECT_LT(refined, changed);
}

// A static observer at r sees the shadow as a cone of half-angle ψ,
// sin ψ = 3√3 M √(1 − 2M/r) / r. The image plane is stereographic: (α, β)
// looks 2·atan ρ from the centre, ρ² = α² + β², so a pixel of side d covers
// the solid angle 4 d² / (1 + ρ²)². Against a white sky each pixel's dark
// share is the captured share of its light.
TEST(SmoothEdges, TheShadowsSolidAngleComesOutCloserSmoothed)
{
    RayScene s = preset_scene(1, 1, 0);
    s.b_gnd = solid_image(16, 8, white);
    s.accurate = true;
    const double r = 10;
    const f_vec x{{0, r, std::numbers::pi / 2, 0}};
    const f_vec u = moving_along_φ(s.metric, x, 0);
    const double sin_ψ = 3 * std::sqrt(3.0) * std::sqrt(1 - 2 / r) / r;
    const double shadow = 2 * std::numbers::pi * (1 - std::sqrt(1 - sin_ψ * sin_ψ));

    const int side = 48;
    const double z = 0.62, d = z / side;
    const PreparedFrame prepared = prepare_frame(s, x, u, nullptr);
    RenderControl control;
    FrameEngine engine(s, prepared, control);
    auto measured = [&](int samples) {
        MyImage img;
        engine.set_smoothing(samples);
        engine.render(img, x, u, side, side, z);
        double sum = 0;
        for (int py = 0; py < side; ++py)
            for (int px = 0; px < side; ++px) {
                const double α = (px - 0.5 * side) * d, β = (py - 0.5 * side) * d;
                const double ρ2 = α * α + β * β;
                const double dark = 1 - linear_of(int(img.read(px, py) & 0xff));
                sum += dark * 4 * d * d / ((1 + ρ2) * (1 + ρ2));
            }
        return sum;
    };
    const double plain_error = std::abs(measured(1) - shadow);
    const double smooth_error = std::abs(measured(16) - shadow);
    EXPECT_LT(4 * smooth_error, plain_error) << "shadow " << shadow;
}
