// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

#include <QString>

class Metric;

// Why a metric is no spacetime at a point, in words that name the reason and
// the point ("g is not Lorentzian at r = 2, θ = 90°: det g = 0"); an empty
// message where it is one.
struct SpacetimeFault {
    QString message;
    int component = -1; // 4μ+ν of the component at fault; -1: the metric as a whole
    // A spacetime, but the point is no place to stand (inside a horizon).
    bool of_observer = false;
};

// A metric is a spacetime at x where its ten components, their determinant
// and inverse are finite, it has one negative and three positive eigenvalues,
// and an observer who does not turn with the centre can stand there: its
// 4-velocity (that of the non-rotating frame) is timelike. Any speed below
// light in that frame is then timelike too.
SpacetimeFault spacetime_fault(Metric const &m, f_vec x);
