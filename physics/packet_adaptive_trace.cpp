// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/packet_adaptive_trace.h"

#include "expr/fused_packet.h"
#include "expr/metric.h"
#include "physics/adaptive_trace.h"
#include "physics/packet_trace.h"

#include <optional>

namespace
{

constexpr int most_lanes = 8;

struct Lane {
    int ray = -1; // -1: idle, the batch is used up
    f_vec x{}, u{}, launch{};
    end e{0, 0};
    std::optional<AdaptiveGeodesic> path;
};

class AdaptivePacketTrace
{
  public:
    AdaptivePacketTrace(Metric const &m, PacketStep const &step, double p,
                        std::atomic<bool> const *cancel, RayBatch &batch)
        : space(m), acceleration(step.acceleration()), frame(m.fused_frame()), lanes(step.lanes()),
          p(p), cancel(cancel), batch(batch)
    {
        // Idle lanes still compute: give them a harmless point to work on.
        for (int i = 0; i < lanes; ++i) {
            x[lanes + i] = 10;
            x[2 * lanes + i] = 1;
        }
    }

    void run()
    {
        for (int l = 0; l < lanes; ++l) {
            take(l);
            settle(l);
        }
        while (queue.busy())
            round();
    }

  private:
    void take(int l)
    {
        Lane &lane = lane_at[l];
        lane.ray = queue.take(lane.ray, lane.x, lane.u, lane.e);
        if (lane.ray < 0)
            return;
        lane.launch = lane.u;
        lane.path.emplace(space, adaptive_limits(lane.e, p, false));
        lane.path->start(lane.x, lane.u);
    }

    // Runs the lane's steps on until its ray wants an acceleration, taking
    // new rays as its rays end, or the batch is used up.
    void settle(int l)
    {
        Lane &lane = lane_at[l];
        while (lane.ray >= 0 && !lane.path->wants()) {
            const StepEnd outcome = lane.path->finish(lane.x, lane.u);
            if (adaptive_step_done(space.metric(), p, *lane.path, outcome, lane.x, lane.u, lane.e,
                                   nullptr, cancel)) {
                lane.path->start(lane.x, lane.u);
                continue;
            }
            batch.finish(lane.ray, lane.x, lane.u, lane.launch, lane.e);
            take(l);
        }
    }

    // One acceleration of every busy lane.
    void round()
    {
        for (int l = 0; l < lanes; ++l) {
            const Lane &lane = lane_at[l];
            if (lane.ray < 0)
                continue;
            for (int k = 0; k < 4; ++k) {
                x[k * lanes + l] = lane.path->wanted_x()[k];
                u[k * lanes + l] = lane.path->wanted_u()[k];
            }
        }
        const unsigned held = acceleration(frame, x, u, out);
        for (int l = 0; l < lanes; ++l) {
            Lane &lane = lane_at[l];
            if (lane.ray < 0)
                continue;
            if ((held >> l) & 1) {
                f_vec a;
                for (int k = 0; k < 4; ++k)
                    a[k] = out[k * lanes + l];
                lane.path->supply(a, {out[4 * lanes + l], out[5 * lanes + l]}, out[6 * lanes + l]);
            } else {
                lane.path->supply(space.acceleration(lane.path->wanted_x(), lane.path->wanted_u()));
            }
            settle(l);
        }
    }

    MetricSpacetime space;
    PacketStep::Acceleration acceleration;
    const double *frame;
    int lanes;
    double p;
    std::atomic<bool> const *cancel;
    RayBatch &batch;
    RayQueue queue{batch};
    Lane lane_at[most_lanes];
    alignas(64) double x[4 * most_lanes] = {};
    alignas(64) double u[4 * most_lanes] = {};
    alignas(64) double out[7 * most_lanes] = {};
};

} // namespace

void trace_adaptive_packets(Metric const &m, PacketStep const &step, double p,
                            std::atomic<bool> const *cancel, RayBatch &batch)
{
    AdaptivePacketTrace(m, step, p, cancel, batch).run();
}
