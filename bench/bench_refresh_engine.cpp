// How evenly an all-lit frame is lit on the wire: the refresh loop on the
// window's thread (as "LPT on" ran before it had a thread of its own) against
// the refresh thread at the normal policy and under SCHED_FIFO, each with the
// computer quiet and with every core busy (one spinning thread per core).
// Every write is time-stamped; from the stamps come passes per second, the
// lowest rate of a 100 ms window, the brightest÷dimmest row of each 100 ms
// window (median, p95, worst), the longest time one row stayed lit and the
// refreshing thread's share of a CPU, next to the ceiling
// 1 / (16 · 40 µs + 212 · t_write).
#include "support/FakeServices.h"

#include "port/MatrixDecoder.h"
#include "port/RefreshEngine.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <pthread.h>
#include <thread>
#include <vector>

namespace {

using Nanos = std::int64_t;
constexpr Nanos Second = 1'000'000'000;
constexpr Nanos Window = Second / 10;
constexpr Nanos RunFor = 3 * Second;

Nanos monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return Nanos(now.tv_sec) * Second + now.tv_nsec;
}

Nanos cpuTime(clockid_t clock) {
    timespec used{};
    clock_gettime(clock, &used);
    return Nanos(used.tv_sec) * Second + used.tv_nsec;
}

// Keeps every write with its time, and the CPU clock of the thread writing.
class StampPort final : public PortIo {
public:
    struct Stamp {
        Nanos at;
        PortWrite write;
    };
    // Touched once here, so that no page fault stops the writer.
    StampPort() {
        stamps.resize(2'000'000);
        stamps.clear();
    }
    void writeData(std::uint8_t value) override { stamp(PortWrite::data(value)); }
    void writeControl(std::uint8_t value) override { stamp(PortWrite::control(value)); }

    std::vector<Stamp> stamps;
    std::function<void()> afterWrite;
    clockid_t writerCpu{};
    Nanos writerCpuAtStart = 0;

private:
    void stamp(PortWrite write) {
        if (stamps.empty()) {
            pthread_getcpuclockid(pthread_self(), &writerCpu);
            writerCpuAtStart = cpuTime(writerCpu);
        }
        stamps.push_back({monotonicNow(), write});
        if (afterWrite)
            afterWrite();
    }
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

// What the stamps say about the light on the board.
struct Evenness {
    double passesPerSecond = 0, lowestRate = 0, ratioMedian = 0, ratioP95 = 0, ratioWorst = 0;
    double longestRowMs = 0;
};

Evenness measure(const std::vector<StampPort::Stamp>& stamps) {
    Evenness result;
    if (stamps.size() < 2)
        return result;
    MatrixDecoder board;
    std::vector<double> ratios, rates;
    std::array<double, 16> lit{};
    Nanos windowStart = stamps.front().at, litSince = 0;
    int passes = 0, rowClocks = 0, litRow = -1;
    double longest = 0;
    const auto closeWindow = [&] {
        const auto [dimmest, brightest] = std::minmax_element(lit.begin(), lit.end());
        ratios.push_back(*dimmest > 0 ? *brightest / *dimmest : 1e9);
        rates.push_back(passes * double(Second) / double(Window));
        lit.fill(0);
        passes = 0;
    };
    for (std::size_t i = 0; i + 1 < stamps.size(); ++i) {
        const StampPort::Stamp& s = stamps[i];
        if (s.at - windowStart >= Window) {
            closeWindow();
            windowStart += Window;
        }
        board.feed(s.write);
        if (s.write == PortWrite::control(PortSequences::ControlRowClock) && ++rowClocks % 16 == 1)
            ++passes;
        const int row = board.latched() != 0 ? board.selectedScreenRow() : -1;
        if (row != litRow) {
            litRow = row;
            litSince = s.at;
        }
        if (row >= 0) {
            lit[std::size_t(row)] += double(stamps[i + 1].at - s.at);
            longest = std::max(longest, double(stamps[i + 1].at - litSince));
        }
    }
    const double seconds = double(stamps.back().at - stamps.front().at) / double(Second);
    result.passesPerSecond = rowClocks / 16.0 / seconds;
    result.lowestRate = rates.empty() ? 0 : *std::min_element(rates.begin(), rates.end());
    result.ratioMedian = percentile(ratios, 0.5);
    result.ratioP95 = percentile(ratios, 0.95);
    result.ratioWorst = percentile(ratios, 1.0);
    result.longestRowMs = longest / 1e6;
    return result;
}

// One spinning thread per core, at the normal policy, for as long as it lives.
class Stress {
public:
    explicit Stress(bool on) {
        for (unsigned i = 0; on && i < std::max(1u, std::thread::hardware_concurrency()); ++i)
            threads_.emplace_back([this] {
                std::uint64_t x = 1;
                while (!stop_.load(std::memory_order_relaxed))
                    benchmark::DoNotOptimize(x = x * 6364136223846793005u + 1);
            });
    }
    ~Stress() {
        stop_ = true;
        for (std::thread& thread : threads_)
            thread.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// The cost of one stamped write, for the ceiling.
double secondsPerWrite() {
    StampPort port;
    constexpr int Writes = 200000;
    const Nanos start = monotonicNow();
    for (int i = 0; i < Writes; ++i)
        port.writeData(std::uint8_t(i));
    return double(monotonicNow() - start) / double(Second) / Writes;
}

void report(benchmark::State& state, StampPort& port, Nanos cpuAtEnd) {
    const Evenness e = measure(port.stamps);
    const double wall = double(port.stamps.back().at - port.stamps.front().at);
    static const double tWrite = secondsPerWrite(); // first measured quiet
    state.counters["passes/s"] = e.passesPerSecond;
    state.counters["lowest/s"] = e.lowestRate;
    state.counters["ratio_med"] = e.ratioMedian;
    state.counters["ratio_p95"] = e.ratioP95;
    state.counters["ratio_worst"] = e.ratioWorst;
    state.counters["row_max_ms"] = e.longestRowMs;
    state.counters["cpu_%"] = 100.0 * double(cpuAtEnd - port.writerCpuAtStart) / wall;
    state.counters["ceiling/s"] =
        1.0 / (PortSequences::RowsPerPass * 40e-6 + PortSequences::WritesPerPass * tWrite);
}

// The loop as it ran inside Command19_Click on the window's thread, spinning
// through the row pauses.
void BM_WindowThread(benchmark::State& state) {
    Stress stress(state.range(0) != 0);
    for (auto _ : state) {
        StampPort port;
        FakeDialog dialog;
        SteadyClock clock;
        FakeInstanceCheck instance;
        std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
        Editor editor(
            {port, dialog, clock, instance, *timer, {}, {}, [](const Message&) {}, [] {}});
        editor.Form_Load();
        std::ranges::fill(editor.animation().bytes(), std::uint8_t{1});
        editor.Chitmat();
        port.stamps.clear();
        Nanos cpuAtEnd = 0;
        port.afterWrite = [&] {
            if (editor.outputModes().lptOn() &&
                port.stamps.back().at - port.stamps[0].at > RunFor) {
                cpuAtEnd = cpuTime(port.writerCpu);
                editor.Command19_Click();
            }
        };
        editor.Command19_Click();
        port.afterWrite = {};
        report(state, port, cpuAtEnd);
    }
}

// The refresh thread, at the normal policy or under SCHED_FIFO.
void runEngine(benchmark::State& state, bool realtime) {
    Stress stress(state.range(0) != 0);
    for (auto _ : state) {
        StampPort port;
        SleepingTiming timing;
        RefreshEngine::Options options;
        options.realtime = realtime;
        RefreshEngine engine(port, timing, options);
        if (realtime && !engine.realtimeNote().empty()) {
            state.SkipWithError(engine.realtimeNote().c_str());
            return;
        }
        MatrixOutput::Frame lit;
        lit.fill(0xFF);
        engine.show(lit);
        engine.refresh(true, [] { std::this_thread::sleep_for(std::chrono::nanoseconds(RunFor)); });
        const Nanos cpuAtEnd = cpuTime(port.writerCpu);
        engine.stop();
        engine.close();
        report(state, port, cpuAtEnd);
    }
}

void BM_RefreshThreadNormal(benchmark::State& state) {
    runEngine(state, false);
}

void BM_RefreshThreadFifo(benchmark::State& state) {
    runEngine(state, true);
}

} // namespace

// Argument: 0 quiet, 1 every core busy.
BENCHMARK(BM_WindowThread)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_RefreshThreadNormal)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_RefreshThreadFifo)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
