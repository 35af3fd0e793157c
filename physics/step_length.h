// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The default integration's step length and axis zone alone, a leaf header,
// so that the generated packet step takes the very steps of the one-ray
// trace; the packet code repeats these formulas and is checked against them
// when it is made.
#include <cmath>

// Long steps far out, short ones near the horizon and towards the axis.
inline double step_towards(double distance_to_horizon, double p, double distance_from_axis)
{
    double const d = (-distance_to_horizon * p) * distance_from_axis - 10;
    return std::fmax(p / 50, 100 / d + 10);
}

// Steps shrink towards the observer's outer (cosmological) horizon r_outer
// (0: none) as they do towards the event horizon r_hor: there u^t grows like
// 1/g_tt, and a step of fixed length would carry the frozen connection's
// error, amplified as much, into r. Light crosses the last stretch before the
// escape radius in a few hundred steps.
inline double step_length_at(double r, double r_hor, double r_outer, double p,
                             double distance_from_axis)
{
    double const h = step_towards(r - r_hor, p, distance_from_axis);
    if (r_outer > 0)
        return std::fmin(h, step_towards(std::fabs(r_outer - r), p, distance_from_axis));
    return h;
}

// Near the polar axis θ and φ are polar coordinates around it: the connection
// grows like cot θ and φ swings by π as a ray passes. Within this distance of
// the axis (sin θ, about 6°) a step advances the whole state to fourth order
// with the connection taken afresh at every stage, and its length is set by
// how far the ray is from the axis rather than by the ordinary rule, whose
// steps shrink with sin θ regardless of where the ray is heading. Farther out
// nothing changes.
constexpr double axis_zone = 0.1;
