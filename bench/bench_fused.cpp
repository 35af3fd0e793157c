// SPDX-License-Identifier: GPL-3.0-or-later
// One geodesic step (Christoffel symbols and the Runge–Kutta step) of the
// default Kerr view by the byte code, by the fused program's interpreter and
// generated code, and by a Kerr tracer written by hand for this one metric;
// then whole rays, whole frames and what building the fused program costs.
#include "bench/default_view.h"
#include "expr/fused_christoffel.h"
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/optics.h"
#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "physics/rungekuta.h"
#include "render/frame_engine.h"

#include <QThread>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <numbers>
#include <vector>

namespace
{

constexpr double zoom = std::numbers::pi / 4;

// The way one would write Kerr by hand: the five components with Σ and Δ,
// the same central differences, the inverse from the t–φ block, and the
// textbook sums.
struct KerrMetric {
    double tt, tφ, rr, θθ, φφ;
};

KerrMetric kerr_metric(double r, double θ, double M, double a)
{
    const double s = std::sin(θ), c = std::cos(θ);
    const double Σ = r * r + a * a * c * c, Δ = r * r - 2 * M * r + a * a;
    return {-(1 - 2 * M * r / Σ), -2 * M * a * r * s * s / Σ, Σ / Δ, Σ,
            (r * r + a * a + 2 * M * a * a * r * s * s / Σ) * s * s};
}

tensor_3 kerr_christoffel(const f_vec &x, double M, double a)
{
    constexpr double h = 5e-8;
    const double r = x[1], θ = x[2];
    const KerrMetric g = kerr_metric(r, θ, M, a);
    double inv[4][4] = {}, dg[4][4][4] = {};
    const double d = g.tt * g.φφ - g.tφ * g.tφ;
    inv[0][0] = g.φφ / d;
    inv[0][3] = inv[3][0] = -g.tφ / d;
    inv[3][3] = g.tt / d;
    inv[1][1] = 1 / g.rr;
    inv[2][2] = 1 / g.θθ;
    auto derivative = [&](int k, const KerrMetric &p, const KerrMetric &m) {
        dg[0][0][k] = (p.tt - m.tt) * (0.5 / h);
        dg[0][3][k] = dg[3][0][k] = (p.tφ - m.tφ) * (0.5 / h);
        dg[1][1][k] = (p.rr - m.rr) * (0.5 / h);
        dg[2][2][k] = (p.θθ - m.θθ) * (0.5 / h);
        dg[3][3][k] = (p.φφ - m.φφ) * (0.5 / h);
    };
    derivative(1, kerr_metric(r + h, θ, M, a), kerr_metric(r - h, θ, M, a));
    derivative(2, kerr_metric(r, θ + h, M, a), kerr_metric(r, θ - h, M, a));
    tensor_3 G;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) {
                double sum = 0;
                for (int l = 0; l < 4; ++l)
                    sum += inv[i][l] * 0.5 * (dg[l][j][k] + dg[l][k][j] - dg[j][k][l]);
                G[i][j][k] = sum;
            }
    return G;
}

const View &default_view()
{
    static const View v = [] {
        QImage disk(512, 512, QImage::Format_ARGB32);
        disk.fill(0xffd08040u);
        return set_up_default_view(disk);
    }();
    return v;
}

struct StatePoint {
    f_vec x, u;
    double h;
};

// Points along a few rays of the default view, as the renderer meets them.
const std::vector<StatePoint> &ray_points()
{
    static const std::vector<StatePoint> points = [] {
        const View &v = default_view();
        std::vector<StatePoint> out;
        for (double α : {-0.3, -0.05, 0.0, 0.12, 0.35}) {
            for (double β : {-0.2, 0.02, 0.25}) {
                f_vec x = v.x, p = aberace(v.scene.metric, α, β, v.u, v.x);
                end e(v.scene.horizons.event() * 1.05, 3);
                geo g;
                geodetika(v.scene.metric, x, p, e, v.scene.precise, &g, {});
                for (int i = 0; i + 1 < g.getCount(); i += 7)
                    out.push_back({g.getX(i), g.getV(i), 1.0});
            }
        }
        return out;
    }();
    return points;
}

enum Path { bytecode, interpreter, native, by_hand };

void Step(benchmark::State &state)
{
    const auto kind = static_cast<Path>(state.range(0));
    const auto &points = ray_points();
    const Metric &m = default_view().scene.metric;
    const auto fused = FusedChristoffel::build(
        m.records(), m.params(),
        [&m](f_vec &x) { return christoffel_exact(m.records(), m.params(), x); },
        kind == native ? FusedBackendKind::native : FusedBackendKind::interpreter);
    const std::vector<double> frame = fused->frame_block(m.params());
    std::size_t i = 0;
    for (auto _ : state) {
        StatePoint s = points[i];
        i = i + 1 == points.size() ? 0 : i + 1;
        f_vec u;
        switch (kind) {
        case bytecode:
            u = rungekuta(dudλ, s.u, christoffel_bytecode(m, s.x), s.h);
            break;
        case by_hand:
            u = rungekuta(dudλ, s.u, kerr_christoffel(s.x, m.params()[0], m.params()[1]), s.h);
            break;
        default:
            if (!fused->advance(frame.data(), s.x, s.u, s.h, u))
                u = rungekuta(dudλ, s.u, christoffel_bytecode(m, s.x), s.h);
        }
        benchmark::DoNotOptimize(u);
    }
    static const char *names[] = {"byte code", "fused interpreter", "fused native", "Kerr by hand"};
    state.SetLabel(names[kind]);
}
BENCHMARK(Step)->DenseRange(0, 3)->Unit(benchmark::kNanosecond);

// Whole pixels of the default view, one thread: arg 1 with the fused path.
// Per ray in processor time, which a loaded machine inflates least.
void DefaultViewRays(benchmark::State &state)
{
    View v = default_view();
    if (!state.range(0))
        v.scene.metric = Metric::of_records(v.scene.metric.records(), v.scene.metric.params(),
                                            MetricEvaluation::byte_code);
    long rays = 0;
    double seconds = 0;
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        for (int y = 0; y < 600; y += 40)
            for (int x = 0; x < 800; x += 40, ++rays)
                benchmark::DoNotOptimize(v.colour((x - 400) * zoom / 800, (y - 300) * zoom / 800));
        seconds += static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    }
    state.counters["ns/ray"] = seconds * 1e9 / static_cast<double>(rays);
    state.counters["rays/s"] = static_cast<double>(rays) / seconds;
    state.SetLabel(state.range(0) ? "fused native" : "byte code");
}
BENCHMARK(DefaultViewRays)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);

// The default frame through the renderer with every thread; the processor
// time of all threads tells what an idle machine would need.
void DefaultFrame(benchmark::State &state)
{
    const View &v = default_view();
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    static MyImage frame;
    RenderControl control;
    FrameEngine engine(v.scene, v.prepared, control);
    engine.set_thread_count(QThread::idealThreadCount());
    RenderHooks hooks;
    hooks.wait = [] { QThread::usleep(1000); };
    engine.set_hooks(hooks);
    double cpu = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpu_start = std::clock();
        engine.render(frame, v.x, v.u, w, h, zoom);
        cpu += static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["threads"] = QThread::idealThreadCount();
    state.counters["cpu_s/frame"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(DefaultFrame)
    ->Args({320, 240})
    ->Args({800, 600})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Lowering, code generation and the check at the sample points, per metric.
void Build(benchmark::State &state)
{
    const Metric m = preset_metric(static_cast<int>(state.range(0)), 1.0, 0.0);
    const auto kind = state.range(1) ? FusedBackendKind::native : FusedBackendKind::interpreter;
    const auto reference = [&m](f_vec &x) { return christoffel_exact(m.records(), m.params(), x); };
    for (auto _ : state)
        benchmark::DoNotOptimize(FusedChristoffel::build(m.records(), m.params(), reference, kind));
    state.SetLabel(presets[state.range(0)].g[0]);
}
BENCHMARK(Build)->ArgsProduct({{3, 4}, {0, 1}})->Unit(benchmark::kMillisecond);

} // namespace
