// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

#include <atomic>

class geo;
class Metric;
struct RayScene;

// The observer of a run: position and 4-velocity in coordinates.
struct Observer {
    f_vec x, v;
};

// The observer at radius r, polar angle θ and azimuth φ (degrees), at t = 0,
// moving with tangential speed v (units of c) along φ in the locally
// non-rotating frame. An observer put on the axis starts just off it, where
// its frame exists.
Observer starting_observer(Metric const &m, double r, double θ_degrees, double v,
                           double φ_degrees = 0);

// The observer's own path for a run of `rounds` rounds, every point stored:
// ended at the capture radius or when `cancel` is raised.
void trace_run_path(RayScene const &s, Observer const &start, double rounds, geo &path,
                    std::atomic<bool> const *cancel);

// Where frame k of `frames` stands on the stored path; a path that stored
// nothing (the observer ended at once) leaves every frame at the start.
Observer observer_of_frame(geo const &path, int k, int frames, Observer const &start);
