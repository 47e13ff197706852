#include "port/RefreshEngine.h"

#include "port/Realtime.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <system_error>
#include <utility>

namespace {

Clock::Duration readClock(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

Clock::Duration SleepingTiming::now() {
    return readClock(CLOCK_MONOTONIC);
}

Clock::Duration SleepingTiming::threadCpu() {
    return readClock(CLOCK_THREAD_CPUTIME_ID);
}

void SleepingTiming::spinUntil(Clock::Duration deadline) {
    while (now() < deadline) {
    }
}

void SleepingTiming::waitUntil(Clock::Duration deadline) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(deadline);
    const timespec until{static_cast<time_t>(seconds.count()),
                         static_cast<long>((deadline - seconds).count())};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

RefreshEngine::RefreshEngine(PortIo& port, RefreshTiming& timing, Options options)
    : port_(port), timing_(timing), options_(withGreyPlanesBounded(options)),
      rowPause_(options.rowPause), greyPlanes_(options_.greyPlanes) {
    setBrightness(options.brightness);
    if (options_.runs == Runs::OnOwnThread)
        startThread();
}

RefreshEngine::Options RefreshEngine::withGreyPlanesBounded(Options options) {
    options.greyPlanes = std::clamp(options.greyPlanes, 1, MostGreyPlanes);
    return options;
}

RefreshEngine::~RefreshEngine() {
    close();
}

// Waits until the thread has tried for real time, so that the note is ready.
// A thread the system refuses (too many processes, no memory for its stack)
// leaves the engine closed, with the reason.
void RefreshEngine::startThread() {
    std::unique_lock lock(mutex_);
    const auto body = [this] { runThread(); };
    try {
        thread_ = options_.startThread ? options_.startThread(body) : std::thread(body);
    } catch (const std::system_error& e) {
        startFailure_ = "cannot start the refresh thread (" + e.code().message() + ")";
        closed_ = true;
        return;
    }
    wake_.wait(lock, [this] { return started_; });
}

void RefreshEngine::runThread() {
    Realtime::tightenTimerSlack();
    std::string note =
        options_.realtime ? Realtime::raiseCallingThread(options_.realtimeBroker) : std::string();
    const bool realtime = options_.realtime && note.empty();
    if (options_.paceAsRealtime || realtime) {
        spinRows_ = true;
        const double share =
            options_.realtimeShare >= 0 ? options_.realtimeShare : Realtime::runtimeShare();
        fullShare_ = std::clamp(share - DarkMargin, 0.1, 1.0);
        cpuLimited_ = true;
    }
    markWall_ = timing_.now();
    markCpu_ = timing_.threadCpu();
    std::string memoryNote = realtime ? Realtime::lockMemory() : std::string();
    std::unique_lock lock(mutex_);
    realtimeNote_ = std::move(note);
    memoryNote_ = std::move(memoryNote);
    started_ = true;
    wake_.notify_all();
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || on_ || pendingDarks_ > 0; });
        const int darks = std::exchange(pendingDarks_, 0);
        const bool pass = on_ && !quit_;
        if (darks == 0 && !pass)
            return;
        if (std::exchange(restartRate_, false))
            windowPasses_ = 0;
        lock.unlock();
        writeNulregs(darks);
        if (pass) {
            const Clock::Duration start = timing_.now();
            const int plane = nextPlane();
            const DimmedPass dimmed = dimmedPass(plane);
            if (dimmed.hold) {
                // A dimmed row's short hold is read off the clock at any
                // policy: a sleep that short ends tens of µs late.
                spinPass_ = spinRows_ || dimmed.saved > Clock::Duration{};
                runPass(plane, *dimmed.hold);
                passWrites_ = timing_.now() - start - PortSequences::RowsPerPass * *dimmed.hold;
                // Under real time the last row goes dark as soon as the others
                // do, not after the bookkeeping between passes (measured: 5 %
                // brighter than the others without this).
                if (spinRows_)
                    writeNulregs(1);
            }
            countPass(timing_.now());
            paceAfterPass(start, spinRows_, dimmed.saved);
        }
        lock.lock();
    }
}

// The frame of on and off light, or the next bit plane of the grey frame.
int RefreshEngine::nextPlane() {
    if (!grey_.load(std::memory_order_acquire))
        return plane_ = 0;
    const int planes = greyPlanes_.load(std::memory_order_relaxed);
    const int plane = plane_ < planes ? plane_ : 0;
    plane_ = (plane + 1) % planes;
    return plane;
}

Clock::Duration RefreshEngine::fullHold(int plane, bool grey) const {
    return grey ? planeHold(plane) : rowPause_;
}

// Each row is lit for its share of the light of full
// brightness: its hold and what its writes light it for (`litWrites_`). A
// plane owed less light than its writes give saves it up over the cycles it
// sits out, then is lit for all of it.
RefreshEngine::DimmedPass RefreshEngine::dimmedPass(int plane) {
    const Clock::Duration full = fullHold(plane, grey_.load(std::memory_order_acquire));
    const int percent = brightness_.load(std::memory_order_relaxed);
    if (percent >= MaxBrightness) {
        litOwed_.fill({});
        return {full, {}};
    }
    Clock::Duration& owed = litOwed_[static_cast<std::size_t>(plane)];
    owed += (full + litWrites_) * percent / MaxBrightness;
    if (owed < litWrites_)
        return {std::nullopt, passWrites_ + PortSequences::RowsPerPass * full};
    const Clock::Duration hold = std::min(owed - litWrites_, full);
    owed = {};
    return {hold, PortSequences::RowsPerPass * (full - hold)};
}

void RefreshEngine::runPass(int plane, Clock::Duration passHold) {
    PortSequences::nulreg(port_);
    RowTimes writes{}, afterHolds{};
    RowTimes& litLate = litLate_[static_cast<std::size_t>(plane)];
    Clock::Duration lastHoldEnd{};
    for (int row = 0; row < PortSequences::RowsPerPass; ++row) {
        const std::size_t screenRow =
            static_cast<std::size_t>(PortSequences::RowsPerPass - 1 - row);
        const bool grey = grey_.load(std::memory_order_acquire);
        const auto& rows = grey ? planes_[static_cast<std::size_t>(plane)] : rows_;
        const std::uint16_t bits = rows[screenRow].load(std::memory_order_relaxed);
        const Clock::Duration hold = payBack(litLate[screenRow], passHold);
        const Clock::Duration rowStart = spinPass_ ? timing_.now() : Clock::Duration{};
        if (row > 0)
            afterHolds[static_cast<std::size_t>(row - 1)] += rowStart - lastHoldEnd;
        const RowTiming timing = sendRow(bits, hold, rowStart);
        writes[static_cast<std::size_t>(row)] = timing.writes;
        afterHolds[static_cast<std::size_t>(row)] = timing.overrun;
        lastHoldEnd = timing.holdEnd;
        if (timing.overrun >= LeastStall)
            litLate[screenRow] = std::min(litLate[screenRow] + timing.overrun, MostLitLate);
    }
    // The last row's time after its hold is the pass's end, not a next row.
    afterHolds.back() = afterHolds.front();
    if (spinPass_)
        litWrites_ = median(writes) * LitWriteHalves / WriteHalvesBeforeHold + median(afterHolds);
}

// Holds the row for `hold` after its writes before the last; under real time
// says how long those writes took and when the hold ended.
RefreshEngine::RowTiming RefreshEngine::sendRow(std::uint16_t bits, Clock::Duration hold,
                                                Clock::Duration rowStart) {
    const PortSequences::RowBytes bytes{static_cast<std::uint8_t>(bits & 0xFF),
                                        static_cast<std::uint8_t>(bits >> 8)};
    RowTiming timing;
    const auto holdRow = [&](float) {
        const Clock::Duration holdStart = timing_.now();
        const Clock::Duration deadline = holdStart + hold;
        if (!spinPass_) {
            timing_.waitUntil(deadline);
            return;
        }
        timing.writes = holdStart - rowStart;
        timing_.spinUntil(deadline);
        timing.holdEnd = timing_.now();
        timing.overrun = timing.holdEnd - deadline;
    };
    PortSequences::sendRow(port_, bytes, holdRow);
    return timing;
}

// The middle one, so that a stall in a row or two does not count.
Clock::Duration RefreshEngine::median(RowTimes times) {
    const auto middle = times.begin() + times.size() / 2;
    std::nth_element(times.begin(), middle, times.end());
    return *middle;
}

// A row of plane p is lit for 2^p times what a row of plane 0 is, the writes
// it stays lit through counted in.
Clock::Duration RefreshEngine::planeHold(int plane) const {
    const int weight = 1 << plane;
    return weight * leastHold() + (weight - 1) * litWrites_;
}

Clock::Duration RefreshEngine::leastHold() const {
    if (options_.leastHold > Clock::Duration{})
        return options_.leastHold;
    return greyPlanes_.load(std::memory_order_relaxed) == MostGreyPlanes ? SixteenLevelLeastHold
                                                                         : rowPause_;
}

int RefreshEngine::shownLevel(int level, int greyPlanes) {
    const int top = (1 << greyPlanes) - 1;
    if (level <= 0)
        return 0;
    return std::max(1, (std::min(level, MaxLevel) * top + MaxLevel / 2) / MaxLevel);
}

// Under real time a row is only ever held much longer than asked when the
// system stopped the thread in it (measured in a virtual machine: 5 µs to a
// few ms, many times a second), and that row was lit longer than the others.
// It pays the time back in the passes that follow, held shorter by up to its
// whole hold each time, so the light stays even without holding up the others
// (which made the whole board stutter) or changing the rate. A stall in a bit
// plane of a grey frame is paid back in the same plane, so that each level
// keeps its share. Only the time past the row's deadline counts: its writes
// take as long as the port takes, however slow, and every row has as many.
Clock::Duration RefreshEngine::payBack(Clock::Duration& litLate, Clock::Duration hold) {
    const Clock::Duration paid = std::min(litLate, hold);
    litLate -= paid;
    return hold - paid;
}

// The board stays dark after a pass for the time owed, and with a limit until
// the pass's time slot is over, so that no row is held longer than the others.
void RefreshEngine::paceAfterPass(Clock::Duration passStart, bool dark, Clock::Duration saved) {
    const Clock::Duration now = timing_.now();
    Clock::Duration next = now + owedDark(passStart, now, saved);
    if (options_.limitHz > 0)
        next = std::max(next, passStart + Clock::atLeast(1.0 / options_.limitHz));
    if (next <= now)
        return;
    if (!dark)
        writeNulregs(1);
    for (Clock::Duration at = now; at < next; at = timing_.now())
        timing_.waitUntil(std::min(next, at + LongestSleep));
}

// The longer of the dark times that the brightness and, under real time, the
// kernel's share ask for, both measured over the time since the last pass
// ended: the passes' share of the time (a pass dimmed by shorter holds counted
// as long as at full brightness), and the CPU the thread used in it, the
// sleeps' own cost and a late wake-up counted in.
Clock::Duration RefreshEngine::owedDark(Clock::Duration passStart, Clock::Duration now,
                                        Clock::Duration saved) {
    const Clock::Duration cpu = timing_.threadCpu();
    const Clock::Duration wall = now - std::exchange(markWall_, now);
    const Clock::Duration used = cpu - std::exchange(markCpu_, cpu);
    const auto settle = [](Clock::Duration debt) { return std::max(debt, -MostDarkCredit); };
    const auto per = [](Clock::Duration time, double share) {
        return std::chrono::duration_cast<Clock::Duration>(time / share);
    };
    lightDebt_ = settle(lightDebt_ + per(now - passStart + saved, fullShare_) - wall);
    if (cpuLimited_)
        cpuDebt_ = settle(cpuDebt_ + per(used, fullShare_) - wall);
    return std::max({lightDebt_, cpuDebt_, Clock::Duration{}});
}

void RefreshEngine::setBrightness(int percent) {
    brightness_ = std::clamp(percent, MinBrightness, MaxBrightness);
}

void RefreshEngine::writeNulregs(int count) {
    for (int i = 0; i < count; ++i)
        PortSequences::nulreg(port_);
}

void RefreshEngine::countPass(Clock::Duration now) {
    if (windowPasses_++ == 0) {
        windowStart_ = now;
        return;
    }
    const std::chrono::duration<double> elapsed = now - windowStart_;
    if (elapsed.count() < 1.0)
        return;
    const double passes = (windowPasses_ - 1) / elapsed.count();
    const double lowest = lowest_.load();
    current_ = passes;
    lowest_ = lowest == 0 ? passes : std::min(lowest, passes);
    windowStart_ = now;
    windowPasses_ = 1;
}

void RefreshEngine::resetRate() {
    current_ = 0;
    lowest_ = 0;
}

MatrixOutput::Rate RefreshEngine::rate() const {
    return {current_.load(), lowest_.load()};
}

void RefreshEngine::show(const Frame& frame) {
    for (std::size_t row = 0; row < rows_.size(); ++row)
        rows_[row].store(static_cast<std::uint16_t>(frame[2 * row] | frame[2 * row + 1] << 8),
                         std::memory_order_relaxed);
    grey_.store(false, std::memory_order_release);
}

// A frame whose LEDs are all dark or at full light goes out as a frame of on
// and off light.
void RefreshEngine::showLevels(const LevelFrame& levels) {
    levels_ = levels;
    const int planes = greyPlanes_.load(std::memory_order_relaxed);
    const int top = (1 << planes) - 1;
    std::array<std::array<std::uint16_t, PortSequences::RowsPerPass>, MostGreyPlanes> bits{};
    bool onOff = true;
    for (std::size_t led = 0; led < levels.size(); ++led) {
        const int level = shownLevel(levels[led], planes);
        onOff = onOff && (level == 0 || level == top);
        for (std::size_t plane = 0; plane < bits.size(); ++plane)
            if ((level >> plane) & 1)
                bits[plane][led / 16] =
                    static_cast<std::uint16_t>(bits[plane][led / 16] | 1u << (led % 16));
    }
    if (onOff) {
        Frame frame{};
        for (std::size_t row = 0; row < bits[0].size(); ++row) {
            frame[2 * row] = static_cast<std::uint8_t>(bits[0][row] & 0xFF);
            frame[2 * row + 1] = static_cast<std::uint8_t>(bits[0][row] >> 8);
        }
        show(frame);
        return;
    }
    for (std::size_t plane = 0; plane < bits.size(); ++plane)
        for (std::size_t row = 0; row < bits[plane].size(); ++row)
            planes_[plane][row].store(bits[plane][row], std::memory_order_relaxed);
    grey_.store(true, std::memory_order_release);
}

void RefreshEngine::setGreyPlanes(int planes) {
    const int bounded = std::clamp(planes, 1, MostGreyPlanes);
    if (greyPlanes_.exchange(bounded) != bounded && grey_.load(std::memory_order_acquire))
        showLevels(levels_);
}

void RefreshEngine::darken() {
    std::unique_lock lock(mutex_);
    if (closed_)
        return;
    if (options_.runs == Runs::OnOwnThread || inPass_) {
        ++pendingDarks_;
        wake_.notify_all();
        return;
    }
    lock.unlock();
    PortSequences::nulreg(port_);
}

void RefreshEngine::refresh(bool on, const std::function<void()>& waitForEvents) {
    std::unique_lock lock(mutex_);
    if (closed_)
        return;
    if (options_.runs == Runs::OnOwnThread) {
        if (!on)
            return;
        if (!on_) {
            on_ = true;
            restartRate_ = true;
            resetRate();
            wake_.notify_all();
        }
        lock.unlock();
        waitForEvents();
        return;
    }
    inPass_ = true;
    lock.unlock();
    spinPass_ = spinRows_;
    const int plane = nextPlane();
    runPass(plane, fullHold(plane, grey_.load(std::memory_order_acquire)));
    lock.lock();
    inPass_ = false;
    writeNulregs(std::exchange(pendingDarks_, 0));
    closed_ = quit_;
}

void RefreshEngine::stop() {
    {
        std::lock_guard lock(mutex_);
        on_ = false;
        resetRate();
    }
    darken();
}

void RefreshEngine::close() {
    std::unique_lock lock(mutex_);
    if (closed_ || quit_)
        return;
    quit_ = true;
    // The pass under way may have started after the last Nulreg asked for.
    if (on_)
        ++pendingDarks_;
    wake_.notify_all();
    if (thread_.joinable()) {
        lock.unlock();
        thread_.join();
        lock.lock();
    }
    closed_ = !inPass_;
}
