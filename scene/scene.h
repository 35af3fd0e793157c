// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"
#include "physics/ray_scene.h"
#include "physics/spacetime_check.h"

#include <QString>

// Everything that defines a picture: what its rays read (the metric with its
// parameters and horizons, the switches, the disk, the images), the metric's
// texts, and the observer's run. A plain value: copying it copies the whole
// view. A fresh Scene is all zero with an uncompiled metric whose every
// record evaluates to NaN.
struct Scene : RayScene {
    QString metric_texts[16]; // infix g_μν, text 4μ+ν

    bool sour = false; // draw the coordinate overlay
    int smooth = 1;    // rays per refined edge pixel: 1 (off), 4 or 16
    bool mink = false; // flat metric: no horizons, no orbits
    // Why the metric compiled last is no spacetime at the observer's start;
    // no message when it is one.
    SpacetimeFault fault;

    f_vec poc_sour_poz{}; // observer's starting point for the speed proposal

    // The observer's run: start radius, polar angle in degrees, tangential
    // speed (units of c) and azimuth in degrees, rounds of its path, the zoom
    // step 1..6, frame size and number of frames.
    double start_r = 0, start_θ = 0, start_v = 0, start_φ = 0;
    double rounds = 0;
    int zoom = 0;
    int width = 0, height = 0;
    int frames = 0;
};

// Compiles the sixteen metric texts with the parameters in P into the metric.
void compile_metric(Scene &s);

// What a typed-in metric settles, the same for the window and for scene
// files: the metric compiled and checked at the observer's start (radius
// observer_r, polar angle observer_θ in radians), the horizons as that
// observer sees them, and the disk's inner edge P[4] at the right-handed
// stable-orbit limit; where there is none the edge is `no_orbit_edge` (a NaN
// would reach the disk's texture coordinates), and 1 in flat space, which
// has no orbits. A metric that is no spacetime there has its fault, no
// horizons and the edge `no_orbit_edge`; one that is, but where the observer
// cannot stand, has its fault too, and everything else as usual. Returns the
// limit, NaN where there is none.
double settle_metric(Scene &s, double observer_r, double observer_θ, double no_orbit_edge);
