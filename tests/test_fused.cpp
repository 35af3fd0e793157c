#include "expr/fused_christoffel.h"

#include "physics/geodesic.h"
#include "physics/ray_colour.h"
#include "physics/rungekuta.h"
#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace
{

bool same_bits(const tensor_3 &a, const tensor_3 &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Ten non-zero components of the upper triangle from the formula alphabet,
// every coordinate and parameter among them.
Metric random_metric(unsigned seed)
{
    static const char *const atoms[] = {"r", "θ", "t/9", "φ/7", "M", "a", "Q", "Λ", "2", "3"};
    static const char *const wraps[] = {"sin(%1)", "cos(%1)", "(%1)^2", "(%1)^3", "%1"};
    static const char *const joins[] = {"%1+%2", "%1-%2", "%1*%2", "%1/(2+%2)"};
    std::mt19937 rng(seed);
    auto pick = [&rng](auto &list) { return QString::fromUtf8(list[rng() % std::size(list)]); };
    auto factor = [&] { return pick(wraps).arg(pick(atoms)); };
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = "0";
    const char *const diagonal[4] = {"-3-", "r^2+", "r^2+", "r^2*sin(θ)^2+"};
    for (int μ = 0; μ < 4; ++μ)
        for (int ν = μ; ν < 4; ++ν)
            texts[4 * μ + ν] = (μ == ν ? QString::fromUtf8(diagonal[μ]) : QString("(1/9)*")) + "(" +
                               pick(joins).arg(factor(), factor()) + ")";
    const double params[4] = {1.0, 0.7, 0.3, 0.01};
    return Metric::compile(texts, params);
}

struct metric_case {
    const char *name;
    int preset; // -1: random metric number `seed`
    unsigned seed;
};

const metric_case metrics[] = {{"flat", flat, 0},
                               {"Schwarzschild", schwarzschild, 0},
                               {"Reissner–Nordström", reissner_nordstrom, 0},
                               {"Kerr", kerr, 0},
                               {"Kerr–Newman", kerr_newman, 0},
                               {"random 1", -1, 1},
                               {"random 2", -1, 2},
                               {"random 3", -1, 3}};

Metric load(const metric_case &m)
{
    return m.preset >= 0 ? preset(m.preset) : random_metric(m.seed);
}

Metric byte_code_only(Metric const &m)
{
    return Metric::of_records(m.records(), m.params(), MetricEvaluation::byte_code);
}

std::vector<f_vec> sample_points()
{
    std::vector<f_vec> points;
    for (double r : {1.001, 1.6, 2.0, 2.0000001, 2.3, 4.5, 11.0, 700.0})
        for (double θ : {1e-6, 0.02, 0.7, π / 2, 2.0, π - 1e-5, π, 4.0})
            points.push_back({{0.3 * r, r, θ, -1.1 * θ}});
    return points;
}

TEST(Fused, BothBackEndsGiveTheBitsOfTheByteCode)
{
    for (const metric_case &m : metrics) {
        const Metric metric = load(m);
        const auto reference = [&metric](f_vec &x) { return christoffel_bytecode(metric, x); };
        for (FusedBackendKind kind : {FusedBackendKind::interpreter, FusedBackendKind::native}) {
            auto fused =
                FusedChristoffel::build(metric.records(), metric.params(), reference, kind);
            ASSERT_TRUE(fused) << m.name;
            EXPECT_EQ(fused->backend(), kind) << m.name;
            const std::vector<double> frame = fused->frame_block(metric.params());
            int answered = 0;
            for (f_vec x : sample_points()) {
                tensor_3 G;
                if (!fused->evaluate(frame.data(), x, G))
                    continue;
                ++answered;
                EXPECT_TRUE(same_bits(G, christoffel_bytecode(metric, x)))
                    << m.name << " r=" << x[1] << " θ=" << x[2];
                for (f_vec u : {f_vec{{1.2, -0.3, 0.01, 0.04}}, f_vec{{3e100, 1e90, -2e80, 1}},
                                f_vec{{1, 1e200, 0, 0}}}) {
                    f_vec fast = fused->rungekuta(u, G, 0.37), whole;
                    const f_vec slow = rungekuta(dudλ, u, G, 0.37);
                    EXPECT_EQ(std::memcmp(&fast, &slow, sizeof fast), 0) << m.name;
                    ASSERT_TRUE(fused->advance(frame.data(), x, u, 0.37, whole)) << m.name;
                    EXPECT_EQ(std::memcmp(&whole, &slow, sizeof whole), 0) << m.name;
                }
            }
            EXPECT_GT(answered, 40) << m.name;
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
            const tensor_3 fast = Christoffel(m, y), slow = christoffel_bytecode(m, y);
            EXPECT_TRUE(same_bits(fast, slow)) << bad;
            const f_vec u{{1, 0.1, 0.01, 0.02}};
            const f_vec a = geodesic_step(m, y, u, 0.5);
            tensor_3 G = slow;
            const f_vec b = rungekuta(dudλ, u, G, 0.5);
            EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << bad;
        }
    }
}

struct ray_end {
    f_vec x, u;
    int reason;
    double path;
    int stored;

    bool operator==(const ray_end &o) const
    {
        return std::memcmp(&x, &o.x, sizeof x) == 0 && std::memcmp(&u, &o.u, sizeof u) == 0 &&
               reason == o.reason && std::memcmp(&path, &o.path, sizeof path) == 0 &&
               stored == o.stored;
    }
};

ray_end trace(Metric const &m, Horizons const &h, f_vec x, f_vec u)
{
    end e(h.event() * 1.02, 4);
    e.set_kepler(6, 12);
    geo g;
    geodetika(m, x, u, e, 0.02, &g, {});
    return {x, u, e.reason(), e.angular_path(), g.getCount()};
}

TEST(Fused, WholeRaysAndAFrameAreTheSameWithAndWithoutTheFastPath)
{
    for (const metric_case &m : {metrics[3], metrics[4], metrics[5]}) {
        const Metric metric = load(m);
        const Horizons h = find_horizons(metric, false, 0);
        const f_vec x = at(30, 1.3, 0.2);
        for (f_vec u : {f_vec{{1, -0.97, 0, 0.001}}, f_vec{{1, -0.9, 0.001, 0.0031}},
                        f_vec{{1, -0.5, -0.028, 0.0}}}) {
            const ray_end fast = trace(metric, h, x, u);
            const ray_end slow = trace(byte_code_only(metric), h, x, u);
            EXPECT_TRUE(fast == slow)
                << m.name << " reason " << fast.reason << " vs " << slow.reason;
            EXPECT_GT(fast.stored, 50) << m.name;
        }
    }

    RayScene s = preset_scene(kerr, 1, 0.8);
    s.kepler = true;
    s.acr = solid_image(64, 64, 0xffd08040u);
    s.P[4] = lim_stab_orb(s.metric, s.horizons, 1);
    ensure_disk_tables(s);
    const f_vec obs = at(50, 80 * π / 180);
    const f_vec u = on_circular_orbit(s.metric, obs);
    // Every pixel by the fast path, every second one in each direction by the byte code too.
    auto frame = [&](RayScene const &scene, int every) {
        const PreparedFrame prepared = prepare_frame(scene, obs, u, nullptr);
        std::vector<unsigned> px;
        for (int y = 0; y < 30; y += every)
            for (int x = 0; x < 40; x += every)
                px.push_back(GetColor(scene, prepared, (x - 20) * (π / 4) / 40,
                                      (y - 15) * (π / 4) / 40, obs, u));
        return px;
    };
    const std::vector<unsigned> fast = frame(s, 1);
    RayScene slow_scene = s;
    slow_scene.metric = byte_code_only(s.metric);
    const std::vector<unsigned> slow = frame(slow_scene, 2);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(fast[80 * y + 2 * x], slow[20 * y + x]) << 2 * x << "," << 2 * y;
}

} // namespace
