// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/metric.h"
#include "physics/orbits.h"
#include "physics/simd_path.h"

#include <QImage>

// Everything the colour of one ray reads: the metric with its parameters and
// horizons, the disk with its tables and texture, the sky and the effect
// switches. The pixels of a frame all read one RayScene, and nothing may
// change it until the last of them is done.
struct RayScene {
    Metric metric;
    double P[6] = {}; // M, a, Q, Λ (those of metric), inner and outer disk radius
    Horizons horizons;

    bool simul = false;  // colour-shift model: true = hue rotation, false = spectral
    bool beam = false;   // relativistic beaming
    bool kepler = false; // thin Kepler disk present
    bool shift = false;  // frequency shift of colours
    bool el_ab = false;  // re-aim the camera against the aberration of the centre ray
    // Rays traced by the error-controlled integration instead of the
    // frozen-connection step.
    bool accurate = false;
    // The vector width the ordinary integration traces its rays in.
    SimdPath simd = default_simd_path();

    int transp = 0;     // disk weight N of the ratio 1:N; 65535 = opaque
    double precise = 0; // accuracy: scales every step, widens the capture radius
    DiskTables disk;

    QImage b_gnd; // background panorama; null = checkerboard
    QImage acr;   // Kepler disk texture
};

// Recomputes the disk tables for the disk radii P[4], P[5] when they are stale
// and the disk has a positive width; otherwise leaves them as they are.
void ensure_disk_tables(RayScene &s);
