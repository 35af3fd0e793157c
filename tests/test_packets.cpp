#include "expr/fused_christoffel.h"
#include "expr/fused_graph.h"
#include "physics/packet_trace.h"
#include "physics/ray_batch.h"
#include "physics/ray_colour.h"
#include "tests/support/ray_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

namespace
{

// The five presets, then three random metrics with all ten components, each
// with the disk, the shift and beaming on.
struct Case {
    RayScene scene;
    f_vec x, u;
};

Case case_number(int k)
{
    const bool spinning = k == kerr || k == kerr_newman;
    Case c{preset_scene(k < 5 ? k : schwarzschild, 1, spinning ? 0.8 : 0), at(30, 1.4), {}};
    if (k >= 5) {
        c.scene.metric = random_metric(unsigned(k - 4));
        c.scene.horizons = find_horizons(c.scene.metric, false, 0);
    }
    c.scene.kepler = c.scene.shift = c.scene.beam = true;
    c.scene.acr = located_image(64, 64);
    ensure_disk_tables(c.scene);
    c.u = k == flat || k >= 5 ? moving_along_φ(c.scene.metric, c.x, 0.1)
                              : on_circular_orbit(c.scene.metric, c.x);
    return c;
}

constexpr int case_count = 8;

// The random metrics' rays run for long and, in places, chaotically (θ and t
// grow without bound and a last-bit difference of a sine grows with them):
// their frames are smaller, and a few more of their pixels may differ.
struct Frame {
    int w, h;
    double equal_share;
};
Frame frame_for(int k)
{
    return k < 5 ? Frame{160, 120, 0.999} : Frame{40, 30, 0.995};
}

// The frame on two threads, one of them taking every third row, so that rays
// meet other rays in their packets than on one thread.
std::vector<unsigned> frame(Case const &c, SimdPath path, int W, int H)
{
    RayScene s = c.scene;
    s.simd = path;
    const PreparedFrame prepared = prepare_frame(s, c.x, c.u, nullptr);
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

std::vector<unsigned> const &scalar_frame(int k)
{
    static std::map<int, std::vector<unsigned>> frames;
    auto [at, fresh] = frames.try_emplace(k);
    if (fresh)
        at->second = frame(case_number(k), SimdPath::off, frame_for(k).w, frame_for(k).h);
    return at->second;
}

class Packets : public testing::TestWithParam<SimdPath>
{
  protected:
    void SetUp() override
    {
        if (!processor_runs(GetParam()))
            GTEST_SKIP() << "this processor lacks "
                         << (GetParam() == SimdPath::avx512 ? "AVX-512" : "AVX2");
    }
    PacketWidth width() const
    {
        return GetParam() == SimdPath::avx512 ? PacketWidth::avx512 : PacketWidth::avx2;
    }
};

TEST_P(Packets, DrawTheScalarFrameOnEveryMetric)
{
    for (int k = 0; k < case_count; ++k) {
        const Frame f = frame_for(k);
        const std::vector<unsigned> &scalar = scalar_frame(k);
        const std::vector<unsigned> packed = frame(case_number(k), GetParam(), f.w, f.h);
        const auto equal = std::inner_product(scalar.begin(), scalar.end(), packed.begin(), 0,
                                              std::plus<>(), std::equal_to<>());
        EXPECT_GE(equal, f.equal_share * f.w * f.h) << k;
        EXPECT_GT(std::set<unsigned>(scalar.begin(), scalar.end()).size(), 50u) << k;
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

// Rays of a 24×18 grid, among them one launched with a direction beyond the
// packet's bound, which must finish on the scalar path to the bit. The states
// of the presets' escaped rays are compared: those of rays that fell in
// diverge (u grows without bound at the horizon), those that ran out of rounds
// are chaotic, and so are most of the random metrics' rays.
TEST_P(Packets, EndWhereTheScalarTraceEnds)
{
    for (int k = 0; k < case_count; ++k) {
        const Case c = case_number(k);
        const RayScene &s = c.scene;
        const PreparedFrame prepared = prepare_frame(s, c.x, c.u, nullptr);
        const ObserverTetrad frame = observer_tetrad(s.metric, c.u, c.x);
        std::vector<RayStart> starts;
        for (int j = 0; j < 18; ++j)
            for (int i = 0; i < 24; ++i)
                starts.push_back(
                    start_ray(s, prepared, frame, (i - 12) * 0.05, (j - 9) * 0.05, c.x, c.u));
        starts[100].launch = starts[100].launch * 1e160;
        const PacketStep *step = s.metric.fused()->packet_step(width());
        ASSERT_TRUE(step) << k;
        Recorded packed(starts, c.x);
        trace_packets(s.metric, *step, s.precise, nullptr, packed);
        int same_end = 0, escaped = 0, close_states = 0;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            f_vec x = c.x, u = starts[i].launch;
            end e = starts[i].e;
            geodetika(s.metric, x, u, e, s.precise, nullptr, {});
            const Ended &p = packed.ended[i];
            if (i == 100)
                EXPECT_TRUE(same_bits(p.x, x) && same_bits(p.u, u)) << k;
            if (p.reason != e.reason() || p.passages != e.kkp())
                continue;
            ++same_end;
            if (std::abs(e.reason()) == 1 && i != 100 && k < 5) {
                ++escaped;
                close_states += close(p.x, x) && close(p.u, u);
            }
        }
        EXPECT_GE(same_end, 0.99 * starts.size()) << k;
        EXPECT_GE(close_states, 0.99 * escaped) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, Packets, testing::Values(SimdPath::avx2, SimdPath::avx512),
                         [](auto const &info) {
                             return info.param == SimdPath::avx512 ? "AVX512" : "AVX2";
                         });

} // namespace
