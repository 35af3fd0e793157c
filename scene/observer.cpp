// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/observer.h"

#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "physics/ray_scene.h"
#include "render/run_plan.h"

#include <numbers>

Observer starting_observer(Metric const &m, double r, double θ_degrees, double v, double φ_degrees)
{
    const f_vec x0{
        {0, r, off_axis(θ_degrees * std::numbers::pi / 180), φ_degrees * std::numbers::pi / 180}};
    return {x0, f_tet(m, four_vt(v), x0)};
}

// A finer step than the rays': the frames stand on the stored points.
void trace_run_path(RayScene const &s, Observer const &start, double rounds, geo &path,
                    std::atomic<bool> const *cancel)
{
    end e = path_end(s.horizons, s.precise, rounds);
    f_vec x = start.x, u = start.v;
    geodetika(s.metric, x, u, e, s.precise / 10.0, &path, {s.accurate, cancel});
}

Observer observer_of_frame(geo const &path, int k, int frames, Observer const &start)
{
    const int idx = path_point(path.getCount(), k, frames);
    if (idx < 0)
        return start;
    return {path.getX(idx), path.getV(idx)};
}
