#pragma once

#include "physics/f_vec.h"

struct Scene;

// Christoffel symbols of the second kind at one point: G[a][b][c] = Γ^a_bc,
// indices in the order t, r, θ, φ, the last one fastest in memory.
struct tensor_3 {
    double v[4][4][4];

    constexpr double (&operator[](int a))[4][4] { return v[a]; }
    constexpr const double (&operator[](int a) const)[4][4] { return v[a]; }
};

// The symbols of the scene's compiled metric at x: through its fused program
// when there is one and it has a finite answer, else by the byte code. The
// forms without a scene here use the shared one.
tensor_3 Christoffel(Scene const &s, f_vec &x);
tensor_3 Christoffel(f_vec &x);

// The symbols by the byte code of t alone.
tensor_3 christoffel_bytecode(Scene const &s, f_vec &x);
tensor_3 christoffel_bytecode(f_vec &x);

// rungekuta(dudλ, u, Christoffel(x), h), the terms of structurally zero
// symbols skipped where the fused program allows it.
f_vec geodesic_step(Scene const &s, f_vec &x, f_vec u, double h);
f_vec geodesic_step(f_vec &x, f_vec u, double h);

// Builds the fused program of t for the parameters in P (after t changes).
void compile_fused(Scene &s);
void compile_fused();

// Hands the fused program the parameters in P (before a frame).
void refresh_fused(Scene &s);
void refresh_fused();

// Geodesic acceleration du^a/dλ = −Γ^a_bc u^b u^c.
f_vec dudλ(f_vec u, tensor_3 &G);
