// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/compiled.h"
#include "expr/tensor_3.h"
#include "physics/f_vec.h"

#include <QString>

class end;
class geo;
class MyImage;

// The entry points that work on the window's scene (app/state.h): each hands
// the_scene's metric, horizons or switches to the form that takes them.

double CntPfx(const unsigned char (&code)[512], const f_vec &x);
double der(const unsigned char (&code)[512], const char &k, f_vec x);
tensor_3 Christoffel(f_vec &x);
// Compiles postfix g[μ][ν] into the window's metric with the parameters in P.
void kontr_g(QString (*g)[4]);

double dot_p(double const (&a)[4], double const (&b)[4], f_vec x);
void norm(double (&a)[4], f_vec x);
void ortonormalize(double (&E)[4][4], f_vec x);
void tetrada(double (&E)[4][4], f_vec x);
void lnrf(double (&E)[4][4], f_vec x);
f_vec t_tet(f_vec v, f_vec x);
f_vec f_tet(f_vec v, f_vec x);
f_vec f_tet(f_vec u, f_vec v, f_vec x);

f_vec aberace(double α, double β, f_vec u, f_vec x);
double rshft(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o);
double beamg(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o);

// Traces with the scene's integrator, stopped by the window's stop flag.
void geodetika(f_vec &x, f_vec &u, end &e, double p, geo *g);

// The horizon search for the observer's starting radius, into h1 and h2.
void VnH();
double VneH();
double VniH();
double OrbSpeed(f_vec x, int n);
void O_Speed(double r_in, double r_out);
double lim_stab_orb(int n);

// The colour of one pixel's ray in the window's scene, cancelled by its stop.
unsigned GetColor(double α, double β, f_vec x_obs, f_vec u_obs);

unsigned int sh_col(unsigned int c, double x);
unsigned int av_col(unsigned int c1, unsigned int c2);

// The caption when `sour` is on.
template <class T> T addTxtImg(T picture, MyImage &frame);
