#pragma once

#include "port/Clock.h"
#include "port/MatrixOutput.h"
#include "port/PortSequences.h"
#include "port/Realtime.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// How the refresh waits: the time now, and a wait until a deadline on the same
// clock, either giving up the CPU or keeping it. Tests substitute a timing that
// only moves a counter on.
class RefreshTiming {
public:
    virtual ~RefreshTiming() = default;
    virtual Clock::Duration now() = 0;
    virtual void waitUntil(Clock::Duration deadline) = 0;
    virtual void spinUntil(Clock::Duration deadline) { waitUntil(deadline); }
    // The CPU time the calling thread has used, as the kernel charges it.
    virtual Clock::Duration threadCpu() { return now(); }
};

// Sleeps on the monotonic clock, or reads it until the deadline.
class SleepingTiming final : public RefreshTiming {
public:
    Clock::Duration now() override;
    void waitUntil(Clock::Duration deadline) override;
    void spinUntil(Clock::Duration deadline) override;
    Clock::Duration threadCpu() override;
};

// Reads a Clock until the deadline has come, as the loop on the window's thread
// always did.
class SpinningTiming final : public RefreshTiming {
public:
    explicit SpinningTiming(Clock& clock) : clock_(clock) {}
    Clock::Duration now() override { return clock_.now(); }
    void waitUntil(Clock::Duration deadline) override {
        while (clock_.now() < deadline) {
        }
    }

private:
    Clock& clock_;
};

// Multiplexes the frame it was given onto a board behind the port's registers,
// pass after pass: a Nulreg, then the 16 rows from the bottom up, each row's
// thirteen writes with the row pause before the last. Darkening asked for
// while a pass runs goes out after it.
//
// A frame of grey levels goes out by binary code modulation: its levels,
// brought to the 2^greyPlanes levels shown, are cut into bit planes, and each
// plane is a pass of the same form whose rows are held in proportion to the
// plane's weight: the least plane for the row pause (or `leastHold`), each
// next one twice as long, counting the writes a row stays lit through, so that
// the time an LED is lit is its level times that of level 1. With 3 planes (8
// levels) and the 40 µs row pause a cycle of planes runs about 160 times a
// second at 1 µs a write. 16 levels at 150 cycles a second need a least hold
// of about 15 µs (17 µs gives 153, measured on the wire), which measured in a
// virtual machine left level 1 up to 30 % too bright, so 8 levels are the
// default and 16 a choice. The rate counts the planes as passes, those a plane
// sits out dimmed included.
//
// On its own thread (the program) the passes go on whatever the window does;
// on the caller's thread (the tests, the comparison benchmark) each turn of the
// editor's loop sends one pass.
//
// How the thread waits was measured (bench_refresh_engine): a sleep under
// SCHED_FIFO mostly ends 20 µs late, but one in a thousand ends 0.3 to 4 ms
// late, and a row held that long is a visible flash; a thread that reads the
// clock is not interrupted at all, but one that never sleeps is stopped by the
// kernel's real-time throttle once it has run its share of a period (95 % of
// each second by default). So under real time the rows are held by reading the
// clock, and the thread sleeps dark, after a Nulreg between two passes, for as
// much of the time as the kernel's share leaves plus a margin, counted on the
// thread's own CPU clock as the throttle counts it: a costly sleep or a late
// wake-up is paid for by the dark pauses after it. At the normal policy, where
// the scheduler may take the CPU away in any row, sleeping through the row
// pause keeps the rows far more even than reading the clock, so the rows sleep.
//
// The brightness shortens the rows' holds, so that each row is lit
// `brightness` percent of its time at full brightness, the writes' own lit
// time counted in; the time saved is spent dark after the pass, so that passes
// and cycles of planes keep the rate of full brightness. A plane whose rows
// would be lit for less than the writes alone light them is left out of some
// cycles and lit longer in the others, so that its light stays right on
// average: at 5 % and 1 µs a write, the planes of levels 1 and 2 come every
// other cycle or so, and the others every cycle. Dimmed rows are held by
// reading the clock at the normal policy too: a sleep that short ends late.
class RefreshEngine final : public MatrixOutput {
public:
    enum class Runs { OnOwnThread, OnCallerThread };
    static constexpr int DefaultGreyPlanes = 3;
    static constexpr int MostGreyPlanes = 4;
    // With 16 levels the cycle of planes keeps about the rate of 8 levels.
    static constexpr Clock::Duration SixteenLevelLeastHold = std::chrono::microseconds(17);
    struct Options {
        Runs runs = Runs::OnOwnThread;
        bool realtime = true;
        Realtime::Broker realtimeBroker; // asked when the kernel refuses real time
        int limitHz = 0;                 // at most this many passes a second; 0 for no limit
        Clock::Duration rowPause = Clock::atLeast(PortSequences::RowPause);
        bool paceAsRealtime = false; // for tests: wait as under real time without it
        // The share of each second a real-time thread may run; the kernel's
        // when negative.
        double realtimeShare = -1;
        int brightness = MaxBrightness;     // percent
        int greyPlanes = DefaultGreyPlanes; // 1 .. MostGreyPlanes: 2^greyPlanes levels shown
        // A row of the least plane; when 0, the row pause with up to 3 planes,
        // SixteenLevelLeastHold with 4.
        Clock::Duration leastHold{};
        // For tests: starts the refresh thread in place of std::thread.
        std::function<std::thread(std::function<void()>)> startThread;
    };

    RefreshEngine(PortIo& port, RefreshTiming& timing, Options options);
    ~RefreshEngine() override;
    RefreshEngine(const RefreshEngine&) = delete;
    RefreshEngine& operator=(const RefreshEngine&) = delete;

    // Why the refresh thread runs at the normal policy; empty when it runs in
    // real time or was asked not to.
    const std::string& realtimeNote() const { return realtimeNote_; }
    // Why the process's memory is not locked under real time; empty when it
    // is, or when the thread does not run in real time.
    const std::string& memoryNote() const { return memoryNote_; }
    // Why the refresh thread could not start, in one line; empty when it runs.
    // An engine whose thread did not start sends nothing: it is closed.
    const std::string& startFailure() const { return startFailure_; }
    void setRowPause(Clock::Duration pause) { rowPause_ = pause; }

    void show(const Frame& frame) override;
    void showLevels(const LevelFrame& levels) override;
    // The level of the 2^greyPlanes shown for `level` of 0 .. MaxLevel: the
    // nearest, but never dark for a level above 0.
    static int shownLevel(int level, int greyPlanes);
    // From the next frame of levels on (the last one is shown again so); 1 ..
    // MostGreyPlanes bit planes.
    void setGreyPlanes(int planes) override;
    void darken() override;
    void refresh(bool on, const std::function<void()>& waitForEvents) override;
    void stop() override;
    void close() override;
    Rate rate() const override;
    int brightness() const { return brightness_; }
    // From the next pass on; clamped to MinBrightness .. MaxBrightness.
    void setBrightness(int percent) override;

private:
    void runThread();
    void startThread();
    static Options withGreyPlanesBounded(Options options);
    int nextPlane();
    void runPass(int plane, Clock::Duration hold);
    // A pass of `plane` at the brightness: its rows' hold, or none when the
    // plane sits this cycle out; and how much shorter than at full brightness
    // the pass is.
    struct DimmedPass {
        std::optional<Clock::Duration> hold;
        Clock::Duration saved{};
    };
    DimmedPass dimmedPass(int plane);
    Clock::Duration fullHold(int plane, bool grey) const;
    using RowTimes = std::array<Clock::Duration, PortSequences::RowsPerPass>;
    struct RowTiming {
        Clock::Duration writes{};  // before the hold
        Clock::Duration holdEnd{}; // when the clock said the hold was over
        Clock::Duration overrun{}; // how long past its deadline that was
    };
    RowTiming sendRow(std::uint16_t bits, Clock::Duration hold, Clock::Duration rowStart);
    static Clock::Duration median(RowTimes times);
    Clock::Duration planeHold(int plane) const;
    Clock::Duration leastHold() const;
    void paceAfterPass(Clock::Duration passStart, bool dark, Clock::Duration saved);
    Clock::Duration owedDark(Clock::Duration passStart, Clock::Duration now, Clock::Duration saved);
    void writeNulregs(int count);
    static Clock::Duration payBack(Clock::Duration& litLate, Clock::Duration hold);
    void countPass(Clock::Duration now);
    void resetRate();

    PortIo& port_;
    RefreshTiming& timing_;
    const Options options_;
    Clock::Duration rowPause_;
    bool spinRows_ = false;
    bool spinPass_ = false; // the rows of the pass under way: spinRows_, or dimmed
    // The passes' share of the time at full brightness; under real time also
    // the most of its time the thread may use the CPU: the kernel's share less
    // a margin for the other real-time threads and the interrupts it is
    // charged for.
    double fullShare_ = 1.0;
    bool cpuLimited_ = false;
    static constexpr double DarkMargin = 0.01;
    // Dark time owed for the brightness and for the CPU, less what late
    // wake-ups paid in advance, since the end of the last pass.
    Clock::Duration lightDebt_{}, cpuDebt_{};
    Clock::Duration markWall_{}, markCpu_{};
    static constexpr Clock::Duration MostDarkCredit = std::chrono::milliseconds(2);
    // A longer sleep lets a virtual machine's host take the CPU away from it:
    // measured in a KVM guest at half brightness, sleeps of 1 ms ended up to
    // 24 ms late and rows stayed lit up to 5 ms, sleeps of at most 200 µs
    // ended at most 4 ms late and no row stayed lit 0.3 ms.
    static constexpr Clock::Duration LongestSleep = std::chrono::microseconds(200);
    std::atomic<int> brightness_;
    // The most a row pays back after stalls: at 40 µs a pass it is dimmed for
    // about 50 passes. Paying back more of a longer stall (the host of a
    // virtual machine, measured up to 13 ms) dimmed the row so long that it
    // looked as uneven as the stall itself.
    static constexpr Clock::Duration MostLitLate = std::chrono::milliseconds(2);
    // Less than this past a deadline is the jitter of any row (an interrupt, a
    // virtual machine's exit), evened out over a few passes.
    static constexpr Clock::Duration LeastStall = std::chrono::microseconds(5);
    std::array<RowTimes, MostGreyPlanes> litLate_{}; // by bit plane; plane 0 for on and off
    std::string realtimeNote_;
    std::string memoryNote_;
    std::string startFailure_;
    // Row r from the top, its left half in the low byte; each row read whole.
    std::array<std::atomic<std::uint16_t>, PortSequences::RowsPerPass> rows_{};
    // The grey frame's bit planes, the same way; used while grey_ is set.
    std::array<std::array<std::atomic<std::uint16_t>, PortSequences::RowsPerPass>, MostGreyPlanes>
        planes_{};
    std::atomic<bool> grey_{false};
    std::atomic<int> greyPlanes_;
    LevelFrame levels_{}; // the last frame of levels, on the caller's thread
    int plane_ = 0;       // the next plane sent
    // Light owed to each plane's rows by the cycles it sat out; the time the
    // last pass took but for its holds.
    std::array<Clock::Duration, MostGreyPlanes> litOwed_{};
    Clock::Duration passWrites_{};
    // How long a row stays lit besides its hold: 6 write times from the load
    // of its left half to the first write of the next row, 5 from the load of
    // its right half to the third. Counted as 3.5 of the 12 writes before the
    // hold (from the loads on, and the next row's first writes), one more for
    // the write after it, and what the hold and the next row's start took
    // beyond the deadline, the clock's reads and the bookkeeping, measured as
    // they happened: a typical row of the last pass.
    static constexpr int LitWriteHalves = 9; // with the write after the hold
    static constexpr int WriteHalvesBeforeHold = 24;
    Clock::Duration litWrites_{};

    std::mutex mutex_;
    std::condition_variable wake_;
    bool on_ = false;      // passes go out
    int pendingDarks_ = 0; // Nulregs waiting for the end of the pass
    bool quit_ = false;    // the thread ends once they are out
    bool inPass_ = false;  // on the caller's thread: a pass is being sent
    bool closed_ = false;
    bool started_ = false;
    bool restartRate_ = false;
    std::thread thread_;

    // Rate, counted on the refreshing thread over one-second windows.
    Clock::Duration windowStart_{};
    int windowPasses_ = 0;
    std::atomic<double> current_{0}, lowest_{0};
};
