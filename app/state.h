// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "render/frame_buffer.h"
#include "render/render_control.h"
#include "scene/scene.h"

// The window's one scene, its render control and its frame store. The window
// writes them on the GUI thread; the render workers only read the scene while
// a frame is being rendered. The names below are views of their fields, for
// the window's slots and the entry points that work on the window's scene;
// nothing beneath the window reads them.
extern Scene the_scene;
extern RenderControl the_control;

// The frame store: one entry per frame of the longest animation offered.
extern MyImage image[2400];
// The frame store entry being rendered or last rendered.
extern int frame;

inline std::atomic<bool> &stop = the_control.stop;
inline Counter &num_thread = the_control.tasks;

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

// The compiled metric's records: replaced as a whole when the metric changes.
extern const CompiledExpr (&t)[33];

inline double &h1 = the_scene.horizons.h1;
inline double &h2 = the_scene.horizons.h2;
inline double (&o_spd)[512] = the_scene.disk.o_spd;
inline double (&φ_spd)[64] = the_scene.disk.φ_spd;

inline QImage &b_gnd = the_scene.b_gnd;
inline QImage &acr = the_scene.acr;

// Start-up values of the switches and the observer's starting point.
void inicialize();
