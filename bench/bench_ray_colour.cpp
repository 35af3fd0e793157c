// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one pixel of the default view: Kerr with M = 1, a = 0.8, the
// observer on a circular orbit at r = 50, θ = 80°, the disk from the innermost
// stable orbit to 12, accuracy 0.020. Each pixel reports how many integration
// steps its ray takes, how it ends (1 escaped, 2 fell in; negative after
// passing the disk) and how often it crossed the disk. The time per iteration
// is the time per ray.

#include "physics/geodesic.h"
#include "physics/optics.h"
#include "physics/ray_colour.h"
#include "tests/support/ray_scene.h"

#include <benchmark/benchmark.h>

namespace
{

struct View {
    RayScene scene;
    f_vec x, u;
};

View &default_view()
{
    static View v = [] {
        RayScene s = preset_scene(3, 1, 0.8);
        s.P[4] = lim_stab_orb(s.metric, s.horizons, 1);
        s.acr = located_image(512, 512);
        s.kepler = true;
        ensure_disk_tables(s);
        f_vec x{{0, 50, 1.3962634015954636, 0}};
        f_vec u = on_circular_orbit(s.metric, x);
        return View{s, x, u};
    }();
    return v;
}

// Without the aiming correction the hole sits at α ≈ 0.072. The pixels: the
// hole, the disk in front of it, the disk seen twice (in front and, bent
// round the hole, its far side), the far side above the hole, and a corner
// of the sky (zoom "normal": the frame is π/4 wide).
constexpr double pixels[][2] = {
    {0.072, 0}, {0.122, 0.02}, {0.022, 0.02}, {0.072, -0.07}, {0.39, 0.29}};

struct RayOutline {
    int steps, reason, crossings;
};

RayOutline outline_of(double α, double β, View const &v)
{
    RayScene const &s = v.scene;
    end e((0.03 * s.precise + 1.0) * s.horizons.event(), 15);
    e.set_kepler(s.P[4], s.P[5]);
    f_vec x = v.x, p = aberace(s.metric, α, β, v.u, v.x);
    geo g;
    geodetika(s.metric, x, p, e, s.precise, &g, {});
    return {g.getCount(), e.reason(), e.kkp()};
}

void GetColorOfOnePixel(benchmark::State &state)
{
    View &v = default_view();
    double α = pixels[state.range(0)][0], β = pixels[state.range(0)][1];
    v.scene.shift = v.scene.beam = state.range(1) != 0;
    const PreparedFrame prepared = prepare_frame(v.scene, v.x, v.u, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(GetColor(v.scene, prepared, α, β, v.x, v.u));
    RayOutline ray = outline_of(α, β, v);
    state.counters["steps"] = ray.steps;
    state.counters["end"] = ray.reason;
    state.counters["crossings"] = ray.crossings;
}

} // namespace

BENCHMARK(GetColorOfOnePixel)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})
    ->ArgNames({"pixel", "shift_beam"})
    ->Unit(benchmark::kMicrosecond);
