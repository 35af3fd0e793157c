#pragma once

#include "physics/f_vec.h"

struct Scene;

// The colour one pixel's light ray brings to the observer.
//
// How a frame renderer uses it:
//   1. on the dispatching thread, after the render switches (el_ab, kepler,
//      shift, beam, simul) of the scene have been set for the frame and before
//      any pixel task is dispatched: prepare_frame(scene, x_obs, u_obs) with
//      the frame's observer;
//   2. on the workers: GetColor(scene, prepared, α, β, x_obs, u_obs) per
//      pixel, with the same observer. Nothing that GetColor reads may change
//      until every task of the frame has finished.
// The forms without a scene work on the shared scene and keep the prepared
// frame of the last prepare_frame.

// Pixel offset that turns the image centre back onto the direction in which
// an observer at rest in the locally non-rotating frame would look (straight
// inwards), cancelling the aberration of the observer's own motion.
struct aim_offset {
    double δα = 0, δβ = 0;
};

aim_offset aim_correction(Scene const &s, f_vec x_obs, f_vec u_obs);
aim_offset aim_correction(f_vec x_obs, f_vec u_obs);

// What one frame computes once for all its pixels: the aiming correction of
// its observer.
struct PreparedFrame {
    f_vec x{}, u{};
    aim_offset offset{};
    bool valid = false;
};

// Per-frame preparation. Computes the aiming correction for this observer
// once, and, when the disk is on, brings the scene's disk speed and
// angular-rate tables up to date for its metric and disk radii.
PreparedFrame prepare_frame(Scene &s, f_vec x_obs, f_vec u_obs);
void prepare_frame(f_vec x_obs, f_vec u_obs);

// Colour 0xAARRGGBB that the observer at x_obs with 4-velocity u_obs sees
// through the image-plane point (α, β); (0, 0) is the centre of the view.
// Black for rays that fall in, run out of rounds or end unresolved; the sky
// for rays that escape; the disk texture laid over either where the ray
// pierces the disk. Re-entrant and lock-free: many workers call it at once.
// An observer other than the prepared one still gets a correct image; it only
// pays for its own aiming correction on every call.
unsigned GetColor(Scene const &s, PreparedFrame const &prepared, double α, double β, f_vec x_obs,
                  f_vec u_obs);
unsigned GetColor(double α, double β, f_vec x_obs, f_vec u_obs);
