#include "files/LedFormat.h"
#include "files/NativeFormat.h"

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

// Every level and a hold time on every third frame: the longest rows there are.
NativeAnimation randomAnimation(int frames) {
    std::mt19937 rng(6789);
    NativeAnimation animation;
    animation.name = "Benchmark";
    animation.levels.resize(static_cast<std::size_t>(frames) * 256);
    for (auto& level : animation.levels)
        level = static_cast<std::uint8_t>(rng() % 16);
    animation.holdMs.resize(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < animation.holdMs.size(); i += 3)
        animation.holdMs[i] = static_cast<std::uint16_t>(40 + rng() % 65496);
    return animation;
}

void BM_NativeRead(benchmark::State& state) {
    const std::string text = NativeFormat::write(randomAnimation(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        auto result = NativeFormat::read(text);
        benchmark::DoNotOptimize(result.animation.levels.data());
        if (!result.ok())
            state.SkipWithError(result.message.c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_NativeWrite(benchmark::State& state) {
    const NativeAnimation animation = randomAnimation(static_cast<int>(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state) {
        std::string text = NativeFormat::write(animation);
        benchmark::DoNotOptimize(text.data());
        size = text.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

} // namespace

BENCHMARK(BM_Read)->Arg(50)->Arg(30000)->Arg(LedFormat::MaxFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Write)->Arg(50)->Arg(30000)->Arg(LedFormat::MaxFrames)->Unit(benchmark::kMicrosecond);

// The program's own file at the frame limit must read in well under a second.
BENCHMARK(BM_NativeRead)->Arg(50)->Arg(NativeFormat::MaxFrames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NativeWrite)->Arg(50)->Arg(NativeFormat::MaxFrames)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
