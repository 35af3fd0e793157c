// SPDX-License-Identifier: GPL-3.0-or-later
// Error against cost of the two integrations. The shadow edge of a static
// observer at r = 30 in Schwarzschild (M = 1) is found by bisection on the
// launch angle and set against the exact sin ψ = 3√3·√(1 − 2/r)/r; the
// default view (Kerr a = 0.8, observer on the circular orbit at r = 50,
// θ = 80°, disk to 12) at 160×120 is set against a render by the accurate
// integration at accuracy 0.0005; the Kerr shadow at 64×64 is set against
// the pixels classified by Carter's constant, and the sky directions of its
// escaping rays against the accurate integration at accuracy 0.0005.
// Counters: accuracy, ns per ray (processor time for the shadow), relative
// edge error, the share of differing pixels, or wrong pixels and the median
// and 95th percentile of the sky-direction error in radians.
#include "bench/default_view.h"
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "physics/ray_scene.h"
#include "tests/support/kerr_photons.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <numbers>
#include <vector>

namespace
{

constexpr double π = std::numbers::pi;

// The inner end of the final bracket, and the rays it took.
double shadow_edge(double p, bool whole_state, int &rays)
{
    const Metric m = preset_metric(1, 1.0, 0.0);
    const double horizon = find_horizons(m, false, 30).event();
    double const r = 30;
    double lo = 0.1, hi = 0.3;
    for (int i = 0; i < 40; ++i, ++rays) {
        double const s = (lo + hi) / 2;
        f_vec x{{0, r, π / 2, 0}};
        f_vec u = f_tet(m, f_vec{{-1, -std::sqrt(1 - s * s), 0, s}}, x);
        end e((0.03 * p + 1.0) * horizon, 15);
        geodetika(m, x, u, e, p, nullptr, {whole_state, nullptr});
        (std::abs(e.reason()) == 2 ? lo : hi) = s;
    }
    return lo;
}

void BM_ShadowEdge(benchmark::State &state)
{
    bool const whole_state = state.range(0) != 0;
    double const p = state.range(1) / 10000.0;
    double const exact = 3 * std::sqrt(3.0) * std::sqrt(1 - 2 / 30.0) / 30;
    double edge = 0;
    int rays = 0;
    for (auto _ : state)
        edge = shadow_edge(p, whole_state, rays);
    state.SetItemsProcessed(rays);
    state.counters["accuracy"] = p;
    state.counters["ns_per_ray"] =
        benchmark::Counter(rays, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["rel_error"] = std::fabs(edge / exact - 1);
}

std::vector<unsigned> default_view(double p, bool whole_state)
{
    View v = set_up_default_view(QImage());
    v.scene.precise = p;
    v.scene.accurate = whole_state;
    int const w = 160, h = 120;
    double const z = π / 4;
    std::vector<unsigned> out;
    for (int y = 0; y < h; ++y)
        for (int c = 0; c < w; ++c)
            out.push_back(v.colour((c - 0.5 * w) * z / w, (y - 0.5 * h) * z / w));
    return out;
}

std::vector<unsigned> const &converged_view()
{
    static std::vector<unsigned> const view = default_view(0.0005, true);
    return view;
}

void BM_DefaultView(benchmark::State &state)
{
    std::vector<unsigned> const &truth = converged_view();
    double const p = state.range(1) / 10000.0;
    std::vector<unsigned> view;
    for (auto _ : state)
        view = default_view(p, state.range(0) != 0);
    int differing = 0;
    for (std::size_t i = 0; i < view.size(); ++i)
        differing += view[i] != truth[i];
    state.counters["accuracy"] = p;
    state.counters["ns_per_ray"] =
        benchmark::Counter(double(state.iterations() * view.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["differing"] = double(differing) / double(view.size());
}

struct ShadowRay {
    bool dark;
    f_vec sky; // unit vector of the end point
};

std::vector<ShadowRay> kerr_shadow(KerrView const &view, double p, bool whole_state)
{
    std::vector<ShadowRay> out;
    for (int row = 0; row < view.n; ++row)
        for (int column = 0; column < view.n; ++column) {
            f_vec x;
            end const e = view.trace(column, row, p, whole_state, x);
            double const s = std::sin(x[2]);
            out.push_back({std::abs(e.reason()) != 1,
                           {{0, s * std::cos(x[3]), s * std::sin(x[3]), std::cos(x[2])}}});
        }
    return out;
}

void BM_KerrShadow(benchmark::State &state)
{
    static KerrView const view(64);
    static std::vector<ShadowRay> const converged = kerr_shadow(view, 0.0005, true);
    static std::vector<char> const truth = [] {
        std::vector<char> t;
        for (int row = 0; row < view.n; ++row)
            for (int column = 0; column < view.n; ++column)
                t.push_back(view.dark(column, row));
        return t;
    }();
    double const p = state.range(1) / 10000.0;
    std::vector<ShadowRay> rays;
    std::clock_t const start = std::clock();
    for (auto _ : state)
        rays = kerr_shadow(view, p, state.range(0) != 0);
    double const seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    int wrong = 0;
    std::vector<double> errors;
    for (std::size_t i = 0; i < rays.size(); ++i) {
        wrong += rays[i].dark != bool(truth[i]);
        if (!rays[i].dark && !converged[i].dark)
            errors.push_back(std::acos(std::fmin(1.0, rays[i].sky * converged[i].sky)));
    }
    std::sort(errors.begin(), errors.end());
    state.counters["accuracy"] = p;
    state.counters["cpu_ns_per_ray"] = 1e9 * seconds / double(state.iterations() * rays.size());
    state.counters["wrong_pixels"] = wrong;
    state.counters["sky_error_median"] = errors[errors.size() / 2];
    state.counters["sky_error_95"] = errors[errors.size() * 95 / 100];
}

// {integration: 0 frozen connection, 1 whole state; accuracy × 10⁴}
void accuracies(benchmark::internal::Benchmark *b)
{
    for (int whole : {0, 1})
        for (int p : {1000, 500, 250, 200, 150, 100, 50, 20})
            b->Args({whole, p});
}

BENCHMARK(BM_ShadowEdge)->Apply(accuracies)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DefaultView)->Apply(accuracies)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_KerrShadow)->Apply(accuracies)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
