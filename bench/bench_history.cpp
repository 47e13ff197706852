// Memory and time of the undo history on a large animation: 1,000 toggles on a
// 30,000-frame animation, and undoing a Load that replaced it.
#include "support/FakeServices.h"

#include "files/LedFormat.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fstream>

namespace {

constexpr int Frames = 30000;

void toggle(Editor& editor, int cell) {
    const float x = float(cell % 16) * 240 + 120, y = float(cell / 16) * 240 + 120;
    editor.mouseMove(0, 0, x, y);
    editor.mouseUp(1, 0, x, y);
}

void BM_ThousandTogglesOnALargeAnimation(benchmark::State& state) {
    EditorFixture f;
    f->animation().setImageCount(Frames);
    f->animation().fitStoreToCount();
    std::size_t held = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            toggle(*f, i % 256);
        held = f->history().heldBytes();
        state.PauseTiming();
        for (int i = 0; i < 1000; ++i)
            f->undo();
        state.ResumeTiming();
    }
    state.counters["history_bytes"] = double(held);
    state.counters["bytes_per_step"] = double(held) / 1000.0;
    state.counters["store_bytes"] = double(f->animation().frames().size());
}

void BM_UndoLoadOfALargeFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("large.led");
    std::ofstream(path.toStdString(), std::ios::binary)
        << LedFormat::write(std::vector<std::uint8_t>(FrameStore::sizeFor(Frames), 1));
    EditorFixture f;
    f->animation().setImageCount(Frames);
    f->animation().fitStoreToCount();
    std::size_t held = 0;
    for (auto _ : state) {
        f.dialog.answer(path);
        f->click(Control::LoadFile);
        f->undo();
        held = f->history().heldBytes();
        f->redo();
        f->undo();
    }
    state.counters["history_bytes"] = double(held);
    state.counters["store_bytes"] = double(f->animation().frames().size());
}

} // namespace

BENCHMARK(BM_ThousandTogglesOnALargeAnimation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoLoadOfALargeFile)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
