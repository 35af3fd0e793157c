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

  private:
    Metric const &m;
};

// The limits of one ray of the accurate integration at step scale p; a
// stored path (the observer's) counts its attempts against the ordinary
// budget of steps five times longer.
AdaptiveLimits adaptive_limits(end const &e, double p, bool stored);

// What the accurate trace makes of one step's outcome: disk passages and the
// escape radius landed on the step's continuous extension, the polar axis,
// the stored path and the end tests. False when the ray has ended.
bool adaptive_step_done(AdaptiveGeodesic const &ray, StepEnd outcome, f_vec &x, f_vec &u, end &e,
                        geo *g, std::atomic<bool> const *cancel);
