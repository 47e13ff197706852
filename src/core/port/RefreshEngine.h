#pragma once

#include "port/Clock.h"
#include "port/MatrixOutput.h"
#include "port/PortSequences.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// How the refresh waits: the time now, and a wait until a deadline on the same
// clock. Tests substitute a timing that only moves a counter on.
class RefreshTiming {
public:
    virtual ~RefreshTiming() = default;
    virtual Clock::Duration now() = 0;
    virtual void waitUntil(Clock::Duration deadline) = 0;
};

// Sleeps on the monotonic clock. The row pause only has a lower bound, and a
// sleep that ends a few tens of microseconds late (more without real time) is
// the same for every row, so the rows stay even while the thread leaves the CPU
// for most of each pass and the kernel's real-time throttle never stops it.
class SleepingTiming final : public RefreshTiming {
public:
    Clock::Duration now() override;
    void waitUntil(Clock::Duration deadline) override;
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
// On its own thread (the program) the passes go on whatever the window does;
// on the caller's thread (the tests, the comparison benchmark) each turn of the
// editor's loop sends one pass.
class RefreshEngine final : public MatrixOutput {
public:
    enum class Runs { OnOwnThread, OnCallerThread };
    struct Options {
        Runs runs = Runs::OnOwnThread;
        bool realtime = true;
        int limitHz = 0; // at most this many passes a second; 0 for no limit
        Clock::Duration rowPause = Clock::atLeast(PortSequences::RowPause);
    };

    RefreshEngine(PortIo& port, RefreshTiming& timing, Options options);
    ~RefreshEngine() override;
    RefreshEngine(const RefreshEngine&) = delete;
    RefreshEngine& operator=(const RefreshEngine&) = delete;

    // Why the refresh thread runs at the normal policy; empty when it runs in
    // real time or was asked not to.
    const std::string& realtimeNote() const { return realtimeNote_; }
    void setRowPause(Clock::Duration pause) { rowPause_ = pause; }

    void show(const Frame& frame) override;
    void darken() override;
    void refresh(bool on, const std::function<void()>& waitForEvents) override;
    void stop() override;
    void close() override;
    Rate rate() const override;

private:
    void runThread();
    void startThread();
    void runPass();
    void paceAfterPass(Clock::Duration passStart);
    void writeNulregs(int count);
    void countPass(Clock::Duration now);
    void resetRate();

    PortIo& port_;
    RefreshTiming& timing_;
    const Options options_;
    Clock::Duration rowPause_;
    std::string realtimeNote_;
    // Row r from the top, its left half in the low byte; each row read whole.
    std::array<std::atomic<std::uint16_t>, PortSequences::RowsPerPass> rows_{};

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
