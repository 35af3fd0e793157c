// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/tensor_3.h"
#include "physics/f_vec.h"

class Metric;
struct CompiledExpr;

// The symbols of the metric at x: through its fused program, with exact
// derivatives, when there is one and it has a finite answer, else by the
// byte code with its difference quotients.
tensor_3 Christoffel(Metric const &m, f_vec &x);

// The symbols by the byte code alone.
tensor_3 christoffel_bytecode(Metric const &m, f_vec &x);
tensor_3 christoffel_bytecode(const CompiledExpr (&t)[33], const double *params, f_vec &x);

// The same sums with the byte code's exact derivatives (slope) in place of
// its difference quotients: what the fused program computes, by other code.
tensor_3 christoffel_exact(const CompiledExpr (&t)[33], const double *params, const f_vec &x);

// rungekuta(dudλ, u, Christoffel(x), h), the terms of structurally zero
// symbols skipped where the fused program allows it.
f_vec geodesic_step(Metric const &m, f_vec &x, f_vec u, double h);

// Geodesic acceleration du^a/dλ = −Γ^a_bc u^b u^c.
f_vec dudλ(f_vec u, tensor_3 &G);
