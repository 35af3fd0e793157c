// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_christoffel.h"

#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "physics/rungekuta.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace
{

template <class T> bool same_bits(const T &a, const T &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The five presets, then three random metrics, then three with the later
// functions, real powers and decimals.
Metric metric_number(int k)
{
    if (k >= 8)
        return random_metric(function_seeds[k - 8], true);
    return k < 5 ? preset(k) : random_metric(unsigned(k - 4));
}

// Where a ray ends, why, how far it went round and how many points it left.
std::array<double, 11> trace(Metric const &m, Horizons const &h, f_vec x, f_vec u)
{
    end e(h.event() * 1.02, 4);
    e.set_kepler(6, 12);
    geo g;
    geodetika(m, x, u, e, 0.02, &g, {});
    std::array<double, 11> state{double(e.reason()), e.angular_path(), double(g.getCount())};
    std::copy_n(x.v, 4, &state[3]);
    std::copy_n(u.v, 4, &state[7]);
    return state;
}

// Both back ends give the bits of the byte code, and for the rotating presets
// and a random metric whole rays are the same with and without the fast path.
TEST(Fused, BothBackEndsAndWholeRaysGiveTheBitsOfTheByteCode)
{
    for (int k = 0; k < 11; ++k) {
        const Metric metric = metric_number(k);
        const auto reference = [&metric](f_vec &x) { return christoffel_bytecode(metric, x); };
        for (FusedBackendKind kind : {FusedBackendKind::interpreter, FusedBackendKind::native}) {
            auto fused =
                FusedChristoffel::build(metric.records(), metric.params(), reference, kind);
            ASSERT_TRUE(fused) << k;
            EXPECT_EQ(fused->backend(), kind) << k;
            const std::vector<double> frame = fused->frame_block(metric.params());
            int answered = 0;
            for (double r : {1.001, 1.6, 2.0, 2.0000001, 2.3, 4.5, 11.0, 700.0})
                for (double θ : {1e-6, 0.02, 0.7, π / 2, 2.0, π - 1e-5, π, 4.0}) {
                    f_vec x{{0.3 * r, r, θ, -1.1 * θ}};
                    tensor_3 G;
                    if (!fused->evaluate(frame.data(), x, G))
                        continue;
                    ++answered;
                    EXPECT_TRUE(same_bits(G, christoffel_bytecode(metric, x)))
                        << k << " r=" << r << " θ=" << θ;
                    for (f_vec u : {f_vec{{1.2, -0.3, 0.01, 0.04}}, f_vec{{3e100, 1e90, -2e80, 1}},
                                    f_vec{{1, 1e200, 0, 0}}}) {
                        f_vec whole;
                        const f_vec slow = rungekuta(dudλ, u, G, 0.37);
                        EXPECT_TRUE(same_bits(fused->rungekuta(u, G, 0.37), slow)) << k;
                        ASSERT_TRUE(fused->advance(frame.data(), x, u, 0.37, whole)) << k;
                        EXPECT_TRUE(same_bits(whole, slow)) << k;
                    }
                }
            EXPECT_GT(answered, 40) << k;
        }
        if (k < kerr || k > 5)
            continue;
        const Metric byte_code =
            Metric::of_records(metric.records(), metric.params(), MetricEvaluation::byte_code);
        const Horizons h = find_horizons(metric, false, 0);
        for (f_vec u : {f_vec{{1, -0.97, 0, 0.001}}, f_vec{{1, -0.9, 0.001, 0.0031}},
                        f_vec{{1, -0.5, -0.028, 0.0}}}) {
            const auto fast = trace(metric, h, at(30, 1.3, 0.2), u);
            EXPECT_TRUE(same_bits(fast, trace(byte_code, h, at(30, 1.3, 0.2), u))) << k;
            EXPECT_GT(fast[2], 50) << k;
        }
    }
}

// New parameters for a compiled metric, a component that divides by zero at
// r = 2M, programs that cannot run.
TEST(Fused, NewParametersAndNonFiniteValuesFollowTheByteCode)
{
    f_vec x = at(6.5, 1.1), horizon = at(2.0, 1.1);
    const double spun_down[4] = {1, 0.3, 0, 0};
    const Metric kerr_slower = preset(kerr).with_parameters(spun_down);
    EXPECT_TRUE(same_bits(Christoffel(kerr_slower, x), christoffel_bytecode(kerr_slower, x)));
    EXPECT_FALSE(same_bits(Christoffel(kerr_slower, x), Christoffel(preset(kerr), x)));
    const Metric hole = preset(schwarzschild);
    EXPECT_TRUE(hole.fused());
    EXPECT_TRUE(same_bits(Christoffel(hole, horizon), christoffel_bytecode(hole, horizon)));
    // g_θθ and g_φφ: programs that cannot run, exponents known only at a
    // point, and a metric without a single coordinate.
    const char *const cases[][2] = {{"r^2", "+r^2"},    {"r^2", "r^+r^2"},      {"r^2", "sin(+r^2"},
                                    {"r^2", "2^r+r^2"}, {"r^2", "r^(r/3)+r^2"}, {"1", "1"}};
    for (const auto &[θθ, bad] : cases) {
        const Metric m = diagonal_metric("-1", "1", 0, θθ, bad);
        for (f_vec y : {x, horizon}) {
            tensor_3 slow = christoffel_bytecode(m, y);
            EXPECT_TRUE(same_bits(Christoffel(m, y), slow)) << bad;
            const f_vec u{{1, 0.1, 0.01, 0.02}};
            EXPECT_TRUE(same_bits(geodesic_step(m, y, u, 0.5), rungekuta(dudλ, u, slow, 0.5)))
                << bad;
        }
    }
}

} // namespace
