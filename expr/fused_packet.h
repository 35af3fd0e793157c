// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/fused_program.h"
#include "expr/packet_math.h"

#include <memory>

// How many rays a packet holds: 4 in AVX2's ymm registers, 8 in AVX-512's zmm.
enum class PacketWidth { avx2 = 4, avx512 = 8 };

// The whole geodesic step of a fused program (FusedBackend::step_entry) for a
// packet of lanes at once, with the scalar program's operations in its
// order, each lane on its own, to the last bits. Runs are pure and may be
// made from many threads at once.
class PacketStep
{
  public:
    // (frame, x, state, out): x holds the four coordinates of every lane
    // (x[k·lanes + i] for lane i), state likewise its u⁰…u³, the horizon's
    // radius, the step scale p and the outer horizon's radius (0: none). The step, of
    // step_length_at's length from the code's own |sin θ|, writes the new u, the new x = x + u·h,
    // h, |sin θ| and the angular step √(dθ² + dφ²) from x to the new x to out the same way. Returns
    // the lanes (bit i for lane i) whose step was taken: outside the axis zone, with the guards
    // held. The other lanes' out holds only their |sin θ|; their step is the scalar path's.
    using Entry = unsigned (*)(const double *frame, const double *x, const double *state,
                               double *out);

    // (frame, x, u, out): the geodesic acceleration −Γ(x)(u, u) of every
    // lane, laid out as Entry's x, with the scalar dudλ's sums to the last
    // bits; after it in out g(u, u) at x, the sum of the magnitudes of its
    // terms, and |sin θ|, each lane's value whatever its guards. Returns the
    // lanes whose guards held (Γ's, and u within the bound that keeps the
    // skipped products finite).
    using Acceleration = unsigned (*)(const double *frame, const double *x, const double *u,
                                      double *out);

    virtual ~PacketStep() = default;
    virtual Entry entry() const = 0;
    virtual Acceleration acceleration() const = 0;
    int lanes() const { return lanes_; }
    // The functions the code calls, for callers that work on its lanes.
    const PacketMath &math() const { return math_; }

  protected:
    PacketStep(int lanes, const PacketMath &math) : lanes_(lanes), math_(math) {}

  private:
    int lanes_;
    PacketMath math_;
};

// True where this processor (and its operating system) runs packets of this width.
bool processor_runs(PacketWidth width);

// Null where no code can be made.
std::unique_ptr<PacketStep> make_packet_step(const FusedProgram &program, PacketWidth width,
                                             const PacketMath &math);
