// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Colour arithmetic on packed 0xAARRGGBB words: what a ray's colour becomes
// after a frequency shift, beaming and blending the disk over what lies behind.
// All functions are pure and are called from the render workers.

// H in degrees [0, 360), S and L in [0, 1].
void RGBtoHSL(int R, int G, int B, double &H, double &S, double &L);
void HSLtoRGB(double H, double S, double L, int &R, int &G, int &B);

// The polynomial through R at s = 1, G at s = 2, B at s = 3 that is 0 at
// s = -3..0 and 4..7: the three channels read as samples of a spectrum.
double l_pol(double s, int R, int G, int B);

// Colour seen after a frequency shift x (1 + x = emitted / observed). A
// non-finite x leaves the colour unchanged.
// The model is the scene's `simul`: true rotates the hue, false resamples the
// channels as a spectrum.
unsigned int sh_col(unsigned int c, double x, bool simul);

// Colour scaled by the beaming factor x (1 = unchanged, 0 = black, bright at
// most 1/tanh 1). A non-finite x leaves the colour unchanged.
unsigned int bm_col(unsigned int c, double x);

// c2 laid over c1 with weights alpha(c1) : alpha(c2)·transp; the result is
// opaque. When both weights are 0 the result is c1 made opaque.
unsigned int av_col(unsigned int c1, unsigned int c2, int transp);
