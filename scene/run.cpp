// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/run.h"

#include "physics/ray_colour.h"
#include "physics/ray_scene.h"

#include <numbers>

Run::Run(RayScene const &scene, Observer const &start, double rounds, int frames, int zoom,
         std::atomic<bool> const *cancel)
    : start_(start), frames_(frames), z_(std::numbers::pi / 2 / zoom)
{
    trace_run_path(scene, start, rounds, path_, cancel);
}

long long render_frame(RayScene const &scene, Observer const &o, double z, MyImage &target, int w,
                       int h, RenderControl &control, RenderHooks hooks, int threads, int smooth,
                       int coarsest)
{
    // A cancelled frame dispatches nothing, so it needs no aim.
    PreparedFrame prepared;
    if (!control.stop)
        prepared = prepare_frame(scene, o.x, o.v, &control.stop);
    FrameEngine engine(scene, prepared, control);
    if (threads > 0)
        engine.set_thread_count(threads);
    engine.set_hooks(std::move(hooks));
    engine.set_smoothing(smooth);
    engine.set_coarsest_level(coarsest);
    return engine.render(target, o.x, o.v, w, h, z);
}

QString untraced_note(long long pixels)
{
    return QStringLiteral("%1 pixel%2 could not be traced: the metric is not finite along %3")
        .arg(pixels)
        .arg(pixels == 1 ? "" : "s")
        .arg(pixels == 1 ? "its ray" : "their rays");
}
