#include "scene/observer.h"

#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "render/run_plan.h"
#include "scene/scene.h"

#include <numbers>

Observer starting_observer(Scene const &s, double r, double θ_degrees, double v, double φ_degrees)
{
    const f_vec x0{
        {0, r, off_axis(θ_degrees * std::numbers::pi / 180), φ_degrees * std::numbers::pi / 180}};
    return {x0, f_tet(s, four_vt(v), x0)};
}

// A finer step than the rays': the frames stand on the stored points.
void trace_run_path(Scene const &s, Observer const &start, double rounds, geo &path)
{
    end e(capture_radius(s), rounds);
    e.set_escape(escape_radius(s));
    f_vec x = start.x, u = start.v;
    geodetika(s, x, u, e, s.precise / 10.0, &path);
}

Observer observer_of_frame(geo const &path, int k, int frames, Observer const &start)
{
    const int idx = path_point(path.getCount(), k, frames);
    if (idx < 0)
        return start;
    return {path.getX(idx), path.getV(idx)};
}
