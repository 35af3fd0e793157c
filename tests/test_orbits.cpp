#include "physics/orbits.h"

#include "app/state.h"
#include "physics/frames.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace
{

constexpr double π = 3.141592653589793;
enum { flat, schwarzschild, reissner_nordstrom, kerr, kerr_newman };

f_vec equator(double r)
{
    return {{0, r, π / 2, 0}};
}

void use(int preset, double a, double Q)
{
    loadPreset(preset);
    mink = preset == flat;
    P[1] = a;
    P[2] = Q;
}

// Bardeen, Press & Teukolsky (1972): Kerr horizons and innermost stable orbit.
double kerr_horizon(double M, double a, double Q, int sign)
{
    return M + sign * std::sqrt(M * M - a * a - Q * Q);
}

double kerr_isco(double M, double a, int n)
{
    double const χ = a / M;
    double const z1 = 1 + std::cbrt(1 - χ * χ) * (std::cbrt(1 + χ) + std::cbrt(1 - χ));
    double const z2 = std::sqrt(3 * χ * χ + z1 * z1);
    return M * (3 + z2 - n * std::sqrt((3 - z1) * (3 + z1 + 2 * z2)));
}

// Speed of the equatorial circular orbit seen by the locally non-rotating
// observer, same reference; n = +1 prograde, −1 retrograde.
double kerr_orbit_speed(double M, double a, double r, int n)
{
    double const Δ = r * r - 2 * M * r + a * a;
    double const sm = std::sqrt(M);
    return n * sm * (r * r - n * 2 * a * std::sqrt(M * r) + a * a) /
           (std::sqrt(Δ) * (std::pow(r, 1.5) + n * a * sm));
}

TEST(Horizons, SchwarzschildHasOnlyAnEventHorizon)
{
    use(schwarzschild, 0, 0);
    VnH();
    EXPECT_NEAR(VneH(), 2.0, 1e-5);
    EXPECT_GT(VneH(), 2.0) << "g_rr reaches 1e6 just outside";
    EXPECT_EQ(VniH(), 0.0);
}

TEST(Horizons, ChargedAndRotatingHolesHaveTwo)
{
    struct {
        int preset;
        double a, Q;
    } const cases[] = {{reissner_nordstrom, 0, std::sqrt(0.75)},
                       {reissner_nordstrom, 0, 0.1},
                       {kerr, 0.8, 0},
                       {kerr, 0.3, 0},
                       {kerr_newman, 0.8, 0.1},
                       {kerr_newman, 0.5, 0.6}};
    for (auto const &c : cases) {
        use(c.preset, c.a, c.Q);
        VnH();
        EXPECT_NEAR(VneH(), kerr_horizon(1, c.a, c.Q, +1), 2e-5) << c.preset << " a=" << c.a;
        EXPECT_NEAR(VniH(), kerr_horizon(1, c.a, c.Q, -1), 2e-5) << c.preset << " a=" << c.a;
    }
    use(reissner_nordstrom, 0, std::sqrt(0.75));
    VnH();
    EXPECT_NEAR(VneH(), 1.5, 2e-5);
    EXPECT_NEAR(VniH(), 0.5, 2e-5);
}

TEST(Horizons, FlatPresetNeedsNoSearch)
{
    use(flat, 0, 0);
    VnH();
    EXPECT_EQ(VneH(), 2.0);
    EXPECT_EQ(VniH(), 0.0);
}

TEST(Horizons, NakedSingularitiesHaveNone)
{
    for (auto [preset, a, Q] : {std::tuple{reissner_nordstrom, 0.0, 1.2},
                                std::tuple{kerr, 1.3, 0.0}, std::tuple{kerr_newman, 0.8, 0.7}}) {
        use(preset, a, Q);
        h1 = h2 = 7.0;
        auto const start = std::chrono::steady_clock::now();
        VnH();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
        EXPECT_EQ(VneH(), 0.0);
        EXPECT_EQ(VniH(), 0.0);
    }
}

// Innermost stable orbit of Reissner–Nordström: largest root of
// M r³ − 6M² r² + 9M Q² r − 4Q⁴ (6M for Q = 0, 4M for Q = M).
double reissner_nordstrom_isco(double M, double Q)
{
    auto f = [&](double r) {
        return ((M * r - 6 * M * M) * r + 9 * M * Q * Q) * r - 4 * Q * Q * Q * Q;
    };
    double lo = 3 * M, hi = 6 * M;
    for (int i = 0; i < 100; ++i)
        (f((lo + hi) / 2) < 0 ? lo : hi) = (lo + hi) / 2;
    return lo;
}

// The search answers the largest radius it found unstable: at most
// 19.5·r_h/2^20 below the limit from the halving, and further below because
// 25 rounds do not reveal the slow drift of an orbit just inside the limit:
// 0.2 % to 0.6 % for the presets, so the tests allow 1 %.
void expect_isco(double found, double want)
{
    EXPECT_LE(found, want + 2e-5 * want);
    EXPECT_NEAR(found, want, 0.01 * want);
}

TEST(OrbitSpeed, SchwarzschildStaticObserverSeesSqrtMOverRMinus2M)
{
    use(schwarzschild, 0, 0);
    EXPECT_NEAR(OrbSpeed(equator(6), 1), 0.5, 5e-8);
    EXPECT_NEAR(OrbSpeed(equator(6), -1), -0.5, 5e-8);
    for (double r : {3.5, 10.0, 40.0})
        EXPECT_NEAR(OrbSpeed(equator(r), 1), std::sqrt(1 / (r - 2)), 1e-7) << r;
}

TEST(OrbitSpeed, KerrMatchesTheNonRotatingFrameClosedForm)
{
    use(kerr, 0.8, 0);
    for (double r : {2.2, 3.0, 5.0, 12.0})
        EXPECT_NEAR(OrbSpeed(equator(r), 1), kerr_orbit_speed(1, 0.8, r, 1), 1e-7) << r;
    for (double r : {5.0, 12.0})
        EXPECT_NEAR(OrbSpeed(equator(r), -1), kerr_orbit_speed(1, 0.8, r, -1), 1e-7) << r;
}

TEST(StableOrbits, SchwarzschildIsSixMasses)
{
    use(schwarzschild, 0, 0);
    VnH();
    double const r = lim_stab_orb(1);
    expect_isco(r, 6.0);
    EXPECT_DOUBLE_EQ(lim_stab_orb(-1), r);
}

TEST(StableOrbits, KerrBothDirectionsMatchBardeenPressTeukolsky)
{
    use(kerr, 0.8, 0);
    VnH();
    expect_isco(lim_stab_orb(1), kerr_isco(1, 0.8, 1));
    expect_isco(lim_stab_orb(-1), kerr_isco(1, 0.8, -1));
}

TEST(StableOrbits, ChargedHoleWithAndWithoutHorizon)
{
    for (double Q : {0.5, 1.05}) {
        use(reissner_nordstrom, 0, Q);
        VnH();
        expect_isco(lim_stab_orb(1), reissner_nordstrom_isco(1, Q));
    }
}

// Typed in by hand while the flat preset is not selected: no horizon and no
// circular orbit anywhere, so every radius tested is unstable.
TEST(StableOrbits, FlatMetricWithoutTheFlatPresetEndsAtTheTopOfTheSearch)
{
    QString const texts[16] = {"-1", "0", "0",   "0", "0", "1", "0", "0",
                               "0",  "0", "r^2", "0", "0", "0", "0", "r^2*sin(θ)^2"};
    loadMetric(texts, 0, 0);
    mink = false;
    VnH();
    EXPECT_EQ(VneH(), 0.0);
    auto const start = std::chrono::steady_clock::now();
    double const r = lim_stab_orb(1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_NEAR(r, 40.0, 1e-3);
}

TEST(DiskTables, HoldOrbitSpeedsAndAngularRates)
{
    use(schwarzschild, 0, 0);
    P[4] = 6;
    P[5] = 14;
    O_Speed(P[4], P[5]);
    for (int i : {0, 100, 511})
        EXPECT_NEAR(o_spd[i], std::sqrt(1 / ((6 + i * 8.0 / 512) - 2)), 1e-7) << i;
    for (int j : {0, 1, 33, 63}) {
        double const r = 6 + j * 8.0 / 64;
        double const rate = std::sqrt(1 / (r * r * r)) / std::sqrt(1 - 3 / r);
        EXPECT_NEAR(φ_spd[j], rate, 1e-6) << j;
    }
}

TEST(DiskTables, KnowWhenTheyAreStale)
{
    use(kerr, 0.8, 0);
    P[4] = 3;
    P[5] = 12;
    O_Speed(P[4], P[5]);
    EXPECT_TRUE(disk_tables_current());

    P[5] = 13;
    EXPECT_FALSE(disk_tables_current());
    ensure_disk_tables();
    EXPECT_TRUE(disk_tables_current());
    EXPECT_NEAR(o_spd[511], kerr_orbit_speed(1, 0.8, 3 + 511 * 10.0 / 512, 1), 1e-7);

    P[1] = 0.5;
    EXPECT_FALSE(disk_tables_current()) << "a parameter of the metric changed";
    P[1] = 0.8;
    EXPECT_TRUE(disk_tables_current());

    use(kerr_newman, 0.8, 0);
    EXPECT_FALSE(disk_tables_current()) << "the metric itself changed";

    double const kept = o_spd[0];
    P[5] = P[4];
    ensure_disk_tables();
    EXPECT_FALSE(disk_tables_current()) << "a disk without width is not computed";
    EXPECT_EQ(o_spd[0], kept);
}

} // namespace
