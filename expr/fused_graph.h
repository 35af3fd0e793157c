// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/compiled.h"

#include <cstdint>
#include <vector>

enum class FusedOp : std::uint8_t {
    constant,
    parameter,  // P[index]
    coordinate, // x[index]
    add,
    sub,
    mul,
    div,
    neg,
    sin,
    cos,
    pow, // power(a, b) where the exponent is not folded into products
    sqrt,
    exp,
    log,
    sinh,
    cosh,
    tanh,
};

inline constexpr int fused_op_count = static_cast<int>(FusedOp::tanh) + 1;

// The operations of one operand (neg, and the functions), as against two.
constexpr bool is_unary(FusedOp op)
{
    return op == FusedOp::neg || op == FusedOp::sin || op == FusedOp::cos || op >= FusedOp::sqrt;
}

// The operations a back end computes by a call rather than an instruction.
constexpr bool is_call(FusedOp op)
{
    return op == FusedOp::sin || op == FusedOp::cos || op == FusedOp::pow || op >= FusedOp::exp;
}

// One operation as the byte code computes it.
double apply(FusedOp op, double a, double b);

struct FusedNode {
    FusedOp op = FusedOp::constant;
    int a = -1, b = -1; // operand nodes, always created before this one
    int index = 0;      // parameter or coordinate
    double value = 0;   // constant
};

// Everything one Christoffel evaluation computes, as one graph of distinct
// operations: the determinant, the adjugate entries that are not constant
// zero, every metric component at x with its exact partial derivatives
// along the coordinates it mentions (carried forward through each
// operation), the inverse metric and the symbols. Identical operations are
// one node, whichever record or derivative they came from; operations on
// constants are folded, and a derivative that folds to zero is left out, so
// that a symbol zero by the metric's form is no node at all.
struct FusedGraph {
    std::vector<FusedNode> nodes;
    int gamma[64];            // node of Γ[a][b][c] (index 16a+4b+c); -1 where zero by structure
    int metric[16];           // node of g_ij at x (index 4i+j); -1 where zero by structure
    std::vector<int> guarded; // every ∂_k g_ij and g^ij: see FusedChristoffel
};

// Built from the 33 records of the compiled metric: Christoffel's sums, with
// exact derivatives where the byte code takes difference quotients.
FusedGraph lower_christoffel(const CompiledExpr (&records)[33]);
