// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"
#include "physics/geodesic.h"

#include <atomic>

class Metric;
class PacketStep;

// The rays of one batch as a packet trace takes and hands them back.
class RayBatch
{
  public:
    virtual ~RayBatch() = default;
    virtual int count() const = 0;
    // Ray i's start: position, direction and its end conditions.
    virtual void start(int i, f_vec &x, f_vec &u, end &e) = 0;
    // Ray i has ended at x with direction u after starting in direction
    // `launch`; e as geodetika leaves it.
    virtual void finish(int i, f_vec const &x, f_vec const &u, f_vec const &launch, end &e) = 0;
};

// Hands the rays of a batch to the lanes of a packet in order, a lane taking
// the next one as soon as its own has ended, and counts the lanes at work.
class RayQueue
{
  public:
    explicit RayQueue(RayBatch &batch) : batch_(batch), rays_(batch.count()) {}
    // The next ray for a lane that held `ray` (-1: none), its start in x, u
    // and e; -1, the lane idle, once the batch is used up.
    int take(int ray, f_vec &x, f_vec &u, end &e);
    bool busy() const { return busy_ > 0; }

  private:
    RayBatch &batch_;
    int rays_;
    int next_ = 0;
    int busy_ = 0;
};

// Traces every ray of the batch with geodetika's steps and end tests (step
// scale p, the cancel flag), step.lanes() rays at a time: a lane takes the
// next ray as soon as its own has ended. The sines are the packet's own, so
// a ray may differ from geodetika's in the last bits; it never depends on
// the lane, the batch or the other rays. Steps near the polar axis are taken
// lane by lane; a lane whose packet step fails a guard finishes its ray on
// the scalar path, as geodetika would from there.
void trace_packets(Metric const &m, PacketStep const &step, double p,
                   std::atomic<bool> const *cancel, RayBatch &batch);
