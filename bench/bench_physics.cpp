// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "tests/support/load_metric.h"

#include <benchmark/benchmark.h>

#include <cmath>

// What the window recomputes on the GUI thread when the Kerr metric is chosen
// or edited, and the cost of one geodesic step of a pixel ray.

namespace
{

const Metric &kerr_metric()
{
    static const Metric m = preset(kerr);
    return m;
}

Horizons kerr_horizons()
{
    return find_horizons(kerr_metric(), false, 50);
}

void BM_Horizons(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(kerr_horizons());
}
BENCHMARK(BM_Horizons)->Unit(benchmark::kMicrosecond);

void BM_StableOrbitRightHanded(benchmark::State &state)
{
    const Horizons h = kerr_horizons();
    for (auto _ : state)
        benchmark::DoNotOptimize(lim_stab_orb(kerr_metric(), h, 1));
}
BENCHMARK(BM_StableOrbitRightHanded)->Unit(benchmark::kMillisecond);

void BM_StableOrbitLeftHanded(benchmark::State &state)
{
    const Horizons h = kerr_horizons();
    for (auto _ : state)
        benchmark::DoNotOptimize(lim_stab_orb(kerr_metric(), h, -1));
}
BENCHMARK(BM_StableOrbitLeftHanded)->Unit(benchmark::kMillisecond);

void BM_DiskTables(benchmark::State &state)
{
    const double inner = lim_stab_orb(kerr_metric(), kerr_horizons(), 1);
    for (auto _ : state) {
        const DiskTables d = disk_tables(kerr_metric(), inner, 12);
        benchmark::DoNotOptimize(d.o_spd[511]);
    }
}
BENCHMARK(BM_DiskTables)->Unit(benchmark::kMillisecond);

// A photon grazing the hole on its way out: steps of every size, from the
// shortest near the horizon to the longest far away.
void trace_photon(geo *g)
{
    static const double horizon = kerr_horizons().event();
    const Metric &m = kerr_metric();
    f_vec x{{0, 50, 1.3, 0}};
    f_vec u = f_tet(m, f_vec{{-1, -0.995, 0, std::sqrt(1 - 0.995 * 0.995)}}, x);
    end e((0.03 * 0.02 + 1.0) * horizon, 15);
    geodetika(m, x, u, e, 0.02, g, {});
}

void BM_GeodesicStep(benchmark::State &state)
{
    geo counted;
    trace_photon(&counted);
    for (auto _ : state)
        trace_photon(nullptr);
    state.SetItemsProcessed(state.iterations() * counted.getCount());
    state.counters["steps"] = counted.getCount();
}
BENCHMARK(BM_GeodesicStep)->Unit(benchmark::kMicrosecond);

} // namespace
