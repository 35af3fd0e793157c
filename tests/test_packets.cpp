// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_christoffel.h"
#include "expr/fused_graph.h"
#include "physics/adaptive_trace.h"
#include "physics/packet_adaptive_trace.h"
#include "physics/packet_trace.h"
#include "physics/ray_batch.h"
#include "physics/ray_colour.h"
#include "tests/support/kerr_photons.h"
#include "tests/support/load_metric.h"
#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Schwarzschild with a random perturbation of each of its ten components, a
// few per cent near the observer, fading with r and vanishing on the axis as
// a metric must there: random, yet its rays are not chaotic, so the paths
// must draw its frame as they draw the presets'. (Short texts: the inverse's
// programs must fit the byte code's length.)
Metric perturbed_metric(unsigned seed)
{
    static const char *const plain[] = {"sin(θ)", "cos(θ)", "sin(φ)", "cos(φ)"};
    static const char *const calls[] = {
        "tanh(cos(φ))",     "(sqrt(2+sin(θ))-1.25)", "log(1.5+cos(θ))", "(exp(cos(φ))-1)",
        "sinh(0.5*cos(θ))", "(cosh(sin(φ))-1)",      "sin(θ)^1.5",      "(2+cos(φ))^(-2)"};
    const bool functions = seed > 3;
    auto shape = [&](std::mt19937 &rng) {
        return QString::fromUtf8(functions ? calls[rng() % 8] : plain[rng() % 4]);
    };
    const char *const forms[16] = {"%1/(9*r)-1+2*M/r",
                                   "%1/(9*r)",
                                   "%1/(9*r)",
                                   "%1*sin(θ)^2/9",
                                   "",
                                   "%1/(9*r)+r/(r-2*M)",
                                   "%1/9",
                                   "%1*sin(θ)^2/9",
                                   "",
                                   "",
                                   "r^2+%1*r/9",
                                   "%1*sin(θ)*r/9",
                                   "",
                                   "",
                                   "",
                                   "(r^2+%1*r/9)*sin(θ)^2"};
    std::mt19937 rng(seed);
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        if (i % 4 >= i / 4)
            texts[i] = texts[i % 4 * 4 + i / 4] = QString::fromUtf8(forms[i]).arg(shape(rng));
    const double params[4] = {1.0, 0, 0, 0};
    return Metric::compile(texts, params);
}

// The five presets, then four perturbed metrics (the last with the later
// functions, real powers and decimals), then the presets again
// with the accurate integration, each with the disk, the shift and beaming on.
struct Case {
    RayScene scene;
    f_vec x, u;
};

constexpr int metric_count = 9;
constexpr int case_count = metric_count + 5;

Case case_number(int row)
{
    const int k = row % metric_count;
    const bool spinning = k == kerr || k == kerr_newman;
    Case c{preset_scene(k < 5 ? k : schwarzschild, 1, spinning ? 0.8 : 0), at(30, 1.4), {}};
    if (k >= 5) {
        c.scene.metric = perturbed_metric(unsigned(k - 4));
        c.scene.horizons = find_horizons(c.scene.metric, false, 30);
    }
    c.scene.kepler = c.scene.shift = c.scene.beam = true;
    c.scene.acr = located_image(64, 64);
    ensure_disk_tables(c.scene);
    c.scene.accurate = row >= metric_count;
    c.u = k == flat || k >= 5 ? moving_along_φ(c.scene.metric, c.x, 0.1)
                              : on_circular_orbit(c.scene.metric, c.x);
    return c;
}

constexpr int W = 160, H = 120;

// The frame on two threads, one of them taking every third row, so that rays
// meet other rays in their packets than on one thread.
std::vector<unsigned> frame(Case const &c, SimdPath path, int W, int H,
                            std::atomic<bool> const *stop = nullptr)
{
    RayScene s = c.scene;
    s.simd = path;
    const PreparedFrame prepared = prepare_frame(s, c.x, c.u, stop);
    std::vector<unsigned> out(W * H);
    auto rows = [&](int part) {
        std::vector<ImagePoint> points(W);
        for (int y = 0; y < H; ++y) {
            if ((y % 3 == 0) != (part == 0))
                continue;
            for (int x = 0; x < W; ++x)
                points[x] = {(x - 0.5 * W) * 1.2 / W, (y - 0.5 * H) * 1.2 / W};
            get_colours(s, prepared, points.data(), W, &out[y * W], c.x, c.u);
        }
    };
    std::thread other(rows, 1);
    rows(0);
    other.join();
    return out;
}

// Every path of the processor is checked against one ray at a time.
std::vector<SimdPath> packet_paths()
{
    std::vector<SimdPath> runs;
    for (SimdPath p : {SimdPath::avx2, SimdPath::avx512})
        if (processor_runs(p))
            runs.push_back(p);
    return runs;
}

// A test says which paths it checked, and only one that could check none
// ends skipped.
void tell_the_paths_checked()
{
    std::string names;
    for (SimdPath p : packet_paths())
        names += p == SimdPath::avx512 ? " AVX-512" : " AVX2";
    if (names.empty())
        GTEST_SKIP() << "this processor has no packet path";
    testing::Test::RecordProperty("paths_checked", names);
    std::printf("paths checked:%s\n", names.c_str());
}

class Packets : public testing::TestWithParam<int>
{
};

PacketWidth width_of(SimdPath p)
{
    return p == SimdPath::avx512 ? PacketWidth::avx512 : PacketWidth::avx2;
}

TEST_P(Packets, DrawTheScalarFrame)
{
    const Case c = case_number(GetParam());
    const std::vector<unsigned> scalar = frame(c, SimdPath::off, W, H);
    EXPECT_GT(std::set<unsigned>(scalar.begin(), scalar.end()).size(), 20u);
    for (SimdPath path : packet_paths()) {
        const std::vector<unsigned> packed = frame(c, path, W, H);
        const auto equal = std::inner_product(scalar.begin(), scalar.end(), packed.begin(), 0,
                                              std::plus<>(), std::equal_to<>());
        EXPECT_GE(equal, 0.999 * W * H) << int(path);
    }
    tell_the_paths_checked();
}

// A raised stop ends every ray after the step in hand, on every path: none
// gets far enough to bring anything but black.
TEST_P(Packets, StopEndsEveryRayAtOnce)
{
    const std::atomic<bool> stop{true};
    std::vector<SimdPath> all = packet_paths();
    all.push_back(SimdPath::off);
    for (SimdPath path : all) {
        const std::vector<unsigned> pixels = frame(case_number(GetParam()), path, 16, 12, &stop);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xff000000u), 16 * 12) << int(path);
    }
}

// Where a ray ended, why, and the disk passages it counted.
struct Ended {
    int reason = 0, passages = 0;
    f_vec x{}, u{};
};

class Recorded final : public RayBatch
{
  public:
    Recorded(std::vector<RayStart> const &starts, f_vec x) : starts(starts), x0(x)
    {
        ended.resize(starts.size());
    }
    int count() const override { return static_cast<int>(starts.size()); }
    void start(int i, f_vec &x, f_vec &u, end &e) override
    {
        x = x0, u = starts[i].launch, e = starts[i].e;
    }
    void finish(int i, f_vec const &x, f_vec const &u, f_vec const &, end &e) override
    {
        ended[i] = {e.reason(), e.kkp(), x, u};
    }
    std::vector<Ended> ended;

  private:
    std::vector<RayStart> const &starts;
    f_vec x0;
};

bool same_bits(f_vec const &a, f_vec const &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool close(f_vec const &a, f_vec const &b)
{
    for (int i = 0; i < 4; ++i)
        if (!(std::fabs(a[i] - b[i]) <= 1e-6 * std::max(1.0, std::fabs(b[i]))))
            return false;
    return true;
}

// Rays of a grid, among them one launched with a direction beyond the
// packet's bound, which must finish on the scalar path to the bit. The states
// of escaped rays are compared: those of rays that fell in diverge (u grows
// without bound at the horizon), and those that ran out of rounds are chaotic.
TEST_P(Packets, EndWhereTheScalarTraceEnds)
{
    const int k = GetParam();
    const Case c = case_number(k);
    const RayScene &s = c.scene;
    const PreparedFrame prepared = prepare_frame(s, c.x, c.u, nullptr);
    const ObserverTetrad frame = observer_tetrad(s.metric, c.u, c.x);
    const int n = 6; // a grid of 4n × 3n rays
    std::vector<RayStart> starts;
    for (int j = 0; j < 3 * n; ++j)
        for (int i = 0; i < 4 * n; ++i)
            starts.push_back(start_ray(s, prepared, frame, (i - 2 * n) * 0.3 / n,
                                       (j - 1.5 * n) * 0.3 / n, c.x, c.u));
    starts[100].launch = starts[100].launch * 1e160;
    std::vector<Ended> scalar;
    for (RayStart const &start : starts) {
        f_vec x = c.x, u = start.launch;
        end e = start.e;
        geodetika(s.metric, x, u, e, s.precise, nullptr, {s.accurate});
        scalar.push_back({e.reason(), e.kkp(), x, u});
    }
    for (SimdPath path : packet_paths()) {
        const PacketWidth width = width_of(path);
        const PacketStep *step = s.accurate ? s.metric.fused()->packet_acceleration(width)
                                            : s.metric.fused()->packet_step(width);
        ASSERT_TRUE(step);
        Recorded packed(starts, c.x);
        if (s.accurate)
            trace_adaptive_packets(s.metric, *step, s.precise, nullptr, packed);
        else
            trace_packets(s.metric, *step, s.precise, nullptr, packed);
        int same_end = 0, escaped = 0, close_states = 0;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const Ended &p = packed.ended[i], &q = scalar[i];
            if (i == 100) {
                EXPECT_TRUE(same_bits(p.x, q.x) && same_bits(p.u, q.u)) << int(path);
            }
            if (p.reason != q.reason || p.passages != q.passages)
                continue;
            ++same_end;
            if (std::abs(q.reason) == 1 && i != 100) {
                ++escaped;
                close_states += close(p.x, q.x) && close(p.u, q.u);
            }
        }
        EXPECT_GE(same_end, 0.99 * starts.size()) << int(path);
        EXPECT_GE(close_states, 0.99 * escaped) << int(path);
    }
    tell_the_paths_checked();
}

// The g(u, u) and |sin θ| the acceleration entry gives with the
// acceleration, against the byte code's at a point off the axis.
void expect_byte_code_norm(const Metric &m, const PacketStep &step)
{
    const f_vec x{{0.7, 3.7, 0.9, 1.3}}, u{{1.1, -0.6, 0.11, 0.02}};
    const int lanes = step.lanes();
    alignas(64) double xs[4 * 8], us[4 * 8], out[7 * 8];
    for (int k = 0; k < 4 * lanes; ++k) {
        xs[k] = x[k / lanes];
        us[k] = u[k / lanes];
    }
    step.acceleration()(m.fused_frame(), xs, us, out);
    const Spacetime::Norm n = MetricSpacetime(m).norm(x, u);
    for (int i = 0; i < lanes; ++i) {
        EXPECT_NEAR(out[4 * lanes + i], n.value, 1e-14 * n.scale);
        EXPECT_NEAR(out[5 * lanes + i], n.scale, 1e-14 * n.scale);
        EXPECT_NEAR(out[6 * lanes + i], std::sin(x[2]), 1e-15);
    }
}

// The wild random programs of the fused tests (every operation, t and φ in
// them, values far from any metric's), and Kerr–de Sitter typed as formulas,
// whose terms cancel beyond the cosmological horizon: the packet code agrees
// with the scalar code on each, or it would not be made; its acceleration
// entry too.
TEST(PacketStep, IsMadeForRandomPrograms)
{
    std::vector<Metric> metrics{kerr_de_sitter(0.8, 1e-4)};
    for (unsigned seed : {1u, 2u, 3u, function_seeds[0], function_seeds[1], function_seeds[2]})
        metrics.push_back(random_metric(seed, seed > 3));
    // One angle under sine, cosine and another function, and shifted by a
    // constant: sines of the coordinate and of other values side by side.
    // clang-format off
    QString texts[16] = {"-1", "0", "0", "0", "0", "1", "0", "0", "0", "0",
                         "r^2+exp(θ)*sin(θ)*cos(θ)", "0", "0", "0", "0", "r^2*sin(θ)^2+cos(θ+1)"};
    // clang-format on
    const double params[4] = {1.0, 0, 0, 0};
    metrics.push_back(Metric::compile(texts, params));
    for (std::size_t k = 0; k < metrics.size(); ++k) {
        const Metric &m = metrics[k];
        ASSERT_TRUE(m.fused()) << k;
        for (PacketWidth width : {PacketWidth::avx2, PacketWidth::avx512}) {
            const PacketStep *step = m.fused()->packet_step(width);
            EXPECT_EQ(
                step != nullptr,
                processor_runs(width == PacketWidth::avx512 ? SimdPath::avx512 : SimdPath::avx2))
                << k;
            EXPECT_EQ(m.fused()->packet_acceleration(width), step) << k;
            if (step)
                expect_byte_code_norm(m, *step);
        }
    }
}

// One packet step of a Schwarzschild ray at r = 20 in every lane, from each
// situation of the table: whether the lanes took the step, whether they leave
// the packet, and the path they carry on. The limits `at` the step's end are
// set, after a first run, to exactly the value the step reaches, where
// end::exit ends the ray.
TEST(PacketStep, LeavesWhereTheRayEnds)
{
    enum Limit { none, escape, rounds };
    struct Row {
        const char *what;
        double θ, u_r, u_θ, r_hor, steps, budget;
        Limit at;
        bool taken, leaves;
    };
    const double equator = std::numbers::pi / 2;
    const Row rows[] = {
        {"goes on", 1.2, 0.5, 0.01, 2, 5, 1e9, none, true, false},
        {"falls in", 1.2, -100, 0.01, 19.99, 5, 1e9, none, true, true},
        {"escapes", 1.2, 0.5, 0.01, 2, 5, 1e9, escape, true, true},
        {"ends its last round", 1.2, 0.5, 0.01, 2, 5, 1e9, rounds, true, true},
        {"spends its budget", 1.2, 0.5, 0.01, 2, 5, 6, none, true, true},
        {"crosses the plane", equator + 1e-3, 0.5, -0.01, 2, 5, 1e9, none, true, true},
        {"crosses on its first step", equator + 1e-3, 0.5, -0.01, 2, 0, 1e9, none, true, false},
        {"goes over the axis", 0.2, 0.5, -4, 2, 5, 1e9, none, true, true},
        {"is near the axis", 0.05, 0.5, 0.01, 2, 5, 1e9, none, false, true},
    };
    using State = PacketStep::State;
    using Out = PacketStep::Out;
    const Metric m = preset_scene(schwarzschild, 1, 0).metric;
    for (SimdPath path : packet_paths()) {
        const PacketStep *step = m.fused()->packet_step(width_of(path));
        ASSERT_TRUE(step);
        const int lanes = step->lanes();
        const unsigned all = (1u << lanes) - 1;
        for (const Row &row : rows) {
            alignas(64) double x[4 * 8], state[State::rows * 8], out[Out::rows * 8];
            auto run = [&](double r_escape, double path_limit) {
                const double start[] = {0, 20, row.θ, 0, 1, row.u_r, row.u_θ, 0.02};
                const double limits[] = {row.r_hor, 0.02,       0,         r_escape,
                                         0.5,       path_limit, row.steps, row.budget};
                for (int i = 0; i < lanes; ++i) {
                    for (int k = 0; k < 4; ++k) {
                        x[k * lanes + i] = start[k];
                        state[(State::u + k) * lanes + i] = start[4 + k];
                    }
                    for (int j = 0; j < 8; ++j)
                        state[(State::r_hor + j) * lanes + i] = limits[j];
                }
                return step->entry()(m.fused_frame(), x, state, out);
            };
            run(1000, 100);
            const unsigned result = run(row.at == escape ? x[lanes] : 1000,
                                        row.at == rounds ? state[State::path * lanes] : 100);
            EXPECT_EQ(result & all, row.taken ? all : 0) << row.what;
            EXPECT_EQ(result >> 8, row.leaves ? all : 0) << row.what;
            const double counted = row.taken && row.steps > 0 ? out[Out::angular_step * lanes] : 0;
            EXPECT_EQ(state[State::path * lanes], 0.5 + counted) << row.what;
        }
    }
    tell_the_paths_checked();
}

std::string metric_name(testing::TestParamInfo<int> const &info)
{
    static const char *const names[] = {"Flat",
                                        "Schwarzschild",
                                        "ReissnerNordstrom",
                                        "Kerr",
                                        "KerrNewman",
                                        "Perturbed1",
                                        "Perturbed2",
                                        "Perturbed3",
                                        "PerturbedByFunctions",
                                        "FlatAccurate",
                                        "SchwarzschildAccurate",
                                        "ReissnerNordstromAccurate",
                                        "KerrAccurate",
                                        "KerrNewmanAccurate"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Metrics, Packets, testing::Range(0, case_count), metric_name);

} // namespace
