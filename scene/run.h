// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/geodesic.h"
#include "render/frame_engine.h"
#include "scene/observer.h"

#include <QString>

#include <atomic>

struct RayScene;

// One run of frames, as the window, the headless renderer and the tests make
// it: the observer's whole path is traced once, and frame k of `frames` stands
// on its stored point (count·k) div frames, so any range of frames gives the
// pixels of the whole run. Every frame is π/2 / zoom wide in the image plane.
class Run
{
  public:
    Run(RayScene const &scene, Observer const &start, double rounds, int frames, int zoom,
        std::atomic<bool> const *cancel);

    Observer observer(int k) const { return observer_of_frame(path_, k, frames_, start_); }
    double width() const { return z_; }
    int frames() const { return frames_; }

  private:
    geo path_;
    Observer start_;
    int frames_;
    double z_;
};

// Renders the frame of observer o, z wide, into target at w×h: the frame is
// prepared for its observer and rendered progressively under `control`;
// returns the milliseconds taken. The scene's disk tables must be current
// when the disk is on. A render stopped before it starts dispatches nothing.
// `smooth` is the rays per refined edge pixel: 1 (off), 4 or 16; the frame
// starts with the grid of `coarsest` (see FrameEngine::set_coarsest_level).
long long render_frame(RayScene const &scene, Observer const &o, double z, MyImage &target, int w,
                       int h, RenderControl &control, RenderHooks hooks, int threads = 0,
                       int smooth = 1, int coarsest = first_level);

// What is said after a frame whose rays could not all be traced.
QString untraced_note(long long pixels);
