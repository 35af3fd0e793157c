// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/orbits.h"

#include "physics/effective_potential.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/ray_scene.h"
#include "tests/support/load_metric.h"
#include "tests/support/thread_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

Metric use(int preset, double a, double Q)
{
    const double params[4] = {1, a, Q, 0};
    return ::preset(preset).with_parameters(params);
}

Horizons horizons_of(Metric const &m, int preset = schwarzschild, double observer_r = 0)
{
    return find_horizons(m, preset == flat, observer_r);
}

// Bardeen, Press & Teukolsky (1972), M = 1: innermost stable orbit and the
// orbit speed seen by the locally non-rotating observer; n = +1 prograde,
// −1 retrograde.
double kerr_isco(double a, int n)
{
    double const z1 = 1 + std::cbrt(1 - a * a) * (std::cbrt(1 + a) + std::cbrt(1 - a));
    double const z2 = std::sqrt(3 * a * a + z1 * z1);
    return 3 + z2 - n * std::sqrt((3 - z1) * (3 + z1 + 2 * z2));
}

double kerr_orbit_speed(double a, double r, int n)
{
    double const Δ = r * r - 2 * r + a * a;
    return n * (r * r - n * 2 * a * std::sqrt(r) + a * a) /
           (std::sqrt(Δ) * (std::pow(r, 1.5) + n * a));
}

Metric schwarzschild_de_sitter(double Λ)
{
    return diagonal_metric("-(1-2*M/r-Λ*r^2/3)", "1/(1-2*M/r-Λ*r^2/3)", Λ);
}

// Horizons are r = 1 ± √(1 − a² − Q²), none for a naked singularity, found
// quickly either way.
TEST(Horizons, MatchTheClosedFormOrAreAbsent)
{
    for (auto [preset, a, Q] : {std::tuple{schwarzschild, 0.0, 0.0},
                                {reissner_nordstrom, 0.0, std::sqrt(0.75)},
                                {kerr_newman, 0.5, 0.6},
                                {kerr_newman, 0.8, 0.7}}) {
        SCOPED_TRACE(testing::Message() << preset << " a=" << a << " Q=" << Q);
        const Metric m = use(preset, a, Q);
        double const start = thread_seconds();
        const Horizons h = horizons_of(m, preset);
        EXPECT_LT(thread_seconds() - start, 0.1) << "seconds of processor time";
        double const root = 1 - a * a - Q * Q;
        EXPECT_NEAR(h.event(), root < 0 ? 0.0 : 1 + std::sqrt(root), 2e-5);
        EXPECT_NEAR(h.cauchy(), root < 0 || preset == schwarzschild ? 0.0 : 1 - std::sqrt(root),
                    2e-5);
        EXPECT_TRUE(preset != schwarzschild || h.event() > 2.0) << "g_rr reaches 1e6 just outside";
    }
    const Horizons flat_space = horizons_of(use(flat, 0, 0), flat);
    EXPECT_EQ(flat_space.event(), 2.0) << "the flat preset needs no search";
    EXPECT_EQ(flat_space.cauchy(), 0.0);
}

// Schwarzschild–de Sitter, M = 1: the horizons are the positive roots of
// r³ − 3r/Λ + 6/Λ, from the trigonometric solution of the depressed cubic
// (k = 0 the cosmological, k = 1 the event horizon). Between them a radial
// photon sent outwards escapes at the cosmological horizon, and one sent
// inwards falls in at the event horizon. An observer beyond the cosmological
// horizon has that one as its horizon and none outside it.
TEST(Horizons, CosmologicalConstantBoundsRaysBetweenBothHorizons)
{
    for (double Λ : {1e-3, 1e-4}) {
        SCOPED_TRACE(testing::Message() << "Λ=" << Λ);
        const Metric m = schwarzschild_de_sitter(Λ);
        const double precise = 0.02;
        const Horizons h = horizons_of(m);
        double const p = -3 / Λ, q = 6 / Λ;
        auto root = [&](int k) {
            return 2 * std::sqrt(-p / 3) *
                   std::cos(std::acos(1.5 * q / p * std::sqrt(-3 / p)) / 3 - 2 * π * k / 3);
        };
        double const cosmological = root(0), event = root(1);
        EXPECT_NEAR(h.event(), event, 1e-5 * event);
        EXPECT_NEAR(h.h_cosmo, cosmological, 1e-5 * cosmological);
        const Horizons seen_from_outside = horizons_of(m, schwarzschild, 1.5 * cosmological);
        EXPECT_NEAR(seen_from_outside.event(), cosmological, 1e-5 * cosmological);
        EXPECT_EQ(seen_from_outside.h_cosmo, 0.0);
        EXPECT_EQ(horizons_of(m, schwarzschild, 0.5 * cosmological).h_cosmo, h.h_cosmo);

        double const r = std::sqrt(event * cosmological), f = 1 - 2 / r - Λ * r * r / 3;
        for (auto [u_r, reason, where] :
             {std::tuple{1.0, 1, cosmological}, std::tuple{-1.0, 2, event}}) {
            end e = path_end(h, precise, 15);
            f_vec x = at(r, π / 2), u{{1 / f, u_r, 0, 0}};
            geodetika(m, x, u, e, precise, nullptr, {});
            EXPECT_EQ(e.reason(), reason) << u_r;
            EXPECT_NEAR(x[1], where, 0.05 * where) << u_r;
        }
    }
}

// Over the whole range the distance field takes: far out the speed is a few
// parts in 10⁵ of c and must still have its six digits right.
TEST(OrbitSpeed, MatchesTheNonRotatingFrameClosedFormNearAndFar)
{
    for (double a : {0.0, 0.8}) {
        const Metric m = use(a ? kerr : schwarzschild, a, 0);
        for (double r : {a ? 2.2 : 3.5, 6.0, 10.0, 1e3, 1e5, 1e7, 1e9}) {
            for (int n : {1, -1}) {
                if (r < 6 && n < 0)
                    continue; // inside the retrograde photon orbit
                double const want = kerr_orbit_speed(a, r, n);
                EXPECT_NEAR(OrbSpeed(m, at(r, π / 2), n), want, 1e-9 * std::fabs(want) + 1e-12)
                    << "a=" << a << " r=" << r << " n=" << n;
            }
        }
    }
    EXPECT_NEAR(OrbSpeed(use(schwarzschild, 0, 0), at(2.5, π / 2), 1), 1.0, 1e-7)
        << "inside the photon orbit only light";
}

// The limit where circular orbits stop being stable, answered at once and
// rounded to 10⁻⁶: the closed forms of Kerr, Reissner–Nordström's largest
// root of r³ − 6r² + 9Q²r − 4Q⁴ (without a horizon for Q = 1.05; for Q = 2
// every orbit outside the repulsive core r = Q²/M is stable), none in flat
// space typed by hand, Schwarzschild's 6 exactly. Schwarzschild–de Sitter has
// stable orbits only in a band, marginally stable where
// Λ/3 = (r − 6)/(r³(4r − 15)); the right side peaks at 12/15⁴ near r = 7.5,
// so for Λ = 10⁻⁴ the band runs from 6.0691260 to 18.5255666, and for
// Λ = 10⁻³ there is none. Only that band has an outer edge.
TEST(StableOrbits, MatchTheClosedFormsWithAndWithoutHorizonOrOnlyInABand)
{
    struct Case {
        Metric m;
        double prograde, retrograde, outer;
    };
    for (auto const &[m, prograde, retrograde, outer] :
         {Case{use(schwarzschild, 0, 0), 6, 6, NAN},
          {use(kerr, 0.8, 0), kerr_isco(0.8, 1), kerr_isco(0.8, -1), NAN},
          {use(reissner_nordstrom, 0, 1.05), 3.6421961, 3.6421961, NAN},
          {use(reissner_nordstrom, 0, 2), 4, 4, NAN},
          {diagonal_metric("-1", "1"), NAN, NAN, NAN},
          {schwarzschild_de_sitter(1e-4), 6.0691260, 6.0691260, 18.5255666},
          {schwarzschild_de_sitter(1e-3), NAN, NAN, NAN}}) {
        SCOPED_TRACE(testing::Message() << prograde << " " << retrograde);
        const Horizons h = horizons_of(m);
        auto matches = [](double found, double want) {
            return std::isnan(want)
                       ? std::isnan(found)
                       : std::fabs(found - want) <= 6e-7 && found == std::round(found * 1e6) / 1e6;
        };
        for (auto [n, want] : {std::pair{1, prograde}, {-1, retrograde}}) {
            double const start = thread_seconds();
            double const found = lim_stab_orb(m, h, n);
            EXPECT_LT(thread_seconds() - start, 0.1) << "seconds of processor time";
            EXPECT_TRUE(matches(found, want)) << n << ": " << found;
            EXPECT_TRUE(matches(outer_stable_limit(m, h, n), outer)) << n;
        }
        EXPECT_TRUE(prograde != 6 || lim_stab_orb(m, h, 1) == 6.0);
    }
}

// Circular photon orbits on the equator: r = 3 for Schwarzschild, and
// r = 2(1 + cos(⅔ arccos(∓a))) prograde and retrograde for Kerr (1.8111 and
// 3.8188 for a = 0.8); none in flat space typed by hand.
TEST(PhotonOrbits, MatchTheClosedForms)
{
    for (double a : {0.0, 0.8}) {
        const Metric m = use(a ? kerr : schwarzschild, a, 0);
        const Horizons h = horizons_of(m);
        for (int n : {1, -1}) {
            std::vector<double> const found = photon_orbits(m, h, n);
            ASSERT_EQ(found.size(), 1u) << a << " " << n;
            EXPECT_NEAR(found[0], 2 * (1 + std::cos(2.0 / 3 * std::acos(-n * a))), 1e-7)
                << a << " " << n;
        }
    }
    // The cosmological horizon, where the frame degenerates, is none.
    for (double Λ : {2e-4, 2.3e-4, 0.01}) {
        const Metric m = schwarzschild_de_sitter(Λ);
        std::vector<double> const found = photon_orbits(m, horizons_of(m, schwarzschild, 10), 1);
        ASSERT_EQ(found.size(), 1u) << Λ;
        EXPECT_NEAR(found[0], 3, 1e-9) << Λ;
    }
    const Metric typed_flat = diagonal_metric("-1", "1");
    const Horizons none = horizons_of(typed_flat);
    EXPECT_EQ(none.event(), 0.0);
    EXPECT_TRUE(photon_orbits(typed_flat, none, 1).empty());
}

// Speeds on Schwarzschild's circular orbits 1/√(r − 2) and angular rates
// dφ/dt·u^t = √(1/r³)/√(1 − 3/r), Kerr's from the closed form; tables of
// another disk, metric or parameter, or none, are stale.
TEST(DiskTables, HoldOrbitSpeedsAndAngularRatesAndKnowWhenTheyAreStale)
{
    const DiskTables d = disk_tables(use(schwarzschild, 0, 0), 6, 14);
    EXPECT_NEAR(d.o_spd[511], std::sqrt(1 / ((6 + 511 * 8.0 / 512) - 2)), 1e-7);
    double const r = 6 + 63 * 8.0 / 64;
    EXPECT_NEAR(d.φ_spd[63], std::sqrt(1 / (r * r * r)) / std::sqrt(1 - 3 / r), 1e-6);

    const Metric m = use(kerr, 0.8, 0);
    const DiskTables k = disk_tables(m, 3, 13);
    EXPECT_TRUE(disk_tables_current(k, m, 3, 13));
    EXPECT_NEAR(k.o_spd[511], kerr_orbit_speed(0.8, 3 + 511 * 10.0 / 512, 1), 1e-7);
    EXPECT_FALSE(disk_tables_current(DiskTables{}, m, 3, 13)) << "never computed";
    EXPECT_FALSE(disk_tables_current(k, m, 3, 14)) << "another disk";
    EXPECT_FALSE(disk_tables_current(k, use(kerr, 0.5, 0), 3, 13)) << "a parameter changed";
    EXPECT_FALSE(disk_tables_current(k, use(kerr_newman, 0.8, 0), 3, 13)) << "another metric";

    RayScene s;
    s.metric = m;
    s.P[4] = s.P[5] = 5;
    ensure_disk_tables(s);
    EXPECT_FALSE(s.disk.valid) << "a disk without width is not computed";
}

} // namespace

namespace
{

// Bardeen, Press & Teukolsky (1972), M = 1: energy and angular momentum per
// unit mass of the circular orbit at r, n = +1 prograde, −1 retrograde.
OrbitConstants kerr_circular(double a, double r, int n)
{
    const double root =
        std::pow(r, 0.75) * std::sqrt(std::pow(r, 1.5) - 3 * std::sqrt(r) + n * 2 * a);
    return {(std::pow(r, 1.5) - 2 * std::sqrt(r) + n * a) / root,
            n * (r * r - n * 2 * a * std::sqrt(r) + a * a) / root};
}

} // namespace

// Schwarzschild's E² = (1 − 2/r)(κ + L²/r²); on Kerr's circular orbits the
// potential at their own L is their energy and lowest there (stable at r =
// 12), and light's potential peaks at the photon orbits.
TEST(EffectivePotential, MatchesTheClosedFormsOfSchwarzschildAndKerr)
{
    const Metric s = use(schwarzschild, 0, 0);
    for (auto [r, L, κ] : {std::tuple{3.0, 4.0, 1.0},
                           {6.0, 3.4, 1.0},
                           {20.0, 0.0, 1.0},
                           {3.0, 1.0, 0.0},
                           {2.5, 1.0, 0.0}})
        EXPECT_NEAR(effective_potential(s, r, L, κ), std::sqrt((1 - 2 / r) * (κ + L * L / r / r)),
                    1e-12)
            << r << " " << L << " " << κ;
    EXPECT_TRUE(std::isnan(effective_potential(s, 1.5, 3, 1))) << "inside the horizon";
    const OrbitConstants at_rest =
        orbit_constants(s, at(10, π / 2), {{1 / std::sqrt(0.8), 0, 0, 0}});
    EXPECT_NEAR(at_rest.E, std::sqrt(0.8), 1e-12);
    EXPECT_EQ(at_rest.L, 0);

    const double a = 0.8;
    const Metric k = use(kerr, a, 0);
    for (int n : {1, -1}) {
        const OrbitConstants c = kerr_circular(a, 12, n);
        EXPECT_NEAR(effective_potential(k, 12, c.L, 1), c.E, 1e-9) << n;
        for (double r : {11.0, 13.0})
            EXPECT_GT(effective_potential(k, r, c.L, 1), c.E) << n << " " << r;
        const double photon = 2 * (1 + std::cos(2.0 / 3 * std::acos(-n * a)));
        const double peak = effective_potential(k, photon, n, 0);
        for (double r : {photon - 0.05, photon + 0.05})
            EXPECT_LT(effective_potential(k, r, n, 0), peak) << n << " " << r;
    }
    EXPECT_TRUE(stationary_and_axisymmetric(k));
    EXPECT_FALSE(
        stationary_and_axisymmetric(diagonal_metric("-(1-2*M/r)*(2+sin(t))", "1/(1-2*M/r)")));
    EXPECT_FALSE(stationary_and_axisymmetric(
        diagonal_metric("-(1-2*M/r)", "1/(1-2*M/r)", 0, "r^2", "r^2*sin(θ)^2*(2+cos(φ))")));
}
