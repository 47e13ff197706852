// Frames a second each built-in effect renders on one core at 16 x 16, at its
// defaults, 40 ms apart: every one should reach 20,000.
#include "effects/Catalogue.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void renderEffect(benchmark::State& state, const Effects::EffectInfo* info) {
    Effects::Setup setup;
    setup.values = info->defaults();
    setup.seed = 1;
    Effects::Run run(*info, setup);
    for (auto _ : state)
        benchmark::DoNotOptimize(run.next(40).data());
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

const bool registered = [] {
    for (const Effects::EffectInfo* info : Effects::catalogue())
        benchmark::RegisterBenchmark(("BM_Effect/" + std::string(info->name)).c_str(), renderEffect,
                                     info)
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
