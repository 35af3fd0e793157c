#pragma once

#include "physics/f_vec.h"

// The colour one pixel's light ray brings to the observer.
//
// How a frame renderer uses it:
//   1. on the GUI thread, after the render switches (el_ab, kepler, shift,
//      beam, simul) have been set for the frame and before any pixel task is
//      dispatched: prepare_frame(x_obs, u_obs) with the frame's observer;
//   2. on the workers: GetColor(α, β, x_obs, u_obs) per pixel, with the same
//      observer. Workers only read what prepare_frame stored; nothing that
//      GetColor reads may change until every task of the frame has finished.

// Pixel offset that turns the image centre back onto the direction in which
// an observer at rest in the locally non-rotating frame would look (straight
// inwards), cancelling the aberration of the observer's own motion.
struct aim_offset {
    double δα = 0, δβ = 0;
};

aim_offset aim_correction(f_vec x_obs, f_vec u_obs);

// Per-frame preparation (GUI thread only). Computes the aiming correction for
// this observer once, and, when the disk is on, brings the disk's speed and
// angular-rate tables up to date for the current metric and disk radii.
void prepare_frame(f_vec x_obs, f_vec u_obs);

// Colour 0xAARRGGBB that the observer at x_obs with 4-velocity u_obs sees
// through the image-plane point (α, β); (0, 0) is the centre of the view.
// Black for rays that fall in, run out of rounds or end unresolved; the sky
// for rays that escape; the disk texture laid over either where the ray
// pierces the disk. Re-entrant and lock-free: many workers call it at once.
// An observer other than the prepared one still gets a correct image; it only
// pays for its own aiming correction on every call.
unsigned GetColor(double α, double β, f_vec x_obs, f_vec u_obs);
