// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/ray_batch.h"

#include "expr/fused_christoffel.h"
#include "physics/packet_adaptive_trace.h"
#include "physics/packet_trace.h"
#include "physics/ray_colour.h"
#include "physics/ray_scene.h"

#include <QCoreApplication>

namespace
{

const PacketStep *packet_step_of(RayScene const &s)
{
    const FusedChristoffel *fused = s.metric.fused();
    if (!fused || s.simd == SimdPath::off)
        return nullptr;
    const PacketWidth width = s.simd == SimdPath::avx512 ? PacketWidth::avx512 : PacketWidth::avx2;
    return s.accurate ? fused->packet_acceleration(width) : fused->packet_step(width);
}

class ColourBatch final : public RayBatch
{
  public:
    ColourBatch(RayScene const &s, PreparedFrame const &prepared, ImagePoint const *points,
                int count, unsigned *colours, f_vec x_obs, f_vec u_obs)
        : s(s), prepared(prepared), frame(observer_tetrad(s.metric, u_obs, x_obs)), points(points),
          rays(count), colours(colours), x_obs(x_obs), u_obs(u_obs)
    {
    }

    int count() const override { return rays; }

    void start(int i, f_vec &x, f_vec &u, end &e) override
    {
        RayStart ray = start_ray(s, prepared, frame, points[i].α, points[i].β, x_obs, u_obs);
        x = x_obs;
        u = ray.launch;
        e = ray.e;
    }

    void finish(int i, f_vec const &x, f_vec const &u, f_vec const &launch, end &e) override
    {
        colours[i] = ended_ray_colour(s, e, x, u, launch, x_obs, u_obs);
        lost += untraced(x, u);
    }

    int untraced_rays() const { return lost; }

  private:
    RayScene const &s;
    PreparedFrame const &prepared;
    ObserverTetrad frame;
    ImagePoint const *points;
    int rays;
    unsigned *colours;
    f_vec x_obs, u_obs;
    int lost = 0;
};

} // namespace

int get_colours(RayScene const &s, PreparedFrame const &prepared, ImagePoint const *points,
                int count, unsigned *colours, f_vec x_obs, f_vec u_obs)
{
    if (const PacketStep *step = packet_step_of(s)) {
        ColourBatch batch(s, prepared, points, count, colours, x_obs, u_obs);
        if (s.accurate)
            trace_adaptive_packets(s.metric, *step, s.precise, prepared.cancel, batch);
        else
            trace_packets(s.metric, *step, s.precise, prepared.cancel, batch);
        return batch.untraced_rays();
    }
    const ObserverTetrad frame = observer_tetrad(s.metric, u_obs, x_obs);
    int lost = 0;
    for (int i = 0; i < count; ++i) {
        RayStart start = start_ray(s, prepared, frame, points[i].α, points[i].β, x_obs, u_obs);
        f_vec x = x_obs, p = start.launch;
        geodetika(s.metric, x, p, start.e, s.precise, nullptr, {s.accurate, prepared.cancel});
        colours[i] = ended_ray_colour(s, start.e, x, p, start.launch, x_obs, u_obs);
        lost += untraced(x, p);
    }
    return lost;
}

QString tracing_path_text(RayScene const &s)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("RayBatch", text); };
    if (packet_step_of(s))
        return s.simd == SimdPath::avx512 ? tr("AVX-512, 8 rays at once")
                                          : tr("AVX2, 4 rays at once");
    const FusedChristoffel *fused = s.metric.fused();
    if (!fused)
        return tr("byte code, one ray at a time");
    if (fused->backend() == FusedBackendKind::interpreter)
        return tr("interpreted program, one ray at a time");
    return tr("generated code, one ray at a time");
}
