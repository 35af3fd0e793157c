// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

class Metric;
class PacketStep;
class RayBatch;

// Traces every ray of the batch with the accurate integration (step scale
// p, the cancel flag), step.lanes() rays at a time: each lane keeps its own
// step size and attempt budget, accepts or refuses its own attempts and
// takes the next ray as soon as its own has ended. The stage points and the
// accelerations, with g(u, u) and |sin θ| for the jump test and the error
// measure, are computed for all lanes at once. A lane whose acceleration
// fails a packet guard has those values from the scalar path, as the scalar
// trace would. As with the ordinary packets, the packet's sines and sums may
// differ from the scalar ones in the last bits; a ray never depends on its
// lane, its batch or the other rays.
void trace_adaptive_packets(Metric const &m, PacketStep const &step, double p,
                            std::atomic<bool> const *cancel, RayBatch &batch);
