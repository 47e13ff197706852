// Speed of the "LPT on" refresh loop of the editor, with no window: passes per second
// with a port that costs nothing and with one that takes about a microsecond per
// write (both with the real row pause), and the loop's own cost per pass with the
// row pause taken out.
#include "support/FakeServices.h"

#include "port/Clock.h"
#include "port/PortSequences.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr std::int64_t PassesPerRun = 2000;

// Counts the writes of a run and turns the mode off, from inside the first write
// of the last wanted pass, so that the loop ends after exactly `passes` passes.
class BenchPort final : public PortIo {
public:
    explicit BenchPort(std::chrono::nanoseconds perWrite) : perWrite_(perWrite) {}

    void arm(Editor* form, std::int64_t passes) {
        form_ = form;
        writes_ = 0;
        spent_ = {};
        stopAt_ = (passes - 1) * PortSequences::WritesPerPass + 1;
    }
    std::int64_t writes() const { return writes_; }
    // Time actually spent per write, which the busy wait overshoots a little.
    double secondsPerWrite() const {
        return writes_ == 0 ? 0.0 : std::chrono::duration<double>(spent_).count() / writes_;
    }

    void writeData(std::uint8_t value) override { write(value); }
    void writeControl(std::uint8_t value) override { write(value); }

private:
    void write(std::uint8_t value) {
        benchmark::DoNotOptimize(value);
        if (perWrite_.count() > 0) {
            const auto begin = std::chrono::steady_clock::now();
            auto now = begin;
            while (now < begin + perWrite_)
                now = std::chrono::steady_clock::now();
            spent_ += now - begin;
        }
        if (++writes_ == stopAt_ && form_ != nullptr)
            form_->Command19_Click();
    }

    std::chrono::nanoseconds perWrite_;
    Editor* form_ = nullptr;
    std::int64_t writes_ = 0;
    std::int64_t stopAt_ = -1;
    std::chrono::steady_clock::duration spent_{};
};

void runLoop(benchmark::State& state, std::chrono::nanoseconds perWrite, float rowPause) {
    BenchPort port(perWrite);
    FakeDialog dialog;
    SteadyClock clock;
    FakeInstanceCheck instance;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    Editor form({port, dialog, clock, instance, *timer, {}, {}, [](const Message&) {}, [] {}});
    form.Form_Load();
    form.setRowPauseSeconds(rowPause);
    // A frame that is half lit, so the packing has both outcomes to deal with.
    for (std::size_t i = 0; i < form.animation().frames().size(); i += 2)
        form.animation().bytes()[i] = 1;

    std::int64_t passes = 0;
    double secondsPerWrite = 0;
    for (auto _ : state) {
        port.arm(&form, PassesPerRun);
        form.Command19_Click();
        const std::int64_t expected = PassesPerRun * PortSequences::WritesPerPass + 4;
        if (port.writes() != expected || form.outputModes().lptOn()) {
            state.SkipWithError("the loop did not run the wanted number of passes");
            break;
        }
        passes += PassesPerRun;
        secondsPerWrite = port.secondsPerWrite();
    }
    state.counters["passes/s"] =
        benchmark::Counter(static_cast<double>(passes), benchmark::Counter::kIsRate);
    state.counters["s/pass"] = benchmark::Counter(
        static_cast<double>(passes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (rowPause > 0) {
        state.counters["t_write"] = secondsPerWrite;
        state.counters["ceiling/s"] = 1.0 / (PortSequences::RowsPerPass * rowPause +
                                             PortSequences::WritesPerPass * secondsPerWrite);
    }
}

void BM_NoopPortRealPause(benchmark::State& state) {
    runLoop(state, std::chrono::nanoseconds(0), PortSequences::RowPause);
}

void BM_OneMicrosecondPortRealPause(benchmark::State& state) {
    runLoop(state, std::chrono::microseconds(1), PortSequences::RowPause);
}

void BM_LoopOwnCostNoPause(benchmark::State& state) {
    runLoop(state, std::chrono::nanoseconds(0), 0.0f);
}

} // namespace

BENCHMARK(BM_NoopPortRealPause)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OneMicrosecondPortRealPause)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoopOwnCostNoPause)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
