#pragma once

#include "scene/run_control.h"
#include "scene/scene.h"

// The window's one shared scene. The window writes it on the GUI thread; the
// render workers only read it while a frame is being rendered. The names
// below are views of its fields, for the window's slots and the entry points
// that work on the shared scene.
extern Scene the_scene;

inline bool &sour = the_scene.sour;
inline bool &simul = the_scene.simul;
inline bool &beam = the_scene.beam;
inline bool &kepler = the_scene.kepler;
inline bool &shift = the_scene.shift;
inline bool &el_ab = the_scene.el_ab;
inline bool &mink = the_scene.mink;
inline bool &accurate = the_scene.accurate;

inline int &transp = the_scene.transp;

inline double (&P)[6] = the_scene.P;
inline f_vec &poc_sour_poz = the_scene.poc_sour_poz;
inline double &precise = the_scene.precise;

inline cmp_expr (&t)[33] = the_scene.t;
inline std::shared_ptr<FusedChristoffel> &t_fused = the_scene.t_fused;

inline double &h1 = the_scene.h1;
inline double &h2 = the_scene.h2;
inline double (&o_spd)[512] = the_scene.disk.o_spd;
inline double (&φ_spd)[64] = the_scene.disk.φ_spd;

inline QImage &b_gnd = the_scene.b_gnd;
inline QImage &acr = the_scene.acr;

// Start-up values of the switches and the observer's starting point.
void inicialize();
