// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/ray_colour.h"

#include "physics/backdrop.h"
#include "physics/geodesic.h"
#include "physics/optics.h"
#include "render/colour.h"
#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace
{

constexpr unsigned black = 0xff000000u;

// Where a flat-space static observer's straight line through pixel (α, β)
// leaves r = 1000, how close it passes the centre and the polar axis, and
// where it pierces the disk from 6 to 12 (ρ from 0 to 1; NaN if it does not).
struct StraightRay {
    double θ, φ, miss, axis_miss;
    bool inwards;
    double ρ, ψ;
};

StraightRay straight_line(f_vec x, double α, double β)
{
    double const st = std::sin(x[2]), ct = std::cos(x[2]), sp = std::sin(x[3]), cp = std::cos(x[3]);
    f_vec const e_r{{0, st * cp, st * sp, ct}}, e_θ{{0, ct * cp, ct * sp, -st}},
        e_φ{{0, -sp, cp, 0}};
    double const s = 2 / (α * α + β * β + 1);
    f_vec const d = e_r * (1 - s) + e_θ * (β * s) + e_φ * (α * s), o = e_r * x[1];
    double const b = o * d, λ = -b + std::sqrt(b * b - x[1] * x[1] + 1e6);
    f_vec const far = o + d * λ;
    double const nearest =
        std::clamp(-(o[1] * d[1] + o[2] * d[2]) / (d[1] * d[1] + d[2] * d[2]), 0.0, λ);
    double const to_plane = -o[3] / d[3], px = o[1] + to_plane * d[1], py = o[2] + to_plane * d[2];
    double const ρ = (std::hypot(px, py) - 6) / 6;
    return {std::acos(far[3] / 1000),
            std::atan2(far[2], far[1]),
            std::sqrt(x[1] * x[1] - b * b),
            std::hypot(o[1] + nearest * d[1], o[2] + nearest * d[2]),
            b<0, to_plane> 0 && ρ >= 0 && ρ <= 1 ? ρ : NAN,
            std::atan2(py, px)};
}

double sphere_angle(double θ1, double φ1, double θ2, double φ2)
{
    double c = std::cos(θ1) * std::cos(θ2) + std::sin(θ1) * std::sin(θ2) * std::cos(φ1 - φ2);
    return std::acos(std::clamp(c, -1.0, 1.0));
}

// How often the ray of a pixel crosses the disk (none if it never ends).
int crossings(RayScene const &s, double α, double β, f_vec x, f_vec u)
{
    end e((0.03 * s.precise + 1.0) * s.horizons.event(), 15);
    e.set_kepler(s.P[4], s.P[5]);
    f_vec p = aberace(s.metric, α, β, u, x);
    geodetika(s.metric, x, p, e, s.precise, nullptr, {});
    return e.reason() == 0 ? 0 : e.kkp();
}

double angle_from_inwards(Metric const &m, f_vec x, f_vec u, AimOffset a)
{
    f_vec w = t_tet(m, aberace(m, a.δα, a.δβ, u, x), x);
    return std::atan2(std::hypot(w[2], w[3]), -w[1]);
}

// The colour of one pixel, its frame prepared for this observer alone.
unsigned colour(RayScene const &s, double α, double β, f_vec x, f_vec u)
{
    return GetColor(s, prepare_frame(s, x, u, nullptr), α, β, x, u);
}

} // namespace

// Flat space has no orbits, so the disk stands still and its texture is read
// where the straight line pierces the equatorial plane: the inner edge (6) at
// the texture's centre, the outer edge (12) on its inscribed circle. An opaque
// disk shows the texel itself; a ray that misses it, the sky.
TEST(RayColourFlat, SkyAndDiskAlongStraightLinesBlackOnlyInTheCaptureShiftedWhenMoving)
{
    RayScene s = preset_scene(flat, 1, 0);
    s.transp = 65535;
    s.acr = located_image(64, 64);
    ensure_disk_tables(s);
    f_vec x{{0, 10, 1.2, 0.3}}, u{{1, 0, 0, 0}};
    const QImage panorama = located_image(720, 360), white = solid_image(4, 4, 0xffffffffu);
    std::vector<std::pair<double, double>> pixels{{0, 0}, {0.06, 0.02}, {-0.04, -0.05}};
    for (double α = -2.7; α < 3; α += 0.3)
        for (double β = -2.7; β < 3; β += 0.3)
            pixels.push_back({α, β});
    int captured = 0, on_board = 0, on_disk = 0;
    for (auto [α, β] : pixels) {
        SCOPED_TRACE(testing::Message() << "α=" << α << " β=" << β);
        StraightRay line = straight_line(x, α, β);
        bool falls_in = line.inwards && line.miss < 1.8;
        if (!falls_in && ((line.inwards && line.miss < 2.3) || line.axis_miss < 1))
            continue; // grazing the capture radius or the axis
        s.kepler = false;
        s.b_gnd = QImage();
        unsigned board = colour(s, α, β, x, u);
        s.b_gnd = panorama;
        unsigned sky = colour(s, α, β, x, u);
        s.kepler = true;
        if (line.ρ > 0.05 && line.ρ < 0.95 && !falls_in) {
            s.b_gnd = white; // blended with weight 65535 to 1, the texel exactly
            const unsigned c = colour(s, α, β, x, u);
            EXPECT_NEAR(located(c).x(), 32 * (line.ρ * std::sin(line.ψ) + 1), 2.0);
            EXPECT_NEAR(located(c).y(), 32 * (line.ρ * std::cos(line.ψ) + 1), 2.0);
            ++on_disk;
        } else if (std::isnan(line.ρ)) {
            EXPECT_EQ(colour(s, α, β, x, u), sky);
        }
        if (falls_in) {
            EXPECT_EQ(board, black);
            EXPECT_EQ(sky, black);
            ++captured;
            continue;
        }
        ASSERT_NE(sky, black);
        // Rays are integrated to first order in the position: about 0.02 rad off.
        double θ = (located(sky).y() + 0.5) * π / 360;
        double φ = -(located(sky).x() + 0.5) * π / 360;
        EXPECT_LT(sphere_angle(θ, φ, line.θ, line.φ), 0.03);
        if (std::abs(std::sin(18 * line.θ) * std::cos(18 * line.φ)) > 0.5) {
            EXPECT_EQ(board, checker_colour(line.θ, line.φ));
            ++on_board;
        }
    }
    EXPECT_EQ(captured, 4);
    EXPECT_GT(on_board, 60);
    EXPECT_GT(on_disk, 12);

    // Looking straight ahead at speed 0.6: 1 + z = γ(1 − v) = 0.5; a static
    // observer receives the far sky unshifted.
    s.b_gnd = solid_image(8, 8, 0xff806040);
    const f_vec moving = moving_along_φ(s.metric, x, 0.6);
    s.shift = true;
    EXPECT_EQ(colour(s, 1, 0, x, moving), sh_col(0xff806040, -0.5, false));
    EXPECT_EQ(colour(s, 1, 0, x, u), 0xff806040u);
    s.shift = false;
    s.beam = true;
    EXPECT_EQ(colour(s, 1, 0, x, moving), bm_col(0xff806040, 8));
}

// The corrected centre looks straight inwards whichever way the observer
// moves. Each crossing is laid over what lies behind it with the disk's
// transparency, over the sky and over the hole alike, the farthest first.
TEST(RayColourKerr, AimedInwardsTheNearestCrossingOfTheDiskOnTop)
{
    RayScene s = preset_scene(kerr, 1, 0.8);
    const Metric &m = s.metric;
    const f_vec x{{0, 50, 1.3962634015954636, 0}}, u = on_circular_orbit(m, x);
    AimOffset none = aim_correction(s, x, moving_along_φ(m, x, 0));
    EXPECT_NEAR(std::hypot(none.δα, none.δβ), 0, 1e-12);
    for (f_vec v : {u, f_tet(m, f_vec{{1, 0, 0.25, -0.35}}, x)}) {
        SCOPED_TRACE(testing::Message() << "u^θ=" << v[2] << " u^φ=" << v[3]);
        double before = angle_from_inwards(m, x, v, {});
        EXPECT_GT(before, 0.1);
        EXPECT_LT(angle_from_inwards(m, x, v, aim_correction(s, x, v)), 0.1 * before);
    }

    ensure_disk_tables(s);
    s.b_gnd = located_image(720, 360);
    const unsigned disk = 0xff2040c0;
    s.acr = solid_image(16, 16, disk);
    s.kepler = true;
    const AimOffset centre = aim_correction(s, x, u);
    int over_sky = 0, over_black = 0;
    for (double β = -0.06; β <= 0.06; β += 0.004) {
        double α = centre.δα + 0.05, b = centre.δβ + β;
        int const n = crossings(s, α, b, x, u);
        if (n == 0)
            continue;
        SCOPED_TRACE(testing::Message() << "β=" << b << " crossings=" << n);
        unsigned with_disk = colour(s, α, b, x, u);
        s.kepler = false;
        unsigned behind = colour(s, α, b, x, u), expected = behind;
        s.kepler = true;
        for (int i = 0; i < n; ++i)
            expected = av_col(expected, disk, s.transp);
        EXPECT_EQ(with_disk, expected);
        ++(behind == black ? over_black : over_sky);
    }
    EXPECT_GT(over_sky, 0);
    EXPECT_GT(over_black, 0);

    // Top half of the texture for the far side of the disk, bottom for the near.
    const unsigned far_side = 0xffff0000;
    for (int i = 0; i < 16 * 8; ++i)
        s.acr.setPixel(i % 16, i / 16, far_side);
    double α = centre.δα - 0.05,
           β = centre.δβ + 0.02; // under the hole and round it
    ASSERT_EQ(crossings(s, α, β, x, u), 2);
    unsigned with_disk = colour(s, α, β, x, u);
    s.kepler = false;
    EXPECT_EQ(with_disk, av_col(av_col(colour(s, α, β, x, u), far_side, s.transp), disk, s.transp));
}
