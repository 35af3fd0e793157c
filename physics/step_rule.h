// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The default integration's rule for one step, shared by the ray traced
// alone and the rays traced in packets, so that both take the same steps.
#include "physics/f_vec.h"
#include "physics/geodesic.h"
#include "physics/step_length.h"

#include <cmath>
#include <numbers>

inline double step_length(f_vec const &x, double r_hor, double r_outer, double p,
                          double distance_from_axis)
{
    return step_length_at(x[1], r_hor, r_outer, p, distance_from_axis);
}

// No step moves θ by more than this fraction of sin θ: a ray heading for the
// axis halves its distance at most per step, so it cannot jump past the place
// where it swings round; a ray passing straight over the pole has no swing,
// and a fourth-order step along such a nearly straight path loses nothing.
constexpr double axis_θ_fraction = 0.5;
// No step turns φ by more than this angle near the axis: the sideways motion,
// which swings φ by π during a close pass, is resolved in steps of a tenth of
// the distance from the axis.
constexpr double axis_φ_step = 0.1;
// The limit on θ stops shrinking here, so that a ray aimed exactly at the
// pole reaches it in a few dozen steps.
constexpr double axis_floor = 1e-9;

inline double axis_step(f_vec const &x, f_vec const &u, double r_hor, double r_outer, double p,
                        double distance)
{
    double h = step_length(x, r_hor, r_outer, p, 1.0);
    double const room = std::fmax(axis_θ_fraction * distance, axis_floor);
    if (std::fabs(u[2]) * h > room)
        h = room / std::fabs(u[2]);
    if (std::fabs(u[3]) * h > axis_φ_step)
        h = axis_φ_step / std::fabs(u[3]);
    return h;
}

// A step that carried θ past 0 or π is written as the same point and the same
// direction in range: θ mirrored at the pole, φ turned by π, u^θ reversed. φ
// keeps its accumulated value otherwise.
inline void back_over_axis(f_vec &x, f_vec &u, end &e)
{
    double pole;
    if (x[2] < 0)
        pole = 0;
    else if (x[2] > std::numbers::pi)
        pole = std::numbers::pi;
    else
        return;
    x[2] = 2 * pole - x[2];
    x[3] += std::numbers::pi;
    u[2] = -u[2];
    e.over_axis(pole);
}
