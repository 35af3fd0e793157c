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

using State = PacketStep::State;
using Out = PacketStep::Out;

struct Lane {
    int ray = -1; // -1: idle, the batch is used up
    f_vec x{}, u{}, launch{};
    end e{0, 0};
    long long steps = 0;
    long long budget = 0;
};

// A lane's ray stays in the packet's rows from step to step; it comes out
// only where the packet step says it must leave, to end, to note a disk
// crossing, to be written back over the axis or to take a step alone, and
// goes back in unless it has ended.
class PacketTrace
{
  public:
    PacketTrace(Metric const &m, PacketStep const &step, double p, std::atomic<bool> const *cancel,
                RayBatch &batch)
        : m(m), entry(step.entry()), frame(m.fused_frame()), lanes(step.lanes()), p(p),
          cancel(cancel), batch(batch)
    {
        for (int l = 0; l < lanes; ++l) {
            at(State::p, l) = p;
            park(l);
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
    double &at(int row, int l) { return state[row * lanes + l]; }
    double &coordinate(int k, int l) { return x[k * lanes + l]; }
    double written(int row, int l) const { return out[row * lanes + l]; }

    void take(int l)
    {
        Lane &lane = lane_at[l];
        lane.ray = queue.take(lane.ray, lane.x, lane.u, lane.e);
        if (lane.ray < 0)
            return park(l);
        lane.launch = lane.u;
        lane.steps = 0;
        lane.budget = step_budget(lane.e.angular_limit(), p);
        enter(l);
    }

    // Idle lanes still compute: give them a harmless point at rest that never
    // ends.
    void park(int l)
    {
        for (int k = 0; k < 4; ++k)
            coordinate(k, l) = at(State::u + k, l) = 0;
        coordinate(1, l) = 10;
        coordinate(2, l) = 1;
        at(State::r_hor, l) = at(State::r_outer, l) = at(State::path, l) = at(State::steps, l) = 0;
        at(State::r_escape, l) = at(State::path_limit, l) = at(State::budget, l) = HUGE_VAL;
        busy &= ~(1u << l);
    }

    void enter(int l)
    {
        Lane const &lane = lane_at[l];
        for (int k = 0; k < 4; ++k) {
            coordinate(k, l) = lane.x[k];
            at(State::u + k, l) = lane.u[k];
        }
        at(State::r_hor, l) = lane.e.evhor();
        at(State::r_outer, l) = lane.e.outer_horizon();
        at(State::r_escape, l) = lane.e.escape();
        at(State::path, l) = lane.e.angular_path();
        at(State::path_limit, l) = lane.e.angular_limit();
        at(State::steps, l) = static_cast<double>(lane.steps);
        at(State::budget, l) = static_cast<double>(lane.budget);
        busy |= 1u << l;
    }

    // The lane's ray out of the packet, its end brought up to the step just
    // taken (which exit has yet to see) or to the ray's point.
    void leave(int l, bool took_step)
    {
        Lane &lane = lane_at[l];
        for (int k = 0; k < 4; ++k) {
            lane.x[k] = coordinate(k, l);
            lane.u[k] = at(State::u + k, l);
        }
        lane.steps = static_cast<long long>(at(State::steps, l));
        if (!took_step) {
            if (lane.steps > 0)
                lane.e.resume(lane.x, at(State::path, l));
            return;
        }
        --lane.steps;
        if (lane.steps > 0) {
            f_vec from;
            for (int k = 0; k < 4; ++k)
                from[k] = written(Out::start + k, l);
            lane.e.resume(from, written(Out::path_before, l));
        }
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
        if (more)
            enter(l);
        else
            finish(l);
    }

    // One step of every busy lane in the packet; the lanes that must leave
    // finish the step's bookkeeping here, or take their step alone: near the
    // axis, whose distance comes from the packet's own sine, or all the way on
    // the scalar path where a guard failed. A raised cancel flag brings every
    // lane out to end.
    void round()
    {
        const unsigned result = entry(frame, x, state, out);
        unsigned leaving = (result >> 8) & busy;
        if (cancel && cancel->load(std::memory_order_relaxed))
            leaving = busy;
        for (int l = 0; l < lanes; ++l)
            if ((leaving >> l) & 1)
                visit(l, (result >> l) & 1);
    }

    void visit(int l, bool took_step)
    {
        leave(l, took_step);
        if (took_step)
            return stepped_in_packet(l, written(Out::angular_step, l));
        Lane &lane = lane_at[l];
        const double distance = written(Out::distance, l);
        if (distance < axis_zone) {
            full_rungekuta(
                m, lane.x, lane.u,
                axis_step(lane.x, lane.u, lane.e.evhor(), lane.e.outer_horizon(), p, distance));
            return stepped(l);
        }
        trace_on(m, lane.x, lane.u, lane.e, p, nullptr, lane.steps, cancel);
        finish(l);
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
    unsigned busy = 0; // bit l: lane l holds a ray
    alignas(64) double x[4 * most_lanes] = {};
    alignas(64) double state[State::rows * most_lanes] = {};
    alignas(64) double out[Out::rows * most_lanes] = {};
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
