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

// Traces every ray of the batch exactly as geodetika does with the step
// scale p and the cancel flag, step.lanes() rays at a time: a lane takes the
// next ray as soon as its own has ended. Steps near the polar axis are taken
// lane by lane; a lane whose packet step fails a guard finishes its ray on
// the scalar path. Rays end in an order that depends on the batch alone.
void trace_packets(Metric const &m, PacketStep const &step, double p,
                   std::atomic<bool> const *cancel, RayBatch &batch);
