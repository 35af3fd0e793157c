// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Christoffel symbols of the second kind at one point: G[a][b][c] = Γ^a_bc,
// indices in the order t, r, θ, φ, the last one fastest in memory.
struct tensor_3 {
    double v[4][4][4];

    constexpr double (&operator[](int a))[4][4] { return v[a]; }
    constexpr const double (&operator[](int a) const)[4][4] { return v[a]; }
};
