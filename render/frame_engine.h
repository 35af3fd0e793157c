// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"
#include "render/frame_buffer.h"
#include "render/render_control.h"
#include "render/smooth_edges.h"

#include <QRunnable>

#include <functional>
#include <utility>
#include <vector>

struct RayScene;
struct PreparedFrame;
struct ImagePoint;

// The colour a pixel's ray brings: image-plane coordinates α, β (0 at the
// frame centre) and the observer's position and velocity.
using PixelColour = unsigned int (*)(double α, double β, f_vec position, f_vec velocity);

// Where the pixels' colours come from: a plain colour function, or the ray
// colour of a scene with its prepared frame (both must outlive the render).
class ColourSource
{
  public:
    explicit ColourSource(PixelColour plain) : plain_(plain) {}
    ColourSource(RayScene const &scene, PreparedFrame const &prepared)
        : scene_(&scene), prepared_(&prepared)
    {
    }
    unsigned int operator()(double α, double β, f_vec position, f_vec velocity) const;
    // The colours of count points at once: a scene's rays in packets. Returns
    // how many of them could not be traced.
    int operator()(ImagePoint const *points, int count, unsigned int *colours, f_vec position,
                   f_vec velocity) const;

  private:
    PixelColour plain_ = nullptr;
    RayScene const *scene_ = nullptr;
    PreparedFrame const *prepared_ = nullptr;
};

// The effect switches the colour function reads. They must be set before a
// frame's first task is queued and stay unchanged until the frame returns.
struct RenderSwitches {
    bool el_ab = false;
    bool shift = false;
    bool kepler = false;
    bool beam = false;
    bool simul = false;
};
void set_render_switches(RayScene &s, RenderSwitches const &switches);

// How a render reports while it runs, all on the dispatching thread.
struct RenderHooks {
    // Called over and over while too many tasks are outstanding, and while
    // a level's last tasks run; the window processes its events here, which
    // is how Stop reaches a running frame. Empty: sleep briefly while
    // throttled, so the waiting thread leaves the cores to the workers, and
    // block while a level drains.
    std::function<void()> wait;
    // The share of `advanced` below in whole percent, only when it changes.
    std::function<void(int percent, long long remaining_ms)> progress;
    // After a level has drained, unless stopped: the claimed pixels form
    // a grid of `columns` × `rows` (what raw_to_image packs).
    std::function<void(int columns, int rows)> level_done;
    // After a dispatched row or a few refined pixels: the share of the frame's
    // rays traced so far (the smoothing pass counted in, estimated until it
    // starts), never decreasing, and the time still needed at the pace so far.
    std::function<void(double share, long long remaining_ms)> advanced;
};

// A task is queued only while at most this many of the pixels of the tasks
// are queued or running, so never more than one above it are outstanding.
inline constexpr int max_waiting_tasks = 1024;

// The most pixels of one row that one task colours: few enough that the
// throttle keeps several tasks in the queue, enough that the rays of a
// packet rarely wait for one another at the task's end.
inline constexpr int max_run_pixels = 256;

// Waits through `wait` until the control's task count is at most n or its
// stop is raised; returns the last value read.
int waitToFreeThread(RenderControl &control, int n, std::function<void()> const &wait);

// Pixels xs of row y of one frame: colours them in one batch, stores them in
// the target frame, adds those it could not trace to the control's count
// and counts each off its tasks. Deleted by the pool after it has run.
class SetColors : public QRunnable
{
  public:
    SetColors(std::vector<int> xs, int y, int w, int h, double z, f_vec position, f_vec velocity,
              ColourSource const &colour, MyImage &target, RenderControl &control);
    void run() override;

  private:
    std::vector<int> xs;
    int y, w, h;
    double z; // the width of the frame in the image plane
    f_vec position, velocity;
    ColourSource const *colour;
    MyImage *target;
    RenderControl *control;
};

inline constexpr int max_subpixel_side = 4;

// Rays of the smoothing pass's tasks: enough that the lanes of a packet seldom
// wait for the batch's last ray, few enough that Stop and the bar stay prompt.
inline constexpr int rays_per_smoothing_task = 512;

// Refined pixels of one frame, their rays traced as one batch. Each pixel's
// first rays look for an edge inside it (see first_rays); where one differs
// from the pixel, the rest of its n×n grid follows and the pixel becomes the
// mean in linear light of them all; else it keeps its colour. Deleted by the
// pool after it has run.
class SmoothColors : public QRunnable
{
  public:
    SmoothColors(std::vector<PixelAt> pixels, int w, int h, double z, int n, f_vec position,
                 f_vec velocity, ColourSource const &colour, MyImage &target,
                 RenderControl &control);
    void run() override;

  private:
    // Traces the rays whose bits are set in rays[k] for pixel k into their
    // slots of colours (n² a pixel).
    void trace(std::vector<unsigned> const &rays, unsigned int *colours) const;

    std::vector<PixelAt> pixels;
    int w, h;
    double z;
    int n; // at most max_subpixel_side
    f_vec position, velocity;
    ColourSource const *colour;
    MyImage *target;
    RenderControl *control;
};

// Renders frames progressively: a 64×64 grid first, then grids twice as fine
// up to full resolution, one task per run of a row's pixels on a pool of its
// own; the control's task count counts their pixels. Cancelled by
// its control's stop: no further pixel is dispatched, tasks already queued
// finish, no level is reported after it. With smoothing on, a last pass
// refines the pixels on edges (see render/smooth_edges.h) and is reported as
// one more level; stopped, it keeps the pixels refined so far. Engines with controls of their own
// render side by side.
class FrameEngine
{
  public:
    FrameEngine(PixelColour colour, RenderControl &control);
    FrameEngine(RayScene const &scene, PreparedFrame const &prepared, RenderControl &control);

    // Workers of each frame's pool; by default the machine's ideal count.
    void set_thread_count(int threads);
    int thread_count() const { return threads_; }
    void set_hooks(RenderHooks hooks) { hooks_ = std::move(hooks); }
    // Rays per refined pixel: 1 (off, the default), 4 or 16; anything else is off.
    void set_smoothing(int samples);
    // The grid the frame starts with, 2^level on a side: first_level unless a
    // view that must answer at once starts coarser; clamped to 1 … first_level.
    void set_coarsest_level(int level);

    // Resizes target to w×h (wiping it), records the observer in it and
    // renders with zoom z; returns the milliseconds taken. A frame without
    // pixels renders nothing. The control's untraced count then holds the
    // pixels whose ray could not be traced (the smoothing pass's further
    // rays of a pixel are not counted).
    long long render(MyImage &target, f_vec x, f_vec v, int w, int h, double z);

  private:
    ColourSource colour_;
    RenderControl &control_;
    int threads_;
    RenderHooks hooks_;
    int smooth_samples_ = 1;
    int coarsest_level_;
};

// Levels first_level (or the coarsest level set) … level_end(w, h) − 1 are rendered; level L is the
// grid 2^L × 2^L. For frames wider than tall it is (int)(log2 w + 2).
inline constexpr int first_level = 6;
int level_end(int w, int h);
