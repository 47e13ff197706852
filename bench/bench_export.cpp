#include "frames/FrameStore.h"
#include "pictures/AnimationExport.h"

#include "QtBenchmarkMain.h"
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
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

// "QUENTARO" in a 5 x 7 font drawn twice as large, scrolling one column a frame
// through the board and round again, as a scrolling text would.
std::vector<std::uint8_t> scrollingText(int frameCount) {
    static const std::array<std::array<std::uint8_t, 7>, 8> glyphs{{
        {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}, // Q
        {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, // U
        {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, // E
        {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}, // N
        {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}, // T
        {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, // A
        {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}, // R
        {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, // O
    }};
    constexpr int GlyphColumns = 6; // five and a space
    const int bannerColumns = static_cast<int>(glyphs.size()) * GlyphColumns * 2;
    const auto litInBanner = [&](int row, int column) {
        const int glyphRow = (row - 1) / 2;
        const int glyphColumn = column / 2 % GlyphColumns;
        const auto& glyph = glyphs[static_cast<std::size_t>(column / 2 / GlyphColumns)];
        return row >= 1 && glyphRow < 7 && glyphColumn < 5 &&
               (glyph[static_cast<std::size_t>(glyphRow)] >> (4 - glyphColumn) & 1) != 0;
    };
    std::vector<std::uint8_t> frames(FrameStore::sizeFor(frameCount), FrameStore::Dark);
    for (int frame = 1; frame <= frameCount; ++frame)
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 16; ++column)
                frames[FrameStore::indexOf(frame, row * 16 + column)] =
                    litInBanner(row, (frame + column) % bannerColumns);
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
        const ExportResult result = exportAnimation(path, {frames, frameCount, 1, 301}, options);
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

void BM_GifText(benchmark::State& state) {
    exportGif(state, scrollingText(static_cast<int>(state.range(0))));
}

// gifsicle -O3 over our own GIF of the same animation, for a size and time to
// compare with: it reports the GIF it was given as input_bytes.
void gifsicle(benchmark::State& state, const std::vector<std::uint8_t>& frames) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("gifsicle"));
    if (program.isEmpty()) {
        state.SkipWithError("skipped: gifsicle is not installed");
        return;
    }
    const int frameCount = static_cast<int>(state.range(0));
    ExportOptions options;
    options.scale = static_cast<int>(state.range(1));
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("ours.gif"));
    const QString theirs = dir.filePath(QStringLiteral("gifsicle.gif"));
    if (!exportAnimation(ours, {frames, frameCount, 1, 301}, options).ok) {
        state.SkipWithError("export failed");
        return;
    }
    for (auto _ : state) {
        QProcess optimise;
        optimise.start(program, {QStringLiteral("-O3"), ours, QStringLiteral("-o"), theirs});
        if (!optimise.waitForFinished(60'000) || optimise.exitCode() != 0)
            state.SkipWithError("gifsicle failed");
    }
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(theirs).size());
    state.counters["input_bytes"] = static_cast<double>(QFileInfo(ours).size());
}

void BM_GifsicleScroller(benchmark::State& state) {
    gifsicle(state, scrollingAnimation(static_cast<int>(state.range(0))));
}

void BM_GifsicleText(benchmark::State& state) {
    gifsicle(state, scrollingText(static_cast<int>(state.range(0))));
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
        if (!exportAnimation(path, {frames, frameCount, 1, 301}, options).ok)
            state.SkipWithError("export failed");
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(path).size());
}

} // namespace

// Ours and gifsicle's side by side: a 300-frame scroller at scale 8.
BENCHMARK(BM_GifScroller)->Args({300, 8})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifsicleScroller)->Args({300, 8})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifText)->Args({300, 8})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifsicleText)->Args({300, 8})->Unit(benchmark::kMillisecond);
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
