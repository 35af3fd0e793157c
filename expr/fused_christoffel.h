// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/christoffel.h"
#include "expr/compiled.h"
#include "expr/fused_backend.h"
#include "expr/fused_packet.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

enum class FusedBackendKind { native, interpreter };

// The Christoffel symbols of one compiled metric as one fused program: the
// byte code's sums with exact derivatives in place of its difference
// quotients, which makes them both faster (one point instead of five) and
// accurate to rounding. Where a guarded value (any ∂_k g_ij or g^ij) is not
// finite or beyond 1e300, evaluate declines and the caller takes the
// byte-code path, so NaN and infinity behave as there. Both back ends give
// the same bits. Nothing in it changes after build: the values of the
// parameters alone live in a frame block of the caller's (frame_block), so
// one program serves any number of parameter sets and threads at once.
class FusedChristoffel
{
  public:
    // Lowers the program and checks its interpreter against `reference`
    // (christoffel_exact of the same records and parameters) at sample
    // points, to rounding; then generates native code, which must give the
    // interpreter's bits there. Native code that disagrees gives way to the
    // interpreter, an interpreter that disagrees to nothing (null); `note`,
    // when given, says which. Null also when the metric has no finite value
    // to gain from (a NaN program) or is too large.
    static std::unique_ptr<FusedChristoffel>
    build(const CompiledExpr (&records)[33], const double *params,
          std::function<tensor_3(f_vec &)> const &reference, FusedBackendKind preferred,
          QString *note = nullptr);

    FusedBackendKind backend() const { return kind; }

    // The values of the parameters M, a, Q, Λ alone, computed once for all
    // evaluations with them.
    std::vector<double> frame_block(const double *params) const;

    // False, with G unspecified, where the byte-code path must decide.
    bool evaluate(const double *frame, const f_vec &x, tensor_3 &G) const;

    // rungekuta(dudλ, u, G, h) without the terms of structurally zero
    // symbols, to the bit; the full sums where a stage's products could
    // overflow.
    f_vec rungekuta(f_vec u, const tensor_3 &G, double h) const;

    // rungekuta(dudλ, u, Γ(x), h) into out, in one piece where the back end
    // can; false where the byte-code path must decide.
    bool advance(const double *frame, const f_vec &x, const f_vec &u, double h, f_vec &out) const;

    // advance's fast path for packets of lanes: made on the first call (a few
    // milliseconds), then shared by every caller. Null where this processor
    // lacks the width, the scalar program is not native code or the packet
    // code disagrees with it.
    const PacketStep *packet_step(PacketWidth width) const;

    // packet_step's code where its acceleration entry agrees with the scalar
    // symbols too: the accurate integration's packets. Null otherwise.
    const PacketStep *packet_acceleration(PacketWidth width) const;

  private:
    // The outputs at x, with 0 after them; false where a guard fails.
    bool run_guarded(const double *frame, const f_vec &x, double *values) const;
    void scatter(const double *values, tensor_3 &G) const;
    // g[i][a]: the i-th term's symbol of row a; false where a stage leaves
    // the bound that keeps the skipped products finite.
    bool sparse_step(const double (&g)[16][4], const f_vec &y, double h, f_vec &out) const;

    FusedChristoffel(FusedProgram p, std::unique_ptr<FusedBackend> b, FusedBackendKind k);

    FusedProgram program;
    std::unique_ptr<FusedBackend> runner;
    FusedBackend::StepEntry stepper;
    FusedBackendKind kind;
    int source[64];             // index into a run's outputs; the slot after them holds 0
    unsigned char terms[4][16]; // b·4+c of the symbols Γ^a_bc that are not zero by structure
    int term_count[4] = {};
    unsigned char padded[16][4]; // terms by position, 0 past a row's end
    int padded_source[16][4];    // their outputs, the 0 after them past a row's end
    int longest_row = 0;
    std::vector<double> sample_frame; // for the packet code's check: the build's parameters
    mutable std::once_flag packet_made[2];
    mutable std::unique_ptr<PacketStep> packets[2]; // AVX2, AVX-512
    mutable bool accelerates[2] = {};
};
