// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/fused_program.h"
#include "physics/f_vec.h"

#include <memory>

// One way of running a program's point code. Runs are pure and may be made
// from many threads at once.
class FusedBackend
{
  public:
    virtual ~FusedBackend() = default;

    // The point code at x on top of a filled frame block; writes the
    // program's outputs, in their order, to out.
    virtual void run(const double *frame, const f_vec &x, double *out) const = 0;

    // A whole geodesic step, where the back end has one: (frame, x, (u, h),
    // new u) → 1, or 0 where the guards call for the byte-code path.
    using StepEntry = int (*)(const double *, const double *, const double *, double *);
    virtual StepEntry step_entry() const { return nullptr; }
};

// Portable: the register machine of run_fused.
std::unique_ptr<FusedBackend> make_fused_interpreter(const FusedProgram &program);

// x86-64 code generated for this program; null where none can be made.
std::unique_ptr<FusedBackend> make_fused_native(const FusedProgram &program);
