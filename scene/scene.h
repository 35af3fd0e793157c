#pragma once

#include "expr/compiled.h"
#include "physics/f_vec.h"

#include <QImage>
#include <QString>

#include <memory>

class FusedChristoffel;

// The disk's orbital speed and angular-rate tables, with the metric,
// parameters and radii they were computed for: tables computed for another
// metric or disk are stale.
struct DiskTables {
    double o_spd[512] = {}; // speed at 512 radii from the inner edge, units of c
    double φ_spd[64] = {};  // dφ/dλ at 64 radii from the inner edge
    bool valid = false;     // computed at least once
    double r_in = 0, r_out = 0;
    double params[4] = {};
    cmp_expr metric[33] = {};
};

// Everything that defines a picture: the metric as texts and compiled, its
// parameters and horizons, the render switches, the disk, the images and the
// observer's run. A plain value: copying it copies the whole view. A fresh
// Scene is all zero with an uncompiled metric whose every record evaluates to
// NaN.
struct Scene {
    Scene();

    QString metric_texts[16]; // infix g_μν, text 4μ+ν
    cmp_expr t[33];           // g_μν, adjugate of g, determinant of g
    // t as one program, shared by copies of the scene; null = byte code only.
    std::shared_ptr<FusedChristoffel> t_fused;
    double P[6] = {};      // M, a, Q, Λ, inner and outer disk radius
    double h1 = 0, h2 = 0; // horizon radii found by the search
    double h_cosmo = 0;    // cosmological horizon outside the observer; 0 = none

    bool sour = false;   // draw the coordinate overlay
    bool simul = false;  // colour-shift model: true = hue rotation, false = spectral
    bool beam = false;   // relativistic beaming
    bool kepler = false; // thin Kepler disk present
    bool shift = false;  // frequency shift of colours
    bool el_ab = false;  // re-aim the camera against the aberration of the centre ray
    bool mink = false;   // flat metric: no horizons, no orbits
    // Rays and paths integrated whole to fourth order instead of by the
    // frozen-connection step.
    bool accurate = false;

    int transp = 0;       // disk weight N of the ratio 1:N; 65535 = opaque
    double precise = 0;   // accuracy: scales every step, widens the capture radius
    f_vec poc_sour_poz{}; // observer's starting point for the speed proposal
    DiskTables disk;

    QImage b_gnd; // background panorama; null = checkerboard
    QImage acr;   // Kepler disk texture

    // The observer's run: start radius, polar angle in degrees, tangential
    // speed (units of c) and azimuth in degrees, rounds of its path, the zoom step 1..6, frame size
    // and number of frames.
    double start_r = 0, start_θ = 0, start_v = 0, start_φ = 0;
    double rounds = 0;
    int zoom = 0;
    int width = 0, height = 0;
    int frames = 0;
};

// Translates and compiles the sixteen metric texts into t and its fused program.
void compile_metric(Scene &s);
