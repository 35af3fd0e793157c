// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

#include <cmath>

// The fifth-order Dormand–Prince pair as the error-controlled integration
// uses it, one ray at a time or lane by lane: the tableau, the limits of an
// attempt and the step-size controller.
namespace dormand_prince
{

// Dormand & Prince (1980): nodes are implied by the rows; row 6 is the
// fifth-order solution, its stage the acceleration at the end point.
inline constexpr double A[7][6] = {
    {},
    {1.0 / 5},
    {3.0 / 40, 9.0 / 40},
    {44.0 / 45, -56.0 / 15, 32.0 / 9},
    {19372.0 / 6561, -25360.0 / 2187, 64448.0 / 6561, -212.0 / 729},
    {9017.0 / 3168, -355.0 / 33, 46732.0 / 5247, 49.0 / 176, -5103.0 / 18656},
    {35.0 / 384, 0, 500.0 / 1113, 125.0 / 192, -2187.0 / 6784, 11.0 / 84},
};
// Fifth- minus fourth-order weights.
inline constexpr double E[7] = {71.0 / 57600,      0,          -71.0 / 16695, 71.0 / 1920,
                                -17253.0 / 339200, 22.0 / 525, -1.0 / 40};

// The first step spans this share of r; the controller corrects it at once.
inline constexpr double first_share = 0.01;
// The shortest step, as a share of r: a double resolves about 10⁻¹⁶ r, and a
// step this short passes any feature the coordinates can still describe.
inline constexpr double floor_share = 1e-10;
// A step may move r by at most this share of it, and θ by at most this angle.
inline constexpr double r_jump = 0.5;
inline constexpr double θ_jump = 0.5;
// g(u, u) may change by this many tolerances of its scale in one step; an
// accepted step moves it by about one.
inline constexpr double norm_jump = 100;

// Length of the spatial part of u in the flat metric of the coordinates:
// what a step of affine length h travels, over h.
inline double spatial_speed(f_vec const &x, f_vec const &u, double sin_θ)
{
    double const r = std::fabs(x[1]);
    double const speed = std::hypot(u[1], r * u[2], r * sin_θ * u[3]);
    if (speed > 0)
        return speed;
    return std::fabs(u[0]) > 0 ? std::fabs(u[0]) : 1.0;
}

// Step growth after an accepted step, and shrinkage after a refused one.
inline constexpr double grow_most = 5, shrink_most = 0.2, shrink_refused = 0.25, safety = 0.9;

// The next step after one of the given error (over the tolerance) was taken;
// a step that needed a refusal first does not grow.
inline double grown(double h, double error, bool refused)
{
    double const grow = error > 0 ? safety * std::pow(error, -0.2) : grow_most;
    return h * std::fmin(std::fmax(grow, shrink_most), refused ? 1.0 : grow_most);
}

// The retry after a refused step of the given error.
inline double shrunk(double h, double error)
{
    return h * (error <= 1 || !std::isfinite(error)
                    ? shrink_refused
                    : std::fmax(safety * std::pow(error, -0.2), shrink_most));
}

} // namespace dormand_prince

// A taken step with its stages, for its fourth-order continuous extension.
struct DenseStep {
    f_vec x0{}, u0{}, x1{}, u1{};
    f_vec U[7]{}, A[7]{}; // stage velocities and accelerations
    double h = 0;         // 0 until a step is taken

    // The point at the share σ of the step.
    void point_at(double σ, f_vec &x, f_vec &u) const;

    // After a step along which coordinate k passed `value` strictly: the
    // point of the step just past it; false when the step did not pass it.
    bool crossing(int k, double value, f_vec &x, f_vec &u) const;
};
