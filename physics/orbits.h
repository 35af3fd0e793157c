#pragma once

#include "physics/f_vec.h"

#include <vector>

struct Scene;

// Characteristic radii of a scene's metric and circular equatorial orbits.
// Speeds are measured along φ in the non-rotating frame, in units of c;
// positive is the +φ (right-handed) direction. All of it runs on the GUI
// thread when the metric, its parameters or the disk radii change. The forms
// without a scene work on the shared one.

// Finds the horizons where g_rr diverges: h1 outer, h2 inner. A metric with no
// event horizon between M and 1000 (the over-charged Reissner–Nordström or the
// over-spun Kerr metric, for instance) gets h1 = h2 = 0: no horizon. Where
// g_rr is negative far out (a cosmological constant), every pole of g_rr is
// found: h1 is the largest inside the observer's start radius (without one,
// the largest below the outermost) and h_cosmo the first outside it.
void VnH(Scene &s);
void VnH();
double VneH(Scene const &s);
double VneH();
double VniH(Scene const &s);
double VniH();

// Where rays and paths count as fallen in: the event horizon widened by
// 0.03·precise.
double capture_radius(Scene const &s);

// Where rays and paths count as escaped: r = 1000, or the cosmological horizon
// narrowed by 0.03·precise, since r is timelike beyond it.
double escape_radius(Scene const &s);

// Speed of the circular orbit through x in direction n (+1 or −1): the speed
// at which a body moving along φ feels no radial acceleration. 0 where even a
// body at rest is pushed outwards; just below 1 where light alone would do.
double OrbSpeed(Scene const &s, f_vec x, int n);
double OrbSpeed(f_vec x, int n);

// Fills the disk tables for the disk between r_in and r_out.
void O_Speed(Scene &s, double r_in, double r_out);
void O_Speed(double r_in, double r_out);

// Radius of the innermost stable circular orbit in direction n: the largest
// radius found unstable by 20 halvings of [r_h, 20·r_h] above the event
// horizon r_h, or of [0, 40·M] when there is none. An orbit is stable where
// circular orbits further out need more angular momentum; a radius without a
// circular orbit counts as unstable. When no radius of that range was stable
// (with a cosmological constant stable orbits may lie only in a band), the
// inner edge of the first stable band out to the cosmological horizon or
// r = 1000. NaN when there is none: no such orbit to show.
double lim_stab_orb(Scene const &s, int n);
double lim_stab_orb(int n);

// Radii of the circular photon orbits on the equator in direction n, from
// the event horizon (or near the centre) to the cosmological horizon or
// r = 1000, innermost first: where light sent along φ in the non-rotating
// frame is pulled neither in nor out.
std::vector<double> photon_orbits(Scene const &s, int n);

// The disk tables belong to the metric and the radii they were computed for.
// They are current while the compiled metric, M, a, Q, Λ and the disk radii
// P[4], P[5] are exactly those of the last O_Speed.
bool disk_tables_current(Scene const &s);
bool disk_tables_current();

// Recomputes the disk tables for P[4], P[5] when they are stale and the disk
// has a positive width; otherwise leaves them as they are.
void ensure_disk_tables(Scene &s);
void ensure_disk_tables();
