#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "scene/state.h"
#include "tests/support/load_metric.h"

#include <benchmark/benchmark.h>

#include <cmath>

// What the window recomputes on the GUI thread when the Kerr metric is chosen
// or edited, and the cost of one geodesic step of a pixel ray.

namespace
{

constexpr double π = 3.141592653589793;
constexpr int kerr = 3;

void use_kerr()
{
    loadPreset(kerr);
    mink = false;
    stop = false;
    VnH();
}

void BM_Horizons(benchmark::State &state)
{
    use_kerr();
    for (auto _ : state) {
        VnH();
        benchmark::DoNotOptimize(h1);
    }
}
BENCHMARK(BM_Horizons)->Unit(benchmark::kMicrosecond);

void BM_StableOrbitRightHanded(benchmark::State &state)
{
    use_kerr();
    for (auto _ : state)
        benchmark::DoNotOptimize(lim_stab_orb(1));
}
BENCHMARK(BM_StableOrbitRightHanded)->Unit(benchmark::kMillisecond);

void BM_StableOrbitLeftHanded(benchmark::State &state)
{
    use_kerr();
    for (auto _ : state)
        benchmark::DoNotOptimize(lim_stab_orb(-1));
}
BENCHMARK(BM_StableOrbitLeftHanded)->Unit(benchmark::kMillisecond);

void BM_DiskTables(benchmark::State &state)
{
    use_kerr();
    P[4] = lim_stab_orb(1);
    P[5] = 12;
    for (auto _ : state) {
        O_Speed(P[4], P[5]);
        benchmark::DoNotOptimize(o_spd[511]);
    }
}
BENCHMARK(BM_DiskTables)->Unit(benchmark::kMillisecond);

// A photon grazing the hole on its way out: steps of every size, from the
// shortest near the horizon to the longest far away.
void trace_photon(geo *g)
{
    f_vec x{{0, 50, 1.3, 0}};
    f_vec u = f_tet(f_vec{{-1, -0.995, 0, std::sqrt(1 - 0.995 * 0.995)}}, x);
    end e((0.03 * 0.02 + 1.0) * VneH(), 15);
    geodetika(x, u, e, 0.02, g);
}

void BM_GeodesicStep(benchmark::State &state)
{
    use_kerr();
    geo counted;
    trace_photon(&counted);
    for (auto _ : state)
        trace_photon(nullptr);
    state.SetItemsProcessed(state.iterations() * counted.getCount());
    state.counters["steps"] = counted.getCount();
}
BENCHMARK(BM_GeodesicStep)->Unit(benchmark::kMicrosecond);

} // namespace
