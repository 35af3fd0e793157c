// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/adaptive_geodesic.h"

#include <algorithm>
#include <cmath>

using namespace dormand_prince;

namespace
{

bool finite(f_vec const &v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]) && std::isfinite(v[3]);
}

bool same(f_vec const &a, f_vec const &b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

} // namespace

AdaptiveGeodesic::AdaptiveGeodesic(Spacetime const &space, AdaptiveLimits limits)
    : space(space), limits(limits)
{
}

// The difference of the two orders as a displacement and a turn of the ray,
// measured in the flat metric of the coordinates against r and the ray's
// speed, over the tolerance. Near the axis sin θ makes a large change of φ
// the small displacement it is; near the horizon the growth of u^t and u^φ
// shortens the steps.
double AdaptiveGeodesic::error_of(f_vec const &x, f_vec const &u, Stages const &s, double h) const
{
    f_vec dx{}, du{};
    for (int i = 0; i < 7; ++i) {
        dx = dx + s.U[i] * E[i];
        du = du + s.A[i] * E[i];
    }
    dx = dx * h;
    du = du * h;
    double const r = std::fabs(x[1]);
    double const sin_θ = std::fmax(sin_start, std::fabs(std::sin(s.x_end[2])));
    double const place = std::hypot(dx[1], r * dx[2], r * sin_θ * dx[3]) / r;
    double const turn =
        std::hypot(du[1], r * du[2], r * sin_θ * du[3]) / spatial_speed(x, u, sin_θ);
    double const time = std::fmax(std::fabs(dx[0]) / r, std::fabs(du[0]) / std::fabs(u[0]));
    return std::fmax(std::fmax(place, turn), time) / limits.tolerance;
}

// A jump of r, θ or g(u, u); `after` receives g(u, u) at the end point.
bool AdaptiveGeodesic::jumped(f_vec const &x, Stages const &s, Spacetime::Norm &after) const
{
    Spacetime::Norm const before = here_norm;
    if (std::fabs(s.x_end[1] - x[1]) > r_jump * std::fabs(x[1]))
        return true;
    if (std::fabs(s.x_end[2] - x[2]) > θ_jump)
        return true;
    after = space.norm(s.x_end, s.u_end);
    double const allowed =
        norm_jump * limits.tolerance * std::fmax(std::fabs(after.scale), std::fabs(before.scale));
    return !(std::fabs(after.value - before.value) <= allowed);
}

StepEnd AdaptiveGeodesic::advance(f_vec &x, f_vec &u, double max_h)
{
    start(x, u, max_h);
    while (wants())
        supply(space.acceleration(want_x, want_u));
    return finish(x, u);
}

void AdaptiveGeodesic::start(f_vec const &x, f_vec const &u, double longest)
{
    step_x = x;
    step_u = u;
    max_h = longest;
    if (!here_known || !same(here_x, x) || !same(here_u, u)) {
        here_x = want_x = x;
        here_u = want_u = u;
        phase = Phase::here;
        return;
    }
    begin_attempts();
}

void AdaptiveGeodesic::supply(f_vec const &a)
{
    if (phase == Phase::here) {
        here_a = a;
        here_norm = space.norm(here_x, here_u);
        here_known = true;
        begin_attempts();
        return;
    }
    trial.A[stage] = a;
    if (stage < 6) {
        ++stage;
        prepare_stage();
        return;
    }
    judge_attempt();
}

StepEnd AdaptiveGeodesic::finish(f_vec &x, f_vec &u) const
{
    x = step_x;
    u = step_u;
    return outcome;
}

void AdaptiveGeodesic::begin_attempts()
{
    f_vec const &x = step_x, &u = step_u;
    sin_start = std::fabs(std::sin(x[2]));
    double const reach = std::fabs(x[1]) / spatial_speed(x, u, sin_start);
    floor = std::fmin(floor_share * reach, max_h);
    h = std::fmin(h_next > 0 ? h_next : first_share * reach, max_h);
    refused = false;
    next_attempt();
}

void AdaptiveGeodesic::end_step(StepEnd how)
{
    outcome = how;
    phase = Phase::done;
}

void AdaptiveGeodesic::next_attempt()
{
    if (attempted >= limits.budget)
        return end_step(StepEnd::lost);
    ++attempted;
    h = std::fmax(h, floor);
    at_floor = h <= floor;
    trial.inside = false;
    trial.U[0] = step_u;
    trial.A[0] = here_a;
    stage = 1;
    phase = Phase::stage;
    prepare_stage();
}

// The point of the current stage from the stages before it.
void AdaptiveGeodesic::prepare_stage()
{
    Stages &s = trial;
    int const i = stage;
    f_vec dx{}, du{};
    for (int j = 0; j < i; ++j) {
        dx = dx + s.U[j] * A[i][j];
        du = du + s.A[j] * A[i][j];
    }
    f_vec const X = step_x + dx * h;
    s.U[i] = step_u + du * h;
    if (X[1] <= limits.r_capture && !s.inside) {
        s.inside = true;
        s.dipped = X;
    }
    if (i == 6)
        s.x_end = X;
    want_x = X;
    want_u = s.U[i];
}

// All stages known: take the step, refuse it for a shorter one, or give up.
void AdaptiveGeodesic::judge_attempt()
{
    f_vec const &x = step_x, &u = step_u;
    trial.u_end = trial.U[6];
    trial.finite = finite(trial.x_end) && finite(trial.u_end) && finite(trial.A[6]);
    double const error = trial.finite ? error_of(x, u, trial, h) : HUGE_VAL;
    bool const through = trial.inside && !(trial.x_end[1] <= limits.r_capture);
    bool const good =
        !through && (error <= 1 || (at_floor && trial.finite)) && !jumped(x, trial, after);
    if (good) {
        last = {x, u, trial.x_end, trial.u_end, {}, {}, h};
        std::copy_n(trial.U, 7, last.U);
        std::copy_n(trial.A, 7, last.A);
        step_x = here_x = trial.x_end;
        step_u = here_u = trial.u_end;
        here_a = trial.A[6];
        here_norm = after;
        h_next = grown(h, error, refused);
        return end_step(StepEnd::taken);
    }
    if (at_floor) {
        if (!trial.inside)
            return end_step(StepEnd::lost);
        step_x = trial.dipped;
        return end_step(StepEnd::captured);
    }
    refused = true;
    h = shrunk(h, error);
    next_attempt();
}
