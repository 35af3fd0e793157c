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
    // The rows of Entry's state, each of lanes() doubles: u⁰…u³, then the
    // lane's end conditions and counts as geodetika keeps them.
    struct State {
        enum : int {
            u = 0,
            r_hor = 4,
            p,          // the step scale
            r_outer,    // the outer horizon's radius, 0: none
            r_escape,   // the escape radius
            path,       // the angular path so far
            path_limit, // the angular path at which the ray ends
            steps,      // steps taken; none yet: the path counts from the next one
            budget,     // the most steps the ray may take
            rows
        };
    };
    // The rows of Entry's out: the step's start x⁰…x³, then these.
    struct Out {
        enum : int { start = 0, path_before = 4, h, distance, angular_step, rows };
    };

    // (frame, x, state, out): x holds the four coordinates of every lane
    // (x[k·lanes + i] for lane i), state the rows of State the same way. The
    // step, of step_length_at's length from the code's own |sin θ|, advances
    // x, u, the path (by the angular step √(dθ² + dφ²)) and the steps in place
    // where it is taken: outside the axis zone, with the guards held. It
    // writes the rows of Out for every lane; a lane whose step was not taken
    // keeps x and state as they were. Returns the lanes that took the step
    // (bit i for lane i) and, shifted by 8, the lanes that leave the packet:
    // those that took no step, and those whose ray ended (end::exit's tests
    // or the budget), crossed the equatorial plane after its first step, or
    // went over the polar axis.
    using Entry = unsigned (*)(const double *frame, double *x, double *state, double *out);

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
