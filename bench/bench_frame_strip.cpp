// The frame strip on a 300-frame animation, shown and painted: catching up with
// nothing changed, with one toggled LED, with a jump across the animation, and
// with a move of several frames and its undo.
#include "support/FakeServices.h"

#include "ui/FrameStrip.h"

#include "QtBenchmarkMain.h"
#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int Frames = 300;

struct ShownStrip {
    EditorFixture f;
    FrameStrip strip{*f};

    ShownStrip() {
        std::vector<FrameStore::Frame> frames(Frames);
        for (std::size_t n = 0; n < frames.size(); ++n)
            frames[n][n % 256] = FrameStore::Lit;
        f->importFrames(frames, true);
        f->setAfterHandler([this] { strip.refresh(); });
        strip.resize(120, 300);
        strip.show();
        settle();
    }
    void settle() { QCoreApplication::processEvents(); }
};

void BM_RefreshWithNothingChanged(benchmark::State& state) {
    ShownStrip s;
    for (auto _ : state)
        s.strip.refresh();
}

void BM_ToggleOneLed(benchmark::State& state) {
    ShownStrip s;
    s.f->goToImage(150);
    s.settle();
    for (auto _ : state) {
        s.f->mouseMove(0, 0, 1800, 1800);
        s.f->mouseUp(1, 0, 1800, 1800);
        s.settle();
    }
}

void BM_JumpAcrossTheAnimation(benchmark::State& state) {
    ShownStrip s;
    int image = Frames;
    for (auto _ : state) {
        s.f->goToImage(image);
        s.settle();
        image = Frames + 1 - image;
    }
}

void BM_MoveSeveralAndUndo(benchmark::State& state) {
    ShownStrip s;
    for (auto _ : state) {
        s.f->moveFrames({2, 40, 299}, 150);
        s.settle();
        s.f->undo();
        s.settle();
    }
}

} // namespace

BENCHMARK(BM_RefreshWithNothingChanged);
BENCHMARK(BM_ToggleOneLed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JumpAcrossTheAnimation)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveSeveralAndUndo)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return runQtBenchmarks<QApplication>(argc, argv);
}
