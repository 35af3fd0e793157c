// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Four doubles: a position (t, r, θ, φ), a 4-velocity or photon direction in
// coordinates, or components in an orthonormal frame. A plain aggregate so
// that a value-initialised f_vec is all zeros and copies are free.
struct f_vec {
    double v[4];

    constexpr double &operator[](int i) { return v[i]; }
    constexpr const double &operator[](int i) const { return v[i]; }
};

inline f_vec operator+(f_vec const &a, f_vec const &b)
{
    return {{a[0] + b[0], a[1] + b[1], a[2] + b[2], a[3] + b[3]}};
}

inline f_vec operator-(f_vec const &a)
{
    return {{-a[0], -a[1], -a[2], -a[3]}};
}

inline f_vec operator*(f_vec const &a, double const &s)
{
    return {{a[0] * s, a[1] * s, a[2] * s, a[3] * s}};
}

// A true division per component: x / s and x * (1 / s) round differently.
inline f_vec operator/(f_vec const &a, double const &s)
{
    return {{a[0] / s, a[1] / s, a[2] / s, a[3] / s}};
}

// Euclidean product of the spatial parts only; the spacetime product needs
// the metric and lives with the frames.
inline double operator*(f_vec const &a, f_vec const &b)
{
    return a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}
