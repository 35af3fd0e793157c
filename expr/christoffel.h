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

// The symbols of the scene's compiled metric at x; the one-argument form
// uses the shared scene.
tensor_3 Christoffel(Scene const &s, f_vec &x);
tensor_3 Christoffel(f_vec &x);

// Geodesic acceleration du^a/dλ = −Γ^a_bc u^b u^c.
f_vec dudλ(f_vec u, tensor_3 &G);
