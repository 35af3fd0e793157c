// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

class Metric;

// Radial motion on the equator of a stationary, axisymmetric metric, with the
// constants of motion E = −p_t and L = p_φ (per unit mass for a body).

// The energy at which something of angular momentum L turns at radius r: a
// body for kappa = 1, light for kappa = 0 (then per unit L, the inverse of the
// impact parameter, when L = 1). NaN where it has no such turning point, as
// inside a horizon or an ergoregion's boundary where g_tφ² − g_tt·g_φφ ≤ 0.
double effective_potential(Metric const &m, double r, double L, double kappa);

// E and L of a body at x with four-velocity u.
struct OrbitConstants {
    double E, L;
};
OrbitConstants orbit_constants(Metric const &m, f_vec const &x, f_vec const &u);

// Whether the metric's components stay the same when t or φ changes (checked
// at a few points around the hole): without that, E or L is not conserved.
bool stationary_and_axisymmetric(Metric const &m);
