#include "frames/FrameStore.h"
#include "pictures/AnimationExport.h"

#include "QtBenchmarkMain.h"
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A scrolling diagonal wave under a ball bouncing across the board: most LEDs
// change from one frame to the next, as in a scroller.
std::vector<std::uint8_t> scrollingAnimation(int frameCount) {
    std::vector<std::uint8_t> frames(FrameStore::sizeFor(frameCount), FrameStore::Dark);
    for (int frame = 1; frame <= frameCount; ++frame) {
        const int ballX = std::abs((frame % 28) - 14) + 1;
        const int ballY = std::abs((frame * 3 / 2 % 28) - 14) + 1;
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 16; ++column) {
                const bool wave = (row + column + frame) % 6 < 2;
                const bool ball = std::abs(row - ballY) <= 1 && std::abs(column - ballX) <= 1;
                frames[FrameStore::indexOf(frame, row * 16 + column)] = wave != ball;
            }
    }
    return frames;
}

// A single lit dot walking the board: one or two LEDs change per frame.
std::vector<std::uint8_t> walkingDot(int frameCount) {
    std::vector<std::uint8_t> frames(FrameStore::sizeFor(frameCount), FrameStore::Dark);
    for (int frame = 1; frame <= frameCount; ++frame)
        frames[FrameStore::indexOf(frame, frame % 256)] = FrameStore::Lit;
    return frames;
}

void exportGif(benchmark::State& state, const std::vector<std::uint8_t>& frames) {
    const int frameCount = static_cast<int>(state.range(0));
    ExportOptions options;
    options.scale = static_cast<int>(state.range(1));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.gif"));
    for (auto _ : state) {
        const ExportResult result = exportAnimation(path, frames, frameCount, 1, 301, options);
        if (!result.ok)
            state.SkipWithError(qPrintable(result.error));
    }
    const double bytes = static_cast<double>(QFileInfo(path).size());
    state.counters["file_bytes"] = bytes;
    state.counters["bytes_per_frame"] = bytes / frameCount;
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(frameCount), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_GifScroller(benchmark::State& state) {
    exportGif(state, scrollingAnimation(static_cast<int>(state.range(0))));
}

void BM_GifWalkingDot(benchmark::State& state) {
    exportGif(state, walkingDot(static_cast<int>(state.range(0))));
}

void BM_PngSpriteSheet(benchmark::State& state) {
    const int frameCount = static_cast<int>(state.range(0));
    const auto frames = scrollingAnimation(frameCount);
    ExportOptions options;
    options.scale = static_cast<int>(state.range(1));
    options.pngMode = PngMode::SpriteSheet;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.png"));
    for (auto _ : state)
        if (!exportAnimation(path, frames, frameCount, 1, 301, options).ok)
            state.SkipWithError("export failed");
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(path).size());
}

} // namespace

BENCHMARK(BM_GifScroller)
    ->Args({50, 8})
    ->Args({30000, 8})
    ->Args({30000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifWalkingDot)->Args({50, 8})->Args({30000, 8})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngSpriteSheet)->Args({50, 8})->Args({3000, 2})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runQtBenchmarks<QGuiApplication>(argc, argv); // the PNG writer is a Qt Gui plugin
}
