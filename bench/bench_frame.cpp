// SPDX-License-Identifier: GPL-3.0-or-later
// Whole frames of the default view through the frame engine: Kerr, M = 1,
// a = 0.8, the observer on a circular orbit at r = 50, θ = 80°, the disk from
// the innermost stable orbit to 12, accuracy 0.020, zoom π/4. The engine is
// set against a plain parallel loop of the same colour function, which has
// no tasks, claim flags, levels or throttle. On a shared machine the wall
// clock says little; the processor time of the whole process is reported too.
#include "bench/default_view.h"
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "render/frame_engine.h"
#include "render/smooth_edges.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fstream>
#include <numbers>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr double zoom = std::numbers::pi / 4;

// The window's texture when the sources are at hand, else a plain one.
QImage disk_texture()
{
    const QString file =
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../resources/kepler.png");
    QImage img(file);
    if (img.isNull()) {
        img = QImage(512, 512, QImage::Format_ARGB32);
        img.fill(0xffd08040u);
    }
    return img;
}

View const &default_view()
{
    static const View v = set_up_default_view(disk_texture());
    return v;
}

// Rows handed out one at a time to `threads` workers; nothing else.
void plain_loop(std::vector<unsigned> &out, int w, int h, int threads, View const &v)
{
    std::atomic<int> next_row{0};
    auto work = [&] {
        for (int y; (y = next_row.fetch_add(1)) < h;)
            for (int x = 0; x < w; ++x)
                out[static_cast<std::size_t>(y) * w + x] =
                    v.colour((x - 0.5 * w) * zoom / w, (y - 0.5 * h) * zoom / w);
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (auto &t : pool)
        t.join();
}

double cpu_seconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Resident memory in kB: the current size, or the peak since the last reset.
long resident_kb(const std::string &field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

void reset_peak_resident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Timing {
    double wall = 0, cpu = 0;
};

template <class Render>
void time_frames(benchmark::State &state, int w, int h, int threads, Render render)
{
    Timing total;
    long peak_beyond_idle_kb = 0;
    for (auto _ : state) {
        const long idle = resident_kb("VmRSS");
        reset_peak_resident();
        const auto start = std::chrono::steady_clock::now();
        const double cpu = cpu_seconds();
        render();
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        total.cpu += cpu_seconds() - cpu;
        total.wall += wall;
        peak_beyond_idle_kb = std::max(peak_beyond_idle_kb, resident_kb("VmHWM") - idle);
        state.SetIterationTime(wall);
    }
    const double rays = static_cast<double>(w) * h * state.iterations();
    state.counters["threads"] = threads;
    state.counters["rays/s"] = rays / total.wall;
    state.counters["cpu_s/frame"] = total.cpu / state.iterations();
    state.counters["rays/cpu_s"] = rays / total.cpu;
    state.counters["peak_MB_beyond_idle"] = peak_beyond_idle_kb / 1024.0;
}

// Args: width, height, threads (0 = all).
int threads_of(benchmark::State const &state)
{
    return state.range(2) == 0 ? QThread::idealThreadCount() : static_cast<int>(state.range(2));
}

// Arg 3: the accurate integration's accuracy × 10⁴, or 0 for the default
// integration at the view's 0.020.
View with_integration(benchmark::State &state)
{
    View v = default_view();
    const bool whole_state = state.range(3) != 0;
    v.scene.accurate = whole_state;
    if (whole_state)
        v.scene.precise = state.range(3) / 10000.0;
    state.counters["accurate_at"] = whole_state ? v.scene.precise : 0.0;
    return v;
}

void EngineFrame(benchmark::State &state)
{
    const View v = with_integration(state);
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int threads = threads_of(state);
    static MyImage frame;
    RenderControl control;
    FrameEngine engine(v.scene, v.prepared, control);
    engine.set_thread_count(threads);
    RenderHooks hooks;
    hooks.wait = [] { QThread::usleep(1000); }; // the window's pause, without its events
    engine.set_hooks(hooks);
    time_frames(state, w, h, threads, [&] { engine.render(frame, v.x, v.u, w, h, zoom); });
}

void PlainLoopFrame(benchmark::State &state)
{
    View const &v = default_view();
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int threads = threads_of(state);
    std::vector<unsigned> out(static_cast<std::size_t>(w) * h);
    time_frames(state, w, h, threads, [&] { plain_loop(out, w, h, threads, v); });
    benchmark::DoNotOptimize(out.data());
}

// Engine and plain loop in turns on one thread, so that both see the same
// load from the rest of the machine; the median of the turns' ratios of
// processor time is the engine's overhead.
void EngineOverheadInTurns(benchmark::State &state)
{
    View const &v = default_view();
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    static MyImage frame;
    RenderControl control;
    FrameEngine engine(v.scene, v.prepared, control);
    engine.set_thread_count(1);
    RenderHooks hooks;
    hooks.wait = [] { QThread::usleep(1000); };
    engine.set_hooks(hooks);
    std::vector<unsigned> out(static_cast<std::size_t>(w) * h);
    std::vector<double> ratios;
    for (auto _ : state) {
        double cpu = cpu_seconds();
        engine.render(frame, v.x, v.u, w, h, zoom);
        const double engine_cpu = cpu_seconds() - cpu;
        cpu = cpu_seconds();
        plain_loop(out, w, h, 1, v);
        const double plain_cpu = cpu_seconds() - cpu;
        ratios.push_back(engine_cpu / plain_cpu);
        state.SetIterationTime(engine_cpu + plain_cpu);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["overhead_%"] = (ratios[ratios.size() / 2] - 1.0) * 100.0;
    state.counters["lowest_%"] = (ratios.front() - 1.0) * 100.0;
    state.counters["highest_%"] = (ratios.back() - 1.0) * 100.0;
}

// The smoothing pass's price: a plain frame and a smoothed one in turns on all
// threads, the median ratio of their processor times, and how many pixels the
// pass refines (arg 2: rays per refined pixel).
void SmoothedFrameInTurns(benchmark::State &state)
{
    View const &v = default_view();
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    static MyImage plain, smoothed;
    RenderControl control;
    FrameEngine engine(v.scene, v.prepared, control);
    RenderHooks hooks;
    hooks.wait = [] { QThread::usleep(1000); };
    engine.set_hooks(hooks);
    std::vector<double> ratios;
    for (auto _ : state) {
        engine.set_smoothing(1);
        double cpu = cpu_seconds();
        engine.render(plain, v.x, v.u, w, h, zoom);
        const double plain_cpu = cpu_seconds() - cpu;
        engine.set_smoothing(static_cast<int>(state.range(2)));
        cpu = cpu_seconds();
        engine.render(smoothed, v.x, v.u, w, h, zoom);
        const double smoothed_cpu = cpu_seconds() - cpu;
        ratios.push_back(smoothed_cpu / plain_cpu);
        state.SetIterationTime(plain_cpu + smoothed_cpu);
    }
    std::vector<int> xs(w), ys(h);
    std::iota(xs.begin(), xs.end(), 0);
    std::iota(ys.begin(), ys.end(), 0);
    const auto refined = edge_pixels([](int x, int y) { return plain.read(x, y); }, xs, ys).size();
    std::sort(ratios.begin(), ratios.end());
    state.counters["cost_ratio"] = ratios[ratios.size() / 2];
    state.counters["refined"] = static_cast<double>(refined);
    state.counters["refined_%"] = 100.0 * static_cast<double>(refined) / (w * h);
}

} // namespace

BENCHMARK(EngineFrame)
    ->Args({320, 240, 1, 0})
    ->Args({320, 240, 0, 0})
    ->Args({800, 600, 1, 0})
    ->Args({800, 600, 0, 0})
    ->Args({800, 600, 0, 1000})
    ->Args({800, 600, 0, 200})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(EngineOverheadInTurns)
    ->Args({160, 120})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(PlainLoopFrame)
    ->Args({320, 240, 1})
    ->Args({320, 240, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(SmoothedFrameInTurns)
    ->Args({320, 240, 16})
    ->Args({800, 600, 4})
    ->Args({800, 600, 16})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
