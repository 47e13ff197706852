#include "files/LedFormat.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

std::vector<std::uint8_t> randomFrames(int frames) {
    std::mt19937 rng(12345);
    std::vector<std::uint8_t> store(static_cast<std::size_t>(frames) * 256);
    for (auto& b : store)
        b = static_cast<std::uint8_t>(rng() & 1);
    return store;
}

void BM_Read(benchmark::State& state) {
    const std::string text = LedFormat::write(randomFrames(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        auto result = LedFormat::read(text);
        benchmark::DoNotOptimize(result.frames.data());
        if (!result.ok())
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_Write(benchmark::State& state) {
    const auto frames = randomFrames(static_cast<int>(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state) {
        std::string text = LedFormat::write(frames);
        benchmark::DoNotOptimize(text.data());
        size = text.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

} // namespace

BENCHMARK(BM_Read)->Arg(50)->Arg(30000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Write)->Arg(50)->Arg(30000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
