// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/christoffel.h"
#include "expr/compiled.h"
#include "expr/op_codes.h"
#include "expr/presets.h"

#include <benchmark/benchmark.h>

#include <numbers>

namespace
{

constexpr int kerr = 3;
constexpr int kerr_newman = 4;

Metric use_preset(int preset)
{
    return preset_metric(preset, 1.0, 0.0);
}

int executed_codes(const CompiledExpr &e)
{
    int n = 0;
    while (e.code[n] != op::end)
        ++n;
    return n + 1;
}

// Arguments: preset, record index. Reports the time per call and, as
// "per_code", the time per executed byte code.
void BM_CntPfx(benchmark::State &state)
{
    const Metric m = use_preset(static_cast<int>(state.range(0)));
    const CompiledExpr &e = m.records()[state.range(1)];
    f_vec x{{0.0, 6.0, 1.1, 0.3}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(CntPfx(e.code, x, m.params()));
    }
    const int codes = executed_codes(e);
    state.counters["codes"] = codes;
    state.counters["per_code"] = benchmark::Counter(static_cast<double>(codes),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void record_args(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"preset", "record"});
    for (int preset : {kerr, kerr_newman})
        for (int record : {0, 3, 5, 10, 15, 16, 19, 21, 26, 31, 32})
            b->Args({preset, record});
}
BENCHMARK(BM_CntPfx)->Apply(record_args);

void BM_Christoffel(benchmark::State &state)
{
    const Metric m = use_preset(static_cast<int>(state.range(0)));
    f_vec x{{0.0, 6.0, std::numbers::pi / 3, 0.3}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        tensor_3 G = Christoffel(m, x);
        benchmark::DoNotOptimize(G);
    }
    state.SetLabel(presets[state.range(0)].g[0]);
}
BENCHMARK(BM_Christoffel)
    ->ArgName("preset")
    ->Arg(1)
    ->Arg(kerr)
    ->Arg(kerr_newman)
    ->Unit(benchmark::kMicrosecond);

} // namespace
