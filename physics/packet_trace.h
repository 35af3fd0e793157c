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

// Traces every ray of the batch with geodetika's steps and end tests (step
// scale p, the cancel flag), step.lanes() rays at a time: a lane takes the
// next ray as soon as its own has ended. The sines are the packet's own, so
// a ray may differ from geodetika's in the last bits; it never depends on
// the lane, the batch or the other rays. Steps near the polar axis are taken
// lane by lane; a lane whose packet step fails a guard finishes its ray on
// the scalar path, as geodetika would from there.
void trace_packets(Metric const &m, PacketStep const &step, double p,
                   std::atomic<bool> const *cancel, RayBatch &batch);
