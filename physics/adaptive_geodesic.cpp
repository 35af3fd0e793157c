// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/adaptive_geodesic.h"

#include <algorithm>
#include <cmath>

namespace
{

// Dormand & Prince (1980): nodes are implied by the rows; row 6 is the
// fifth-order solution, its stage the acceleration at the end point.
constexpr double A[7][6] = {
    {},
    {1.0 / 5},
    {3.0 / 40, 9.0 / 40},
    {44.0 / 45, -56.0 / 15, 32.0 / 9},
    {19372.0 / 6561, -25360.0 / 2187, 64448.0 / 6561, -212.0 / 729},
    {9017.0 / 3168, -355.0 / 33, 46732.0 / 5247, 49.0 / 176, -5103.0 / 18656},
    {35.0 / 384, 0, 500.0 / 1113, 125.0 / 192, -2187.0 / 6784, 11.0 / 84},
};
// Fifth- minus fourth-order weights.
constexpr double E[7] = {71.0 / 57600,      0,          -71.0 / 16695, 71.0 / 1920,
                         -17253.0 / 339200, 22.0 / 525, -1.0 / 40};
// Weights of the continuous extension (Hairer, Nørsett & Wanner, II.6).
constexpr double D[7] = {-12715105075.0 / 11282082432,  0,
                         87487479700.0 / 32700410799,   -10690763975.0 / 1880347072,
                         701980252875.0 / 199316789632, -1453857185.0 / 822651844,
                         69997945.0 / 29380423};

// The first step spans this share of r; the controller corrects it at once.
constexpr double first_share = 0.01;
// The shortest step, as a share of r: a double resolves about 10⁻¹⁶ r, and a
// step this short passes any feature the coordinates can still describe.
constexpr double floor_share = 1e-10;
// A step may move r by at most this share of it, and θ by at most this angle.
constexpr double r_jump = 0.5;
constexpr double θ_jump = 0.5;
// g(u, u) may change by this many tolerances of its scale in one step; an
// accepted step moves it by about one.
constexpr double norm_jump = 100;
// Step growth after an accepted step, and shrinkage after a refused one.
constexpr double grow_most = 5, shrink_most = 0.2, shrink_refused = 0.25, safety = 0.9;

bool finite(f_vec const &v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]) && std::isfinite(v[3]);
}

bool same(f_vec const &a, f_vec const &b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

// Length of the spatial part of u in the flat metric of the coordinates:
// what a step of affine length h travels, over h.
double spatial_speed(f_vec const &x, f_vec const &u, double sin_θ)
{
    double const r = std::fabs(x[1]);
    double const speed = std::hypot(u[1], r * u[2], r * sin_θ * u[3]);
    if (speed > 0)
        return speed;
    return std::fabs(u[0]) > 0 ? std::fabs(u[0]) : 1.0;
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
double AdaptiveGeodesic::error_of(f_vec const &x, f_vec const &u, Stages const &s, double h,
                                  double sin_end) const
{
    f_vec dx{}, du{};
    for (int i = 0; i < 7; ++i) {
        dx = dx + s.U[i] * E[i];
        du = du + s.A[i] * E[i];
    }
    dx = dx * h;
    du = du * h;
    double const r = std::fabs(x[1]);
    double const sin_θ = std::fmax(sin_start, sin_end);
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
    after = told ? told_norm : space.norm(s.x_end, s.u_end);
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
    told = false;
    take(a);
}

void AdaptiveGeodesic::supply(f_vec const &a, Spacetime::Norm const &norm, double sin_θ)
{
    told = true;
    told_norm = norm;
    told_sin = sin_θ;
    take(a);
}

void AdaptiveGeodesic::take(f_vec const &a)
{
    if (phase == Phase::here) {
        here_a = a;
        here_norm = told ? told_norm : space.norm(here_x, here_u);
        here_sin = told ? told_sin : std::fabs(std::sin(here_x[2]));
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
    sin_start = here_sin;
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
    if (trial.finite)
        sin_after = told ? told_sin : std::fabs(std::sin(trial.x_end[2]));
    double const error = trial.finite ? error_of(x, u, trial, h, sin_after) : HUGE_VAL;
    bool const through = trial.inside && !(trial.x_end[1] <= limits.r_capture);
    bool const good =
        !through && (error <= 1 || (at_floor && trial.finite)) && !jumped(x, trial, after);
    if (good) {
        last_x = x;
        last_u = u;
        last_h = h;
        last = trial;
        step_x = here_x = trial.x_end;
        step_u = here_u = trial.u_end;
        here_a = trial.A[6];
        here_norm = after;
        here_sin = sin_after;
        double const grow = error > 0 ? safety * std::pow(error, -0.2) : grow_most;
        h_next = h * std::fmin(std::fmax(grow, shrink_most), refused ? 1.0 : grow_most);
        return end_step(StepEnd::taken);
    }
    if (at_floor) {
        if (!trial.inside)
            return end_step(StepEnd::lost);
        step_x = trial.dipped;
        return end_step(StepEnd::captured);
    }
    refused = true;
    double const shrink = error <= 1 || !std::isfinite(error)
                              ? shrink_refused
                              : std::fmax(safety * std::pow(error, -0.2), shrink_most);
    h *= shrink;
    next_attempt();
}

// y(σ) = y0 + σ(Δ + (1 − σ)(c3 + σ(c4 + (1 − σ)c5))) with Δ = y1 − y0,
// c3 = h·k1 − Δ, c4 = Δ − h·k7 − c3 and c5 = h·Σ D_i k_i.
void AdaptiveGeodesic::point_at(double σ, f_vec &x, f_vec &u) const
{
    double const h = last_h;
    auto extend = [&](f_vec const &y0, f_vec const &y1, f_vec const(&k)[7]) {
        f_vec const Δ = y1 + (-y0);
        f_vec const c3 = k[0] * h + (-Δ);
        f_vec const c4 = Δ + (-(k[6] * h)) + (-c3);
        f_vec c5{};
        for (int i = 0; i < 7; ++i)
            c5 = c5 + k[i] * D[i];
        c5 = c5 * h;
        return y0 + (Δ + (c3 + (c4 + c5 * (1 - σ)) * σ) * (1 - σ)) * σ;
    };
    x = extend(last_x, last.x_end, last.U);
    u = extend(last_u, last.u_end, last.A);
}

bool AdaptiveGeodesic::crossing(int k, double value, f_vec &x, f_vec &u) const
{
    if (last_h == 0)
        return false;
    double const before = last_x[k] - value, after = last.x_end[k] - value;
    if (!(before * after < 0))
        return false;
    double lo = 0, hi = 1;
    for (int i = 0; i < 40; ++i) {
        double const mid = 0.5 * (lo + hi);
        point_at(mid, x, u);
        ((x[k] - value) * after > 0 ? hi : lo) = mid;
    }
    point_at(hi, x, u);
    return true;
}
