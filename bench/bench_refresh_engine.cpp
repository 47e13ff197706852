// The light on the board, measured on the wire: the same frames played through
// a port that time-stamps every write and takes a set time for it (1 µs, as on
// the ISA bus, unless said otherwise), with the computer quiet and with every
// core busy (stress-ng --cpu 4, or one spinning thread per core without it).
//
// Side by side: the loop on the window's thread (as "LPT on" ran before the
// refresh had a thread of its own, flat out), the refresh thread at the normal
// policy, and under SCHED_FIFO at 100 % and 50 % brightness; the rate at write
// costs of 0.5 to 8 µs; a 60 s busy run for throttling; and a grey ramp.
//
// Counters: passes/s; lit_share, the share of the time a row is lit; the
// brightest ÷ dimmest row of each 100 ms window (p95, worst); row_max_ms, the
// longest time one row stayed lit; row_p50_us and row_p999_us, the time half
// and all but one in a thousand of the rows stayed lit within; gap_max_ms, the
// longest time between two writes, and stalls, how many were 5 ms or more
// (what the kernel's real-time throttle would do); cpu_%, the refreshing
// thread's share of a CPU; stolen_ms, the time a virtual machine's host took
// that CPU away, as far as it says. BM_BareClockReader shows the stalls the
// machine itself makes, with no refresh at all. For the grey ramp: cycles/s of the planes (the
// flashes of its level 8 LED, which one plane lights); L<k>_%,
// the lit time of level k's LEDs as a percentage of its target (the level shown for k over the top
// level, times the top level's lit time); top_us, the top level's lit time per cycle.
//
// BM_Dimmed, by brightness (100, 50, 20, 5 %) under SCHED_FIFO: cycles/s of a grey ramp's planes
// (8 or 16 levels) or flashes/s of an all-lit frame's LEDs (on/off, the passes that light them),
// and light_%, the top level's lit time as a share of its row's time. Built from another tree
// (bench/compare_dimming.sh builds main's) it measures that tree's engine the same way.
#include "support/FakeServices.h"

#include "port/MatrixDecoder.h"
#include "port/Realtime.h"
#include "port/RefreshEngine.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ctime>
#include <fstream>
#include <pthread.h>
#include <sched.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Nanos = std::int64_t;
constexpr Nanos Second = 1'000'000'000;
constexpr Nanos Window = Second / 10;
constexpr Nanos RunFor = 3 * Second;
constexpr Nanos LongRun = 60 * Second;
constexpr Nanos StallAt = 5'000'000;

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

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

// What the board shows, from each write and its time, measured as the writes
// come so that a run of a minute needs no record of them.
class WireMeter {
public:
    void feed(const PortWrite& write, Nanos at) {
        if (first_ == 0)
            first_ = windowStart_ = at;
        else
            account(at);
        last_ = at;
        board_.feed(write);
        if (write == PortWrite::control(PortSequences::ControlRowClock))
            ++rowClocks_;
        const bool probeLit =
            board_.selectedScreenRow() == ProbeRow && (board_.latched() >> ProbeColumn & 1);
        flashes_ += probeLit && !probeLit_ ? 1 : 0;
        probeLit_ = probeLit;
        const int row = board_.latched() != 0 ? board_.selectedScreenRow() : -1;
        if (row != litRow_ || write == PortWrite::control(PortSequences::ControlRowClock)) {
            if (litRow_ >= 0)
                ++litStretches_[std::min<std::size_t>(std::size_t((at - litSince_) / 1000),
                                                      litStretches_.size() - 1)];
            litSince_ = at;
        }
        litRow_ = row;
    }

    double seconds() const { return double(last_ - first_) / double(Second); }
    double passesPerSecond() const { return rowClocks_ / 16.0 / seconds(); }
    // How often the LED in the bottom row's column 8 lit up, a second.
    double flashesPerSecond() const { return double(flashes_) / seconds(); }
    double litShare() const { return lit_ / double(last_ - first_); }
    double ratio(double p) const { return percentile(ratios_, p); }
    double longestRowMs() const { return longestRow_ / 1e6; }
    // The time a row stays lit, in µs, that this share of the rows lit stays within.
    double rowLitUs(double share) const {
        long count = 0, total = 0;
        for (long n : litStretches_)
            total += n;
        for (std::size_t us = 0; us < litStretches_.size(); ++us)
            if ((count += litStretches_[us]) >= share * double(total))
                return double(us + 1);
        return double(litStretches_.size());
    }
    double longestGapMs() const { return double(longestGap_) / 1e6; }
    int stalls() const { return stalls_; }
    // Nanoseconds each LED was lit.
    const std::array<double, 256>& ledLit() const { return ledLit_; }

private:
    void account(Nanos at) {
        const Nanos gap = at - last_;
        longestGap_ = std::max(longestGap_, gap);
        stalls_ += gap >= StallAt ? 1 : 0;
        if (at - windowStart_ >= Window)
            closeWindow(at);
        if (litRow_ < 0)
            return;
        const std::uint16_t leds = board_.latched();
        lit_ += double(gap);
        rowLit_[std::size_t(litRow_)] += double(gap);
        for (int column = 0; column < 16; ++column)
            if ((leds >> column) & 1)
                ledLit_[std::size_t(litRow_ * 16 + column)] += double(gap);
        longestRow_ = std::max(longestRow_, double(at - litSince_));
    }
    void closeWindow(Nanos at) {
        const auto [dimmest, brightest] = std::minmax_element(rowLit_.begin(), rowLit_.end());
        if (*brightest > 0)
            ratios_.push_back(*dimmest > 0 ? *brightest / *dimmest : 1e9);
        rowLit_.fill(0);
        windowStart_ = at;
    }

    static constexpr int ProbeRow = 15, ProbeColumn = 8;
    MatrixDecoder board_;
    bool probeLit_ = false;
    long flashes_ = 0;
    Nanos first_ = 0, last_ = 0, windowStart_ = 0, litSince_ = 0, longestGap_ = 0;
    int litRow_ = -1, stalls_ = 0;
    long rowClocks_ = 0;
    double lit_ = 0, longestRow_ = 0;
    std::array<double, 16> rowLit_{};
    std::array<long, 20000> litStretches_{}; // by whole µs
    std::array<double, 256> ledLit_{};
    std::vector<double> ratios_;
};

// Measures every write, then takes `writeCost` for it, as the port's bus does.
class StampPort final : public PortIo {
public:
    explicit StampPort(Nanos writeCost) : writeCost_(writeCost) {}
    void writeData(std::uint8_t value) override { stamp(PortWrite::data(value)); }
    void writeControl(std::uint8_t value) override { stamp(PortWrite::control(value)); }

    WireMeter meter;
    std::function<void()> afterWrite;
    int writerCpuIndex = -1;
    clockid_t writerCpu{};
    Nanos writerCpuAtStart = 0, firstWrite = 0;

private:
    void stamp(PortWrite write) {
        const Nanos at = monotonicNow();
        if (firstWrite == 0) {
            firstWrite = at;
            pthread_getcpuclockid(pthread_self(), &writerCpu);
            writerCpuIndex = sched_getcpu();
            writerCpuAtStart = cpuTime(writerCpu);
        }
        meter.feed(write, at);
        if (afterWrite)
            afterWrite();
        while (monotonicNow() - at < writeCost_) {
        }
    }

    Nanos writeCost_;
};

// Every core busy for as long as it lives: stress-ng --cpu 4 when the system
// has it, else one spinning thread per core, at the normal policy.
class Stress {
public:
    explicit Stress(bool on) {
        if (!on)
            return;
        char program[] = "stress-ng", cpu[] = "--cpu", four[] = "4", quiet[] = "--quiet";
        char* argv[] = {program, cpu, four, quiet, nullptr};
        if (posix_spawnp(&child_, program, nullptr, nullptr, argv, environ) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            label_ = "busy: stress-ng --cpu 4";
            return;
        }
        child_ = 0;
        label_ = "busy: a spinning thread per core (no stress-ng)";
        for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
            threads_.emplace_back([this] {
                std::uint64_t x = 1;
                while (!stop_.load(std::memory_order_relaxed))
                    benchmark::DoNotOptimize(x = x * 6364136223846793005u + 1);
            });
    }
    ~Stress() {
        if (child_ > 0) {
            kill(child_, SIGTERM);
            waitpid(child_, nullptr, 0);
        }
        stop_ = true;
        for (std::thread& thread : threads_)
            thread.join();
    }
    const char* label() const { return label_; }

private:
    pid_t child_ = 0;
    const char* label_ = "quiet";
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// The time a virtual machine's host gave CPU `cpu` to others, in ms so far
// (steal in /proc/stat); a stall it causes is none of the program's doing.
double stolenMs(int cpu) {
    std::ifstream stat("/proc/stat");
    const std::string name = "cpu" + std::to_string(cpu);
    for (std::string line; std::getline(stat, line);) {
        std::istringstream fields(line);
        std::string first;
        long long ticks[8] = {};
        fields >> first;
        for (long long& t : ticks)
            fields >> t;
        if (first == name)
            return double(ticks[7]) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }
    return 0;
}

void report(benchmark::State& state, const StampPort& port, Nanos cpuAtEnd) {
    const WireMeter& m = port.meter;
    state.counters["passes/s"] = m.passesPerSecond();
    state.counters["lit_share"] = m.litShare();
    state.counters["ratio_p95"] = m.ratio(0.95);
    state.counters["ratio_worst"] = m.ratio(1.0);
    state.counters["row_max_ms"] = m.longestRowMs();
    state.counters["row_p50_us"] = m.rowLitUs(0.5);
    state.counters["row_p999_us"] = m.rowLitUs(0.999);
    state.counters["gap_max_ms"] = m.longestGapMs();
    state.counters["stalls"] = m.stalls();
    state.counters["cpu_%"] =
        100.0 * double(cpuAtEnd - port.writerCpuAtStart) / (m.seconds() * double(Second));
    state.counters["flashes/s"] = m.flashesPerSecond();
    double lastColumnLit = 0;
    for (std::size_t led = 15; led < 256; led += 16)
        lastColumnLit += m.ledLit()[led] / 16;
    state.counters["light_%"] = 100.0 * 16 * lastColumnLit / (m.seconds() * double(Second));
}

// The loop as it ran inside Command19_Click on the window's thread, spinning
// through the row pauses, with no dark time: the light to match.
void BM_WindowThread(benchmark::State& state) {
    Stress stress(state.range(0) != 0);
    state.SetLabel(stress.label());
    for (auto _ : state) {
        StampPort port(1000);
        FakeDialog dialog;
        SteadyClock clock;
        FakeInstanceCheck instance;
        std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
        Editor editor(
            {port, dialog, clock, instance, *timer, {}, {}, [](const Message&) {}, [] {}});
        editor.Form_Load();
        std::ranges::fill(editor.animation().bytes(), std::uint8_t{1});
        editor.Chitmat();
        Nanos cpuAtEnd = 0, start = 0;
        port.afterWrite = [&] {
            const Nanos now = monotonicNow();
            start = start == 0 ? now : start;
            if (editor.outputModes().lptOn() && now - start > RunFor) {
                cpuAtEnd = cpuTime(port.writerCpu);
                editor.Command19_Click();
            }
        };
        editor.Command19_Click();
        port.afterWrite = {};
        report(state, port, cpuAtEnd);
    }
}

struct EngineRun {
    bool realtime = true;
    bool busy = false;
    int brightness = 100;
    Nanos writeCost = 1000;
    Nanos runFor = RunFor;
    int greyPlanes = 0; // an all-lit frame when 0, else a grey ramp
    Clock::Duration leastHold{};
};

// Column k of the ramp at level k of the 16.
MatrixOutput::LevelFrame greyRamp() {
    MatrixOutput::LevelFrame ramp;
    for (std::size_t led = 0; led < ramp.size(); ++led)
        ramp[led] = std::uint8_t(led % 16);
    return ramp;
}

void reportGrey(benchmark::State& state, const StampPort& port, int planes) {
    std::array<double, 16> byLevel{};
    for (std::size_t led = 0; led < 256; ++led)
        byLevel[led % 16] += port.meter.ledLit()[led] / 16;
    const double cycles = port.meter.flashesPerSecond();
    state.counters["cycles/s"] = cycles;
    state.counters["top_us"] = byLevel[15] / 1000 / (cycles * port.meter.seconds());
    const int top = (1 << planes) - 1;
    for (int level = 1; level < 16; ++level) {
        const double target = byLevel[15] * RefreshEngine::shownLevel(level, planes) / top;
        state.counters["L" + std::to_string(level) + "_%"] =
            100.0 * byLevel[std::size_t(level)] / target;
    }
}

void runEngine(benchmark::State& state, const EngineRun& run) {
    Stress stress(run.busy);
    state.SetLabel(stress.label());
    for (auto _ : state) {
        StampPort port(run.writeCost);
        SleepingTiming timing;
        RefreshEngine::Options options;
        options.realtime = run.realtime;
        options.brightness = run.brightness;
        options.greyPlanes = std::max(run.greyPlanes, 1);
        options.leastHold = run.leastHold;
        RefreshEngine engine(port, timing, options);
        if (run.realtime && !engine.realtimeNote().empty()) {
            state.SkipWithError(engine.realtimeNote().c_str());
            return;
        }
        if (!engine.memoryNote().empty())
            state.SetLabel(std::string(stress.label()) + "; " + engine.memoryNote());
        if (run.greyPlanes > 0) {
            engine.showLevels(greyRamp());
        } else {
            MatrixOutput::Frame lit;
            lit.fill(0xFF);
            engine.show(lit);
        }
        double stolenBefore = 0;
        engine.refresh(true, [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            stolenBefore = stolenMs(port.writerCpuIndex);
            std::this_thread::sleep_for(std::chrono::nanoseconds(run.runFor));
        });
        const Nanos cpuAtEnd = cpuTime(port.writerCpu);
        state.counters["stolen_ms"] = stolenMs(port.writerCpuIndex) - stolenBefore;
        engine.stop();
        engine.close();
        report(state, port, cpuAtEnd);
        if (run.greyPlanes > 0)
            reportGrey(state, port, run.greyPlanes);
    }
}

// Argument: 0 quiet, 1 every core busy.
void BM_RefreshThreadNormal(benchmark::State& state) {
    runEngine(state, {.realtime = false, .busy = state.range(0) != 0});
}

// Arguments: quiet or busy, and the brightness in percent.
void BM_RefreshThreadFifo(benchmark::State& state) {
    runEngine(state, {.busy = state.range(0) != 0, .brightness = int(state.range(1))});
}

// Argument: nanoseconds a write takes.
void BM_WriteCost(benchmark::State& state) {
    runEngine(state, {.writeCost = state.range(0)});
}

// A minute with every core busy: stalls counts the kernel's throttling.
void BM_RefreshThreadFifoMinuteBusy(benchmark::State& state) {
    runEngine(state, {.busy = true, .runFor = LongRun});
}

// Arguments: bit planes, the least plane's hold in µs (0: the row pause),
// quiet or busy.
void BM_GreyRamp(benchmark::State& state) {
    runEngine(state, {.busy = state.range(2) != 0,
                      .greyPlanes = int(state.range(0)),
                      .leastHold = std::chrono::microseconds(state.range(1))});
}

// Arguments: bit planes of a grey ramp (0: an all-lit frame), brightness in percent.
void BM_Dimmed(benchmark::State& state) {
    const int planes = int(state.range(0));
    runEngine(state,
              {.brightness = int(state.range(1)),
               .greyPlanes = planes,
               .leastHold = planes == 4 ? std::chrono::microseconds(17) : Clock::Duration{}});
}

// What the machine itself does to a real-time thread: one that only reads the
// clock, and sleeps 100 µs of every ms (far more than the refresh thread), with
// no port and no engine. Its gaps of 1 ms and of 5 ms or more are stalls no
// program can avoid; on a virtual machine they are the host's, even where
// /proc/stat shows no steal. Arguments: quiet or busy, seconds.
void BM_BareClockReader(benchmark::State& state) {
    Stress stress(state.range(0) != 0);
    state.SetLabel(stress.label());
    for (auto _ : state) {
        Nanos longest = 0;
        int overMs = 0, stalls = 0;
        std::thread reader([&] {
            sched_param param{};
            param.sched_priority = Realtime::Priority;
            if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
                return;
            const Nanos end = monotonicNow() + state.range(1) * Second;
            Nanos last = monotonicNow(), sleepAt = last + 1'000'000;
            while (last < end) {
                const Nanos now = monotonicNow();
                longest = std::max(longest, now - last);
                overMs += now - last >= 1'000'000 ? 1 : 0;
                stalls += now - last >= StallAt ? 1 : 0;
                last = now;
                if (now >= sleepAt) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    last = monotonicNow();
                    sleepAt = last + 1'000'000;
                }
            }
        });
        reader.join();
        state.counters["gap_max_ms"] = double(longest) / 1e6;
        state.counters["gaps_1ms"] = overMs;
        state.counters["stalls"] = stalls;
    }
}

} // namespace

BENCHMARK(BM_BareClockReader)
    ->Args({0, 3})
    ->Args({1, 3})
    ->Args({1, 60})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_WindowThread)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_RefreshThreadNormal)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_RefreshThreadFifo)
    ->Args({0, 100})
    ->Args({1, 100})
    ->Args({0, 50})
    ->Args({1, 50})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_WriteCost)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_GreyRamp)
    ->Args({3, 0, 0})
    ->Args({3, 0, 1})
    ->Args({4, 15, 0})
    ->Args({4, 15, 1})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_Dimmed)
    ->ArgsProduct({{0, 3, 4}, {100, 50, 20, 5}})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_RefreshThreadFifoMinuteBusy)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
