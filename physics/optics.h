// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

class Metric;

// The optics of a moving observer. Vectors are in coordinate components and
// meet through the metric at their point; with the signature (-, +, +, +) a
// pair of future-pointing vectors has a negative product.

// The past-pointing null direction traced back from the observer at x with
// 4-velocity u through the image-plane point (α, β). The image plane is the
// stereographic chart of the observer's own sky: the centre looks straight
// inwards, β > 0 towards growing θ, α > 0 towards growing φ, and a pixel lies
// at the angle 2·atan(√(α² + β²)) from the centre.
f_vec aberace(Metric const &m, double α, double β, f_vec u, f_vec x);

// The observer's orthonormal frame (E[0] = u, the rest by tetrada), which
// aberace builds afresh; made once, it serves every ray of that observer.
struct ObserverTetrad {
    double E[4][4] = {};
};
ObserverTetrad observer_tetrad(Metric const &m, f_vec u, f_vec x);

// aberace in the observer's frame made already, to the same bits.
f_vec aberace(ObserverTetrad const &t, double α, double β);

// Shift z of light emitted along k_e by an emitter u_e at x_e and received
// along k_o by an observer u_o at x_o: 1 + z = ν_emitted / ν_observed.
double rshft(Metric const &m, f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o);

// Beaming factor (ν_observed / ν_emitted)³ for the same arguments.
double beamg(Metric const &m, f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o);
