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
void load_random_metric(unsigned seed)
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
    loadMetric(texts, 0.7, 0.3);
    P[3] = 0.01;
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

void load(const metric_case &m)
{
    if (m.preset >= 0)
        loadPreset(m.preset);
    else
        load_random_metric(m.seed);
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
        load(m);
        for (FusedBackendKind kind : {FusedBackendKind::interpreter, FusedBackendKind::native}) {
            auto fused = FusedChristoffel::build(t, P, christoffel_bytecode, kind);
            ASSERT_TRUE(fused) << m.name;
            EXPECT_EQ(fused->backend(), kind) << m.name;
            int answered = 0;
            for (f_vec x : sample_points()) {
                tensor_3 G;
                if (!fused->evaluate(P, x, G))
                    continue;
                ++answered;
                EXPECT_TRUE(same_bits(G, christoffel_bytecode(x)))
                    << m.name << " r=" << x[1] << " θ=" << x[2];
                for (f_vec u : {f_vec{{1.2, -0.3, 0.01, 0.04}}, f_vec{{3e100, 1e90, -2e80, 1}},
                                f_vec{{1, 1e200, 0, 0}}}) {
                    f_vec fast = fused->rungekuta(u, G, 0.37), whole;
                    const f_vec slow = rungekuta(dudλ, u, G, 0.37);
                    EXPECT_EQ(std::memcmp(&fast, &slow, sizeof fast), 0) << m.name;
                    ASSERT_TRUE(fused->advance(P, x, u, 0.37, whole)) << m.name;
                    EXPECT_EQ(std::memcmp(&whole, &slow, sizeof whole), 0) << m.name;
                }
            }
            EXPECT_GT(answered, 40) << m.name;
        }
    }
}

// Parameters changed without a refresh, a metric replaced, a component
// that divides by zero at r = 2M, programs that cannot run.
TEST(Fused, StaleParametersNewMetricsAndNonFiniteValuesFollowTheByteCode)
{
    f_vec x = at(6.5, 1.1), horizon = at(2.0, 1.1);
    loadPreset(kerr);
    P[1] = 0.3;
    EXPECT_TRUE(same_bits(Christoffel(x), christoffel_bytecode(x)));
    loadPreset(schwarzschild);
    EXPECT_TRUE(t_fused);
    EXPECT_TRUE(same_bits(Christoffel(horizon), christoffel_bytecode(horizon)));
    QString texts[16];
    for (QString &s : texts)
        s = "0";
    texts[0] = "-1", texts[5] = "1";
    // g_θθ and g_φφ: programs that cannot run, exponents known only at a
    // point, and a metric without a single coordinate.
    const char *const cases[][2] = {{"r^2", "+r^2"},    {"r^2", "r^+r^2"},      {"r^2", "sin(+r^2"},
                                    {"r^2", "2^r+r^2"}, {"r^2", "r^(r/3)+r^2"}, {"1", "1"}};
    for (const auto &[θθ, bad] : cases) {
        texts[10] = QString::fromUtf8(θθ);
        texts[15] = QString::fromUtf8(bad);
        loadMetric(texts, 0, 0);
        for (f_vec y : {x, horizon}) {
            const tensor_3 fast = Christoffel(y), slow = christoffel_bytecode(y);
            EXPECT_TRUE(same_bits(fast, slow)) << bad;
            const f_vec u{{1, 0.1, 0.01, 0.02}};
            const f_vec a = geodesic_step(y, u, 0.5);
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

ray_end trace(f_vec x, f_vec u)
{
    end e(VneH() * 1.02, 4);
    e.set_kepler(P[4], P[5]);
    geo g;
    geodetika(x, u, e, 0.02, &g);
    return {x, u, e.reason(), e.angular_path(), g.getCount()};
}

TEST(Fused, WholeRaysAndAFrameAreTheSameWithAndWithoutTheFastPath)
{
    for (const metric_case &m : {metrics[3], metrics[4], metrics[5]}) {
        load(m);
        mink = false;
        P[4] = 6, P[5] = 12;
        VnH();
        const f_vec x = at(30, 1.3, 0.2);
        for (f_vec u : {f_vec{{1, -0.97, 0, 0.001}}, f_vec{{1, -0.9, 0.001, 0.0031}},
                        f_vec{{1, -0.5, -0.028, 0.0}}}) {
            const ray_end fast = trace(x, u);
            auto saved = std::move(t_fused);
            const ray_end slow = trace(x, u);
            t_fused = std::move(saved);
            EXPECT_TRUE(fast == slow)
                << m.name << " reason " << fast.reason << " vs " << slow.reason;
            EXPECT_GT(fast.stored, 50) << m.name;
        }
    }

    use_kerr(1, 0.8);
    kepler = true;
    acr = solid_image(64, 64, 0xffd08040u);
    P[4] = lim_stab_orb(1);
    const f_vec obs = at(50, 80 * π / 180);
    const f_vec u = on_circular_orbit(obs);
    // Every pixel by the fast path, every second one in each direction by the byte code too.
    auto frame = [&](int every) {
        prepare_frame(obs, u);
        std::vector<unsigned> px;
        for (int y = 0; y < 30; y += every)
            for (int x = 0; x < 40; x += every)
                px.push_back(GetColor((x - 20) * (π / 4) / 40, (y - 15) * (π / 4) / 40, obs, u));
        return px;
    };
    const std::vector<unsigned> fast = frame(1);
    auto saved = std::move(t_fused);
    const std::vector<unsigned> slow = frame(2);
    t_fused = std::move(saved);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(fast[80 * y + 2 * x], slow[20 * y + x]) << 2 * x << "," << 2 * y;
}

} // namespace
