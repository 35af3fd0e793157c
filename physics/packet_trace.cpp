// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/packet_trace.h"

#include "expr/fused_packet.h"
#include "expr/metric.h"
#include "physics/full_rungekuta.h"
#include "physics/step_rule.h"

#include <cmath>
#include <numbers>

namespace
{

constexpr int most_lanes = 8;

struct Lane {
    int ray = -1; // -1: idle, the batch is used up
    f_vec x{}, u{}, launch{};
    end e{0, 0};
    long long steps = 0;
    long long budget = 0;
};

class PacketTrace
{
  public:
    PacketTrace(Metric const &m, PacketStep const &step, double p, std::atomic<bool> const *cancel,
                RayBatch &batch)
        : m(m), entry(step.entry()), frame(m.fused_frame()), lanes(step.lanes()), p(p),
          cancel(cancel), batch(batch)
    {
        // Idle lanes still compute: give them a harmless point to work on.
        for (int i = 0; i < lanes; ++i) {
            x[lanes + i] = 10;
            x[2 * lanes + i] = 1;
            state[5 * lanes + i] = p;
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
        go_on_or_finish(l, lane.e.exit(lane.x, lane.u));
    }

    // The same with the packet's angular step, which holds unless the step
    // went over the axis.
    void stepped_in_packet(int l, double angular_step)
    {
        Lane &lane = lane_at[l];
        if (lane.x[2] < 0 || lane.x[2] > std::numbers::pi)
            return stepped(l);
        go_on_or_finish(l, lane.e.exit(lane.x, lane.u, angular_step));
    }

    void go_on_or_finish(int l, bool more)
    {
        Lane &lane = lane_at[l];
        more = more && ++lane.steps < lane.budget;
        if (cancel)
            more = more && !cancel->load(std::memory_order_relaxed);
        if (!more)
            finish(l);
    }

    // One step of every busy lane: in the packet, or alone near the axis,
    // whose distance comes from the packet's own sine.
    void round()
    {
        unsigned busy = 0;
        for (int l = 0; l < lanes; ++l) {
            Lane const &lane = lane_at[l];
            if (lane.ray < 0)
                continue;
            for (int k = 0; k < 4; ++k) {
                x[k * lanes + l] = lane.x[k];
                state[k * lanes + l] = lane.u[k];
            }
            state[4 * lanes + l] = lane.e.evhor();
            state[6 * lanes + l] = lane.e.outer_horizon();
            busy |= 1u << l;
        }
        const unsigned held = entry(frame, x, state, out);
        for (int l = 0; l < lanes; ++l) {
            if (!((busy >> l) & 1))
                continue;
            Lane &lane = lane_at[l];
            if ((held >> l) & 1) {
                for (int k = 0; k < 4; ++k) {
                    lane.u[k] = out[k * lanes + l];
                    lane.x[k] = out[(4 + k) * lanes + l];
                }
                stepped_in_packet(l, out[10 * lanes + l]);
                continue;
            }
            const double distance = out[9 * lanes + l];
            if (distance < axis_zone) {
                full_rungekuta(
                    m, lane.x, lane.u,
                    axis_step(lane.x, lane.u, lane.e.evhor(), lane.e.outer_horizon(), p, distance));
                stepped(l);
                continue;
            }
            trace_on(m, lane.x, lane.u, lane.e, p, nullptr, lane.steps, cancel);
            finish(l);
        }
    }

    Metric const &m;
    PacketStep::Entry entry;
    const double *frame;
    int lanes;
    double p;
    std::atomic<bool> const *cancel;
    RayBatch &batch;
    RayQueue queue{batch};
    Lane lane_at[most_lanes];
    alignas(64) double x[4 * most_lanes] = {};
    alignas(64) double state[7 * most_lanes] = {};
    alignas(64) double out[11 * most_lanes] = {};
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
