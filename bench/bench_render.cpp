// SPDX-License-Identifier: GPL-3.0-or-later
// The frame engine's own cost (tasks, claim flags, levels, throttle) against a
// plain parallel loop calling the same colour function once per pixel.
#include "render/frame_engine.h"

#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>
#include <vector>

namespace
{

constexpr f_vec observer_x{{0.0, 50.0, 1.4, 0.0}};
constexpr f_vec observer_v{{1.1, 0.0, 0.0, 0.02}};
constexpr double zoom = M_PI / 4;

// Rounds of dependent arithmetic per pixel: 60 take about 2 µs, 600 about 20.
int rounds = 60;

unsigned cheap_colour(double α, double β, f_vec x, f_vec)
{
    double s = α + x[1] * 1e-3;
    for (int i = 0; i < rounds; ++i)
        s = std::sin(s + β) * 0.999 + std::cos(s * 0.5);
    return 0xff000000u | (static_cast<unsigned>(std::fabs(s) * 1e6) & 0xffffffu);
}

// Rows handed out one at a time to `threads` workers; nothing else.
void plain_loop(std::vector<unsigned> &out, int w, int h, int threads)
{
    std::atomic<int> next_row{0};
    auto work = [&] {
        for (int y; (y = next_row.fetch_add(1)) < h;)
            for (int x = 0; x < w; ++x)
                out[static_cast<std::size_t>(y) * w + x] = cheap_colour(
                    (x - 0.5 * w) * zoom / w, (y - 0.5 * h) * zoom / w, observer_x, observer_v);
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (auto &t : pool)
        t.join();
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of the whole process: on a machine shared with other work it
// shows the cost added by the engine better than the wall clock does.
double cpu_seconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Args: width, height, threads (0 = all), rounds. Each iteration renders the frame
// through the engine and through the plain loop; the reported time is the
// engine's.
void BM_EngineVersusPlainLoop(benchmark::State &state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int threads =
        state.range(2) == 0 ? QThread::idealThreadCount() : static_cast<int>(state.range(2));
    rounds = static_cast<int>(state.range(3));
    MyImage frame;
    RenderControl control;
    FrameEngine engine(cheap_colour, control);
    engine.set_thread_count(threads);
    std::vector<unsigned> plain(static_cast<std::size_t>(w) * h);
    double engine_seconds = 0, plain_seconds = 0, engine_cpu = 0, plain_cpu = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        double cpu = cpu_seconds();
        engine.render(frame, observer_x, observer_v, w, h, zoom);
        engine_cpu += cpu_seconds() - cpu;
        const double one = seconds_since(start);
        engine_seconds += one;
        state.SetIterationTime(one);

        start = std::chrono::steady_clock::now();
        cpu = cpu_seconds();
        plain_loop(plain, w, h, threads);
        plain_cpu += cpu_seconds() - cpu;
        plain_seconds += seconds_since(start);
        benchmark::DoNotOptimize(plain.data());
    }
    const double rays = static_cast<double>(w) * h * state.iterations();
    state.counters["threads"] = threads;
    state.counters["rays/s"] = rays / engine_seconds;
    state.counters["plain_rays/s"] = rays / plain_seconds;
    state.counters["overhead_%"] = (engine_seconds / plain_seconds - 1.0) * 100.0;
    state.counters["cpu_overhead_%"] = (engine_cpu / plain_cpu - 1.0) * 100.0;
}

} // namespace

BENCHMARK(BM_EngineVersusPlainLoop)
    ->Args({320, 240, 1, 60})
    ->Args({320, 240, 0, 60})
    ->Args({800, 600, 1, 60})
    ->Args({800, 600, 0, 60})
    ->Args({320, 240, 1, 600})
    ->Args({320, 240, 0, 600})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
