#pragma once

#include "expr/compiled.h"
#include "physics/f_vec.h"

#include <QImage>

#include <atomic>
#include <memory>

class FusedChristoffel;

// The simulation's shared state. The window writes it on the GUI thread; the
// render workers only read it while a frame is being rendered, except `stop`,
// which the GUI thread may set at any moment and every ray polls.

extern bool sour;   // draw the coordinate overlay
extern bool simul;  // colour-shift model: true = hue rotation, false = spectral
extern bool beam;   // relativistic beaming
extern bool kepler; // thin Kepler disk present
extern bool shift;  // frequency shift of colours
extern bool el_ab;  // re-aim the camera against the aberration of the centre ray
extern bool mink;   // flat preset active: no horizons, no orbits
extern std::atomic<bool> stop;

extern int transp; // disk weight N of the ratio 1:N; 65535 = opaque
extern int frame;  // frame store index being rendered or last rendered

extern double P[6]; // M, a, Q, Λ, inner and outer disk radius
extern f_vec poc_sour_poz;
extern double precise;

extern cmp_expr t[33];                            // g_μν, adjugate of g, determinant of g
extern std::unique_ptr<FusedChristoffel> t_fused; // t as one program; null = byte code only

extern double h1, h2; // horizon radii found by the search
extern double o_spd[512];
extern double φ_spd[64];

extern QImage b_gnd; // background panorama; null = checkerboard
extern QImage acr;   // Kepler disk texture

// Start-up values of the switches and the observer's starting point.
void inicialize();
