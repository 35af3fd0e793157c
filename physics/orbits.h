// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/compiled.h"
#include "physics/f_vec.h"
#include "physics/geodesic.h"

#include <vector>

class Metric;

// Characteristic radii of a metric and circular equatorial orbits. Speeds are
// measured along φ in the non-rotating frame, in units of c; positive is the
// +φ (right-handed) direction. Results are values: the caller keeps them.

// The horizons of a metric: h1 outer, h2 inner, h_cosmo the cosmological one
// outside the observer (0 = none). No horizon: h1 = h2 = 0.
struct Horizons {
    double h1 = 0, h2 = 0, h_cosmo = 0;

    double event() const { return h1 > h2 ? h1 : h2; }
    double cauchy() const { return h1 < h2 ? h1 : h2; }
};

// Finds the Killing horizons of a stationary, axisymmetric metric in any
// chart: the radii in [M/1000, 1000] where g_tφ² − g_tt·g_φφ changes sign or
// touches zero on the equator (g_tt = 0 for a static metric). A metric with
// none (the over-charged Reissner–Nordström or the over-spun Kerr metric, a
// wormhole) has no horizon. Where r is timelike far out (a cosmological
// constant), h1 is the largest inside the observer's radius `observer_r`
// (without one, the largest below the outermost) and h_cosmo the first
// outside it; elsewhere h1 is the outermost. h2 is the one below h1, or 0.
// Where the poles of g_rr put the same horizons (Schwarzschild-like charts),
// their radii are taken, and a degenerate horizon has h2 = h1. A flat metric
// reports the fixed h1 = 2 that the capture test of flat space has always
// used.
Horizons find_horizons(Metric const &m, bool flat, double observer_r);

// Where rays and paths count as fallen in: the event horizon widened by
// 0.03·precise.
double capture_radius(Horizons const &h, double precise);

// Where rays and paths count as escaped: r = 1000, or the cosmological horizon
// narrowed by 0.03·precise, since r is timelike beyond it.
double escape_radius(Horizons const &h, double precise);

// The end conditions of a ray or path at step scale `precise`: fallen in at
// the capture radius, escaped at the escape radius, the steps shrinking
// towards the cosmological horizon, at most `rounds` turns.
end path_end(Horizons const &h, double precise, double rounds);

// Speed of the circular orbit through x in direction n (+1 or −1): the speed
// at which a body moving along φ feels no radial acceleration. 0 where even a
// body at rest is pushed outwards; just below 1 where light alone would do.
double OrbSpeed(Metric const &m, f_vec x, int n);

// The disk's orbital speed and angular-rate tables, with the metric,
// parameters and radii they were computed for: tables computed for another
// metric or disk are stale.
struct DiskTables {
    double o_spd[512] = {}; // speed at 512 radii from the inner edge, units of c
    double φ_spd[64] = {};  // dφ/dλ at 64 radii from the inner edge
    bool valid = false;     // computed at least once
    double r_in = 0, r_out = 0;
    double params[4] = {};
    CompiledExpr metric[33] = {};
};

// The disk tables for the disk between r_in and r_out.
DiskTables disk_tables(Metric const &m, double r_in, double r_out);

// Whether the tables belong to exactly this metric, its parameters and radii.
bool disk_tables_current(DiskTables const &d, Metric const &m, double r_in, double r_out);

// Radius of the innermost stable circular orbit in direction n, to 10⁻⁶: the
// edge that 20 halvings of [r_h, 20·r_h] above the event horizon r_h (or of
// [0, 40·M] when there is none) bracket, bisected on. An orbit is stable where
// circular orbits further out need more angular momentum; a radius without a
// circular orbit counts as unstable. When no radius of that range was stable
// (with a cosmological constant stable orbits may lie only in a band), the
// inner edge of the first stable band out to the cosmological horizon or
// r = 1000. NaN when there is none: no such orbit to show.
double lim_stab_orb(Metric const &m, Horizons const &h, int n);

// The outer edge of the band of stable circular orbits in direction n that
// starts at lim_stab_orb: past it a cosmological constant's push wins. NaN
// where the band reaches the cosmological horizon or r = 1000, or there is
// none.
double outer_stable_limit(Metric const &m, Horizons const &h, int n);

// Radii of the circular photon orbits on the equator in direction n, from
// the event horizon (or near the centre) to the cosmological horizon or
// r = 1000, innermost first: where light sent along φ in the non-rotating
// frame is pulled neither in nor out.
std::vector<double> photon_orbits(Metric const &m, Horizons const &h, int n);
