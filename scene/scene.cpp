// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/scene.h"

#include "physics/frames.h"

#include <cmath>
#include <limits>

void compile_metric(Scene &s)
{
    s.metric = Metric::compile(s.metric_texts, s.P);
}

double settle_metric(Scene &s, double observer_r, double observer_θ, double no_orbit_edge)
{
    compile_metric(s);
    s.fault = spacetime_fault(s.metric, f_vec{{0, observer_r, off_axis(observer_θ), 0}});
    if (!s.fault.message.isEmpty() && !s.fault.of_observer) {
        s.horizons = {};
        s.P[4] = no_orbit_edge;
        return std::numeric_limits<double>::quiet_NaN();
    }
    s.horizons = find_horizons(s.metric, s.mink, observer_r);
    if (s.mink) {
        s.P[4] = 1.0;
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double limit = lim_stab_orb(s.metric, s.horizons, 1);
    s.P[4] = std::isnan(limit) ? no_orbit_edge : limit;
    return limit;
}
