// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

#include <atomic>
#include <memory>
#include <utility>

class Metric;

// Every point reached by one geodesic, kept for the observer's own path. Used
// by a single thread; never copied, because a path can hold millions of points.
class geo
{
  public:
    geo() = default;
    geo(geo const &) = delete;
    geo &operator=(geo const &) = delete;

    void insert(f_vec const &x, f_vec const &v);

    f_vec getX(int i) const { return positions[i]; }
    f_vec getV(int i) const { return velocities[i]; }
    int getCount() const { return count; }

  private:
    std::unique_ptr<f_vec[]> positions;
    std::unique_ptr<f_vec[]> velocities;
    int count = 0;
    int capacity = 0;
};

// Decides when one geodesic ends and remembers what happened on the way: the
// angular distance travelled and up to three passages through the thin disk
// in the equatorial plane. Built fresh for every geodesic.
class end
{
  public:
    end(double r_hor, double rounds);

    void set_kepler(double const &inner, double const &outer);
    // Paths escape at r; outer_horizon is the observer's cosmological horizon
    // (0: none) just outside r, towards which the steps shrink.
    void set_escape(double r, double outer_horizon = 0.0)
    {
        r_escape = r;
        r_outer = outer_horizon;
    }

    // Takes the newest point; true while the geodesic may go on.
    bool exit(f_vec const &x, f_vec const &u);
    // The same with the angular step √(dθ² + dφ²) from the previous point
    // computed already, as a packet of rays computes it.
    bool exit(f_vec const &x, f_vec const &u, double angular_step);

    // The trace has gone on to x with the angular path `path` so far, as a
    // packet of rays follows it: every point before x has passed exit
    // without an end or a crossing, and the next exit takes up from x.
    void resume(f_vec const &x, double path_so_far);

    // The trace has written the newest point over the polar axis at θ = pole
    // (0 or π) in range again; the previous point is written the same way, so
    // the path and the crossing test see one continuous chart.
    void over_axis(double pole);

    // 0 none of the limits, 1 escaped, 2 fell in, 3 too many rounds; negated
    // when the path passed through the disk at least once.
    int reason() const;

    double evhor() const { return r_hor; }
    double escape() const { return r_escape; }
    double outer_horizon() const { return r_outer; }
    std::pair<double, double> k_loc(int i) const { return crossing_at[i]; }
    f_vec k_vel(int i) const { return crossing_u[i]; }
    int kkp() const { return in_disk; }

    f_vec position() const { return current; }
    double angular_path() const { return path; }
    double angular_limit() const { return path_limit; }

  private:
    void note_crossing(f_vec const &u);

    f_vec previous{};
    f_vec current{};
    f_vec crossing_u[3]{};
    double path = 0.0;
    double disk_in = 0.0;
    double disk_out = 0.0;
    double r_hor;
    double path_limit;
    double r_escape = 1000.0;
    double r_outer = 0.0;
    std::pair<double, double> crossing_at[3]{};
    int in_disk = 0;
};

// Most steps one geodesic may take. The step rule alone never ends a path that
// neither falls in, escapes nor turns (an observer at rest in flat space), and
// the observer's path stores every point, so the loop needs a bound of its
// own. It grows with the rounds allowed and with the fineness of the step:
// a circular orbit just inside the escape radius, the slowest real path per
// round, needs about 2π·√1000/p + 2π·1000^1.5/10 steps per round; the budget
// is about five times that. A path cut off here ends with reason() 0.
long long step_budget(double angular_limit, double p);

// The accurate integration's tolerance for the accuracy setting p: the
// largest error one step may make, relative to r and to the ray's speed.
double accurate_tolerance(double p);

// Most steps one ray of the accurate integration may attempt, accepted or
// refused.
long long ray_attempt_budget(double angular_limit);

// How a trace runs besides its metric and step scale.
struct TraceOptions {
    // The error-controlled integration (AdaptiveGeodesic, tolerance
    // accurate_tolerance(p)) instead of the frozen-connection step: it lands
    // disk crossings and the escape radius on the path itself, and a ray it
    // cannot follow ends unresolved (reason() 0) after at most
    // ray_attempt_budget attempts. A stored path keeps at least the points of
    // the ordinary steps made five times longer.
    bool whole_state = false;
    // When given and raised, the trace ends after the step in hand: how a
    // render is cancelled. The orbit searches and the path view pass none, so
    // their answers never depend on a cancelled render.
    std::atomic<bool> const *cancel = nullptr;
};

// Traces the geodesic from x with 4-velocity u until e says it has ended, the
// cancel flag is raised or the step budget is spent; x and u then hold the
// last point. p scales the step length; g, when given, receives every point
// after the start.
void geodetika(Metric const &m, f_vec &x, f_vec &u, end &e, double p, geo *g,
               TraceOptions const &options);

// The frozen-connection trace of geodetika taken up after `steps` steps: how
// a ray that leaves a packet finishes, exactly as if it had been traced
// alone from its start.
void trace_on(Metric const &m, f_vec &x, f_vec &u, end &e, double p, geo *g, long long steps,
              std::atomic<bool> const *cancel);
