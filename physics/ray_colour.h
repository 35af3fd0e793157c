// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"
#include "physics/geodesic.h"
#include "physics/optics.h"

#include <atomic>

struct RayScene;

// The colour one pixel's light ray brings to the observer.
//
// How a frame renderer uses it:
//   1. on the dispatching thread, once the scene holds the frame's switches
//      and, with the disk on, current disk tables, and before any pixel task
//      is dispatched: prepare_frame(scene, x_obs, u_obs, cancel) with the
//      frame's observer and the render's cancel flag;
//   2. on the workers: GetColor(scene, prepared, α, β, x_obs, u_obs) per
//      pixel, with the same observer. Nothing that GetColor reads may change
//      until every task of the frame has finished.

// Pixel offset that turns the image centre back onto the direction in which
// an observer at rest in the locally non-rotating frame would look (straight
// inwards), cancelling the aberration of the observer's own motion.
struct AimOffset {
    double δα = 0, δβ = 0;
};

AimOffset aim_correction(RayScene const &s, f_vec x_obs, f_vec u_obs);

// What one frame computes once for all its pixels, the aiming correction of
// its observer, and what cancels its rays.
struct PreparedFrame {
    f_vec x{}, u{};
    AimOffset offset{};
    bool valid = false;
    std::atomic<bool> const *cancel = nullptr; // raised: rays end where they are
};

PreparedFrame prepare_frame(RayScene const &s, f_vec x_obs, f_vec u_obs,
                            std::atomic<bool> const *cancel);

// Colour 0xAARRGGBB that the observer at x_obs with 4-velocity u_obs sees
// through the image-plane point (α, β); (0, 0) is the centre of the view.
// Black for rays that fall in, run out of rounds or end unresolved; the sky
// for rays that escape; the disk texture laid over either where the ray
// pierces the disk; untraced_colour for a ray whose state turned non-finite. Re-entrant and
// lock-free: many workers call it at once. An observer other than the prepared one still gets a
// correct image; it only pays for its own aiming correction on every call.
unsigned GetColor(RayScene const &s, PreparedFrame const &prepared, double α, double β, f_vec x_obs,
                  f_vec u_obs);

// GetColor with the observer's frame made already: observer_tetrad(s.metric,
// u_obs, x_obs), made once for many rays.
unsigned GetColor(RayScene const &s, PreparedFrame const &prepared, ObserverTetrad const &frame,
                  double α, double β, f_vec x_obs, f_vec u_obs);

// GetColor in its two halves around the trace, for tracers of many rays at
// once: the ray through (α, β) starts at x_obs in direction `launch` with
// the end conditions e; traced as geodetika does with the scene's step scale
// (s.precise) to x with direction p, it has the colour ended_ray_colour
// gives.
struct RayStart {
    end e;
    f_vec launch;
};

RayStart start_ray(RayScene const &s, PreparedFrame const &prepared, ObserverTetrad const &frame,
                   double α, double β, f_vec x_obs, f_vec u_obs);

unsigned ended_ray_colour(RayScene const &s, end &e, f_vec x, f_vec p, f_vec launch, f_vec x_obs,
                          f_vec u_obs);

// What a ray brings whose position or direction stopped being finite: the
// metric cannot be evaluated along it. Magenta, which neither the shadow nor
// the checkerboard sky is.
inline constexpr unsigned untraced_colour = 0xffff00ffu;

// Whether a ray that ended at x with direction p could not be traced.
bool untraced(f_vec const &x, f_vec const &p);
