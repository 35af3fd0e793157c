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
#include <functional>
#include <tuple>
#include <vector>

namespace
{

template <class T> bool same_bits(const T &a, const T &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every symbol within `tolerance` of its own size: a zero must be zero.
testing::AssertionResult near(const tensor_3 &G, const tensor_3 &want, double tolerance)
{
    for (int i = 0; i < 64; ++i) {
        const double g = G[i / 16][i / 4 % 4][i % 4], w = want[i / 16][i / 4 % 4][i % 4];
        if (!(std::fabs(g - w) <= tolerance * std::fabs(w)))
            return testing::AssertionFailure()
                   << "Γ^" << i / 16 << "_" << i / 4 % 4 << i % 4 << " = " << g << ", want " << w;
    }
    return testing::AssertionSuccess();
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

// Both back ends give the same bits, and for the rotating presets and a
// random metric so do whole rays; the sparse step is the full step's bits.
TEST(Fused, BothBackEndsAndWholeRaysGiveTheSameBits)
{
    for (int k = 0; k < 11; ++k) {
        const Metric native = metric_number(k);
        const Metric interpreter =
            Metric::of_records(native.records(), native.params(), MetricEvaluation::interpreter);
        ASSERT_TRUE(native.fused() && interpreter.fused()) << k;
        EXPECT_EQ(native.fused()->backend(), FusedBackendKind::native) << k;
        EXPECT_EQ(interpreter.fused()->backend(), FusedBackendKind::interpreter) << k;
        int answered = 0;
        for (double r : {1.001, 1.6, 2.0, 2.0000001, 2.3, 4.5, 11.0, 700.0})
            for (double θ : {1e-6, 0.02, 0.7, π / 2, 2.0, π - 1e-5, π, 4.0}) {
                f_vec x{{0.3 * r, r, θ, -1.1 * θ}};
                tensor_3 G, R;
                const bool fast = native.fused()->evaluate(native.fused_frame(), x, G);
                ASSERT_EQ(fast, interpreter.fused()->evaluate(interpreter.fused_frame(), x, R));
                if (!fast)
                    continue;
                ++answered;
                EXPECT_TRUE(same_bits(G, R)) << k << " r=" << r << " θ=" << θ;
                for (f_vec u : {f_vec{{1.2, -0.3, 0.01, 0.04}}, f_vec{{3e100, 1e90, -2e80, 1}},
                                f_vec{{1, 1e200, 0, 0}}}) {
                    const f_vec slow = rungekuta(dudλ, u, R, 0.37);
                    EXPECT_TRUE(same_bits(native.fused()->rungekuta(u, R, 0.37), slow)) << k;
                    for (const Metric *m : {&native, &interpreter}) {
                        f_vec whole;
                        ASSERT_TRUE(m->fused()->advance(m->fused_frame(), x, u, 0.37, whole));
                        EXPECT_TRUE(same_bits(whole, slow)) << k;
                    }
                }
            }
        EXPECT_GT(answered, 40) << k;
        if (k < kerr || k > 5)
            continue;
        const Horizons h = find_horizons(native, false, 0);
        for (f_vec u : {f_vec{{1, -0.97, 0, 0.001}}, f_vec{{1, -0.9, 0.001, 0.0031}},
                        f_vec{{1, -0.5, -0.028, 0.0}}}) {
            const auto fast = trace(native, h, at(30, 1.3, 0.2), u);
            EXPECT_TRUE(same_bits(fast, trace(interpreter, h, at(30, 1.3, 0.2), u))) << k;
            EXPECT_GT(fast[2], 50) << k;
        }
    }
}

using Derivatives = std::array<double, 3>; // f, ∂_r f, ∂_θ f

Derivatives slopes(double f, double r, double θ)
{
    return {f, r, θ};
}

// Γ of the diagonal metric (g_tt, 1, r², r² sin²θ) by hand.
tensor_3 diagonal_symbols(Derivatives tt, double r, double θ)
{
    const double s = std::sin(θ), c = std::cos(θ);
    const double g[4] = {tt[0], 1, r * r, r * r * s * s};
    const double dg[4][3] = {
        {0, tt[1], tt[2]}, {}, {0, 2 * r, 0}, {0, 2 * r * s * s, 2 * r * r * s * c}};
    auto d = [&](int i, int j, int k) { return i == j && k > 0 && k < 3 ? dg[i][k] : 0.0; };
    tensor_3 G;
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 4; ++c)
                G[a][b][c] = (d(a, c, b) + d(a, b, c) - d(b, c, a)) / (2 * g[a]);
    return G;
}

// g_tt built around one operation or function per row, both coordinates in
// it, so that a wrong sign or factor in any derivative rule shows in Γ^t_tr,
// Γ^t_tθ, Γ^r_tt or Γ^θ_tt: in the byte code's difference quotients to their
// own accuracy, in its exact derivatives (which the fused program is checked
// against when it is built) and in the fused program to rounding, a
// tolerance the byte code's fallback could not meet. The back ends give the
// same bits and the packets are checked against them when they are made.
// Every symbol zero by the metric's form is exactly zero.
TEST(Fused, EveryOperationIsDifferentiatedExactlyOnEveryPath)
{
    using D = Derivatives;
    struct Row {
        QString text;
        std::function<D(double r, double θ)> by_hand;
    };
    std::vector<Row> rows = {
        {"-(1-2*M/r)", [](double r, double) { return slopes(2 / r - 1, -2 / (r * r), 0); }},
        {"-(r+θ)", [](double r, double θ) { return slopes(-(r + θ), -1, -1); }},
        {"θ-r", [](double r, double θ) { return slopes(θ - r, -1, 1); }},
        {"-(r*θ)", [](double r, double θ) { return slopes(-r * θ, -θ, -r); }},
        {"-(r/θ)", [](double r, double θ) { return slopes(-r / θ, -1 / θ, r / (θ * θ)); }},
        {"-(r^3*θ)",
         [](double r, double θ) { return slopes(-r * r * r * θ, -3 * r * r * θ, -r * r * r); }},
        {"-(θ*r^(-2))",
         [](double r, double θ) { return slopes(-θ / r / r, 2 * θ / r / r / r, -1 / r / r); }},
        {"-(r^1.5*θ)",
         [](double r, double θ) {
             return slopes(-r * std::sqrt(r) * θ, -1.5 * std::sqrt(r) * θ, -r * std::sqrt(r));
         }},
        {"-(r^θ)",
         [](double r, double θ) {
             return slopes(-std::pow(r, θ), -θ * std::pow(r, θ - 1), -std::pow(r, θ) * std::log(r));
         }},
    };
    // g_tt = −(2 + f(y)), y = rθ/9, with f and f′.
    using F = double (*)(double);
    const std::tuple<const char *, F, F> functions[] = {
        {"sin", [](double y) { return std::sin(y); }, [](double y) { return std::cos(y); }},
        {"cos", [](double y) { return std::cos(y); }, [](double y) { return -std::sin(y); }},
        {"sqrt", [](double y) { return std::sqrt(y); },
         [](double y) { return 0.5 / std::sqrt(y); }},
        {"exp", [](double y) { return std::exp(y); }, [](double y) { return std::exp(y); }},
        {"log", [](double y) { return std::log(y); }, [](double y) { return 1 / y; }},
        {"sinh", [](double y) { return std::sinh(y); }, [](double y) { return std::cosh(y); }},
        {"cosh", [](double y) { return std::cosh(y); }, [](double y) { return std::sinh(y); }},
        {"tanh", [](double y) { return std::tanh(y); },
         [](double y) { return std::pow(std::cosh(y), -2); }},
    };
    for (auto [name, f, slope] : functions)
        rows.push_back({QString("-(2+%1(r*θ/9))").arg(name), [f, slope](double r, double θ) {
                            return slopes(-2 - f(r * θ / 9), -slope(r * θ / 9) * θ / 9,
                                          -slope(r * θ / 9) * r / 9);
                        }});
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const Metric m = diagonal_metric(row.text.toUtf8().constData(), "1");
        ASSERT_TRUE(m.fused());
        for (f_vec x : {at(3.5, 0.7, 0.4), at(6, 1.9, -1)}) {
            const tensor_3 want = diagonal_symbols(row.by_hand(x[1], x[2]), x[1], x[2]);
            EXPECT_TRUE(near(christoffel_bytecode(m, x), want, 1e-6));
            EXPECT_TRUE(near(christoffel_exact(m.records(), m.params(), x), want, 1e-12));
            EXPECT_TRUE(near(Christoffel(m, x), want, 1e-12));
        }
    }
}

// New parameters for a compiled metric, a component that divides by zero at
// r = 2M, programs that cannot run: the byte code's bits where the fused
// program declines, its exact symbols where it answers.
TEST(Fused, NewParametersAndNonFiniteValuesFollowTheByteCode)
{
    f_vec x = at(6.5, 1.1), horizon = at(2.0, 1.1);
    const double spun_down[4] = {1, 0.3, 0, 0};
    const Metric kerr_slower = preset(kerr).with_parameters(spun_down);
    const tensor_3 slower = christoffel_exact(kerr_slower.records(), kerr_slower.params(), x);
    EXPECT_TRUE(near(Christoffel(kerr_slower, x), slower, 1e-12));
    EXPECT_FALSE(near(Christoffel(preset(kerr), x), slower, 1e-3));
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
            const tensor_3 slow = m.fused() ? christoffel_exact(m.records(), m.params(), y)
                                            : christoffel_bytecode(m, y);
            const f_vec u{{1, 0.1, 0.01, 0.02}}, step = rungekuta(dudλ, u, slow, 0.5);
            const f_vec fast = geodesic_step(m, y, u, 0.5);
            if (!m.fused()) {
                EXPECT_TRUE(same_bits(Christoffel(m, y), slow) && same_bits(fast, step)) << bad;
                continue;
            }
            EXPECT_TRUE(near(Christoffel(m, y), slow, 1e-12)) << bad;
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(fast[k], step[k], 1e-12 * std::fabs(step[k])) << bad;
        }
    }
}

} // namespace
