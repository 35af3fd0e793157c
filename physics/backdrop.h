// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// What a ray shows where it leaves the scene or pierces the disk: the sky
// (a checkerboard or a panorama) and the disk texture. Every look-up clamps
// its index into the image or table, whatever rounding or wrap-around does to
// the coordinates, so a worker can never read outside them.

inline constexpr unsigned sky_dark = 0xff000000u;
inline constexpr unsigned sky_light = 0xff88ff88u;

// 18 squares per unit of θ and φ; a NaN coordinate gives a dark square.
unsigned checker_colour(double θ, double φ);

// The panorama pixel seen at the polar angle θ and azimuth φ (any value, the
// angles wrap). The azimuth runs right to left, the polar angle top to bottom.
// The caller keeps the image non-null and θ, φ finite.
unsigned panorama_colour(QImage const &img, double θ, double φ);

// The sky seen at (θ, φ): the panorama when there is one, else the checkerboard.
unsigned sky_colour(QImage const &panorama, double θ, double φ);

// Index of the cell holding the normalised value ρ in a table of n evenly
// spaced entries over [0, 1); values outside, and NaN, land on the nearest end.
int table_slot(double ρ, int n);

// The disk texture at normalised radius ρ and texture angle ψ: the inner edge
// maps to the image centre and the outer edge to its inscribed circle. False
// when there is nothing to draw: a null texture or a non-finite coordinate.
bool disk_texel(QImage const &texture, double ρ, double ψ, unsigned &colour);
