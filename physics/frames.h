// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

class Metric;

// Orthonormal observer frames built from a compiled metric. A frame
// is double[4][4] whose row a is the frame vector E_a in coordinate
// components: E_0 the observer's time axis, then the axes along r, θ and φ.

// g(a, b) at x.
double dot_p(Metric const &m, double const (&a)[4], double const (&b)[4], f_vec x);

// Scales a to |g(a, a)| = 1, whether it is time-like or space-like.
void norm(Metric const &m, double (&a)[4], f_vec x);

// Second projection stage of tetrada: Gram–Schmidt of E_1..E_3 against the
// earlier rows, each row normalised afterwards.
void ortonormalize(Metric const &m, double (&E)[4][4], f_vec x);

// Completes a frame from the time-like E[0]; rows 1 to 3 must be zero on entry.
void tetrada(Metric const &m, double (&E)[4][4], f_vec x);

// The frame at x of the observer with no angular momentum (ω = −g_tφ/g_φφ).
void lnrf(Metric const &m, double (&E)[4][4], f_vec x);

// Gauss–Jordan inversion with partial pivoting; a singular matrix yields
// infinities or NaNs.
void invMatrix(double (&M)[4][4]);

// result[ν] = Σ_a v[a]·M[a][ν]
f_vec transform(f_vec v, double const (&M)[4][4]);

// Coordinate vector v at x → its components in the non-rotating frame.
f_vec t_tet(Metric const &m, f_vec v, f_vec x);
// Components v in the non-rotating frame at x → coordinate vector.
f_vec f_tet(Metric const &m, f_vec v, f_vec x);
// Components v in the frame at x whose time axis is u → coordinate vector.
f_vec f_tet(Metric const &m, f_vec u, f_vec v, f_vec x);

// Frame components of the 4-velocity moving with speed v (units of c) along E_3.
f_vec four_vt(double v);

// On the axis (θ = 0 or π) g_φφ vanishes and no observer frame exists. An
// observer put there stands this far off it instead: 0.006°, far below what
// a frame can resolve, yet the frame is well conditioned.
inline constexpr double axis_offset = 1e-4;

// θ moved axis_offset off the axis when it lies closer to it (towards the
// equator when exactly on it); any other angle unchanged.
double off_axis(double θ);
