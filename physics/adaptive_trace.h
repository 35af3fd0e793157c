// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/adaptive_geodesic.h"
#include "physics/geodesic.h"

#include <atomic>

class Metric;

// A stored path of the accurate integration (the observer's) keeps at least
// the points of the ordinary rule's steps made this many times longer, so
// that its frames and its drawing stay as dense as they were with fixed
// steps.
constexpr double accurate_scale = 5;

// The compiled metric, as the error-controlled integration asks it.
class MetricSpacetime final : public Spacetime
{
  public:
    explicit MetricSpacetime(Metric const &m) : m(m) {}

    f_vec acceleration(f_vec const &x, f_vec const &u) const override;
    Norm norm(f_vec const &x, f_vec const &u) const override;
    Metric const &metric() const { return m; }

  private:
    Metric const &m;
};

// The limits of one ray of the accurate integration at step scale p; a
// stored path (the observer's) counts its attempts against the ordinary
// budget of steps five times longer.
AdaptiveLimits adaptive_limits(end const &e, double p, bool stored);

// Within this distance of the polar axis (sin θ) the chart no longer
// resolves how φ swings round for a ray passing the axis: one sent with no
// angular momentum about it (every ray of the middle column seen from rest)
// keeps some of rounding and would need steps below what a double resolves
// of r. The accurate integration takes such a ray through the pole without
// it, by the ordinary integration's axis steps and mirroring at the pole; a
// ray passing farther from the axis never enters this zone.
constexpr double axis_handover = 1e-8;

// What the accurate trace makes of one step's outcome: disk passages and the
// escape radius landed on the step's continuous extension, the polar axis
// (crossed within axis_handover by the axis steps of step scale p), the
// stored path and the end tests. False when the ray has ended.
bool adaptive_step_done(Metric const &m, double p, DenseStep const &step, StepEnd outcome, f_vec &x,
                        f_vec &u, end &e, geo *g, std::atomic<bool> const *cancel);
