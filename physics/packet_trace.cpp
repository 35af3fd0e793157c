#include "physics/packet_trace.h"

#include "expr/fused_packet.h"
#include "expr/metric.h"
#include "physics/full_rungekuta.h"
#include "physics/step_rule.h"

#include <cmath>

namespace
{

constexpr int most_lanes = 8;

struct Lane {
    int ray = -1; // -1: idle, the batch is used up
    f_vec x{}, u{}, launch{};
    end e{0, 0};
    long long steps = 0;
    long long budget = 0;
    double h = 0;
};

class PacketTrace
{
  public:
    PacketTrace(Metric const &m, PacketStep const &step, double p, std::atomic<bool> const *cancel,
                RayBatch &batch)
        : m(m), entry(step.entry()), sin(step.math().sin), frame(m.fused_frame()),
          lanes(step.lanes()), p(p), cancel(cancel), batch(batch)
    {
        // Idle lanes still compute: give them a harmless point to work on.
        for (int i = 0; i < lanes; ++i) {
            x[lanes + i] = 10;
            x[2 * lanes + i] = 1;
        }
    }

    void run()
    {
        for (int l = 0; l < lanes; ++l)
            take(l);
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
        lane.steps = 0;
        lane.budget = step_budget(lane.e.angular_limit(), p);
    }

    void finish(int l)
    {
        Lane &lane = lane_at[l];
        batch.finish(lane.ray, lane.x, lane.u, lane.launch, lane.e);
        take(l);
    }

    // What geodetika does after each step.
    void stepped(int l)
    {
        Lane &lane = lane_at[l];
        back_over_axis(lane.x, lane.u, lane.e);
        bool more = lane.e.exit(lane.x, lane.u) && ++lane.steps < lane.budget;
        if (cancel)
            more = more && !cancel->load(std::memory_order_relaxed);
        if (!more)
            finish(l);
    }

    // One step of every busy lane: near the axis alone, else in the packet.
    // The distance from the axis comes from the packet's own sine.
    void round()
    {
        for (int l = 0; l < lanes; ++l)
            sine[l] = lane_at[l].x[2];
        sin(sine);
        unsigned packed = 0;
        for (int l = 0; l < lanes; ++l) {
            Lane &lane = lane_at[l];
            if (lane.ray < 0)
                continue;
            const double distance = std::fabs(sine[l]);
            if (distance < axis_zone) {
                full_rungekuta(
                    m, lane.x, lane.u,
                    axis_step(lane.x, lane.u, lane.e.evhor(), lane.e.outer_horizon(), p, distance));
                stepped(l);
                continue;
            }
            lane.h = step_length(lane.x, lane.e.evhor(), lane.e.outer_horizon(), p, distance);
            for (int k = 0; k < 4; ++k) {
                x[k * lanes + l] = lane.x[k];
                uh[k * lanes + l] = lane.u[k];
            }
            uh[4 * lanes + l] = lane.h;
            packed |= 1u << l;
        }
        if (!packed)
            return;
        const unsigned held = entry(frame, x, uh, out);
        for (int l = 0; l < lanes; ++l) {
            if (!((packed >> l) & 1))
                continue;
            Lane &lane = lane_at[l];
            if (!((held >> l) & 1)) {
                trace_on(m, lane.x, lane.u, lane.e, p, nullptr, lane.steps, cancel);
                finish(l);
                continue;
            }
            for (int k = 0; k < 4; ++k)
                lane.u[k] = out[k * lanes + l];
            lane.x = lane.x + lane.u * lane.h;
            stepped(l);
        }
    }

    Metric const &m;
    PacketStep::Entry entry;
    LaneFunction sin;
    const double *frame;
    int lanes;
    double p;
    std::atomic<bool> const *cancel;
    RayBatch &batch;
    RayQueue queue{batch};
    Lane lane_at[most_lanes];
    alignas(64) double x[4 * most_lanes] = {};
    alignas(64) double uh[5 * most_lanes] = {};
    alignas(64) double out[4 * most_lanes] = {};
    alignas(64) double sine[most_lanes] = {};
};

} // namespace

int RayQueue::take(int ray, f_vec &x, f_vec &u, end &e)
{
    if (next_ == rays_) {
        if (ray >= 0)
            --busy_;
        return -1;
    }
    if (ray < 0)
        ++busy_;
    batch_.start(next_, x, u, e);
    return next_++;
}

void trace_packets(Metric const &m, PacketStep const &step, double p,
                   std::atomic<bool> const *cancel, RayBatch &batch)
{
    PacketTrace(m, step, p, cancel, batch).run();
}
