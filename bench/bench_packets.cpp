// SPDX-License-Identifier: GPL-3.0-or-later
// Rays per second of each tracing path on the default view (320×240 image
// points, rows handed out one at a time to one or two workers), with the
// ordinary and with the accurate integration, and the
// time to generate the packet code of the Kerr metric for both widths.
// Counters: rays/s, and the share of pixels that differ from the scalar
// path's.
#include "bench/default_view.h"
#include "expr/fused_graph.h"
#include "expr/fused_packet.h"
#include "physics/ray_batch.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <atomic>
#include <chrono>
#include <numbers>
#include <thread>
#include <vector>

namespace
{

constexpr int W = 320, H = 240;
constexpr double zoom = std::numbers::pi / 4;

std::vector<unsigned> trace_view(View const &v, int threads)
{
    std::vector<unsigned> out(W * H);
    std::atomic<int> next_row{0};
    auto work = [&] {
        std::vector<ImagePoint> row(W);
        for (int y; (y = next_row.fetch_add(1)) < H;) {
            for (int x = 0; x < W; ++x)
                row[x] = {(x - 0.5 * W) * zoom / W, (y - 0.5 * H) * zoom / W};
            get_colours(v.scene, v.prepared, row.data(), W, &out[y * W], v.x, v.u);
        }
    };
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i)
        pool.emplace_back(work);
    for (auto &t : pool)
        t.join();
    return out;
}

View view_on(SimdPath path, bool accurate)
{
    QImage disk(512, 512, QImage::Format_ARGB32);
    disk.fill(0xffd08040u);
    View v = set_up_default_view(disk);
    v.scene.simd = path;
    v.scene.accurate = accurate;
    return v;
}

std::vector<unsigned> const &scalar_pixels(bool accurate)
{
    static const std::vector<unsigned> ordinary = trace_view(view_on(SimdPath::off, false), 2);
    static const std::vector<unsigned> adaptive = trace_view(view_on(SimdPath::off, true), 2);
    return accurate ? adaptive : ordinary;
}

// range(0): 0 scalar, 1 AVX2, 2 AVX-512; range(1): threads; range(2): 1 for
// the accurate integration.
void BM_RaysPerSecond(benchmark::State &state)
{
    const auto path = static_cast<SimdPath>(state.range(0));
    if (!processor_runs(path)) {
        state.SkipWithError("this processor lacks the path");
        return;
    }
    const bool accurate = state.range(2) != 0;
    const View v = view_on(path, accurate);
    std::vector<unsigned> pixels;
    for (auto _ : state)
        pixels = trace_view(v, static_cast<int>(state.range(1)));
    state.counters["rays/s"] =
        benchmark::Counter(double(W * H), benchmark::Counter::kIsIterationInvariantRate);
    int differ = 0;
    for (int i = 0; i < W * H; ++i)
        differ += pixels[i] != scalar_pixels(accurate)[i];
    state.counters["differ"] = double(differ) / (W * H);
}
BENCHMARK(BM_RaysPerSecond)
    ->ArgsProduct({{0, 1, 2}, {1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// range(0): lanes.
void BM_PacketCodeGeneration(benchmark::State &state)
{
    const auto width = static_cast<PacketWidth>(state.range(0));
    if (!processor_runs(width)) {
        state.SkipWithError("this processor lacks the width");
        return;
    }
    const Metric kerr = preset_metric(3, 1.0, 0.0);
    const FusedProgram program = schedule(lower_christoffel(kerr.records()));
    const PacketMath math =
        width == PacketWidth::avx512 ? packet_math_avx512() : packet_math_avx2();
    for (auto _ : state)
        benchmark::DoNotOptimize(make_packet_step(program, width, math));
}
BENCHMARK(BM_PacketCodeGeneration)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

} // namespace
