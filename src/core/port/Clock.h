#pragma once

#include <chrono>

// The monotonic clock the port pauses wait on; tests substitute their own.
class Clock {
public:
    using Duration = std::chrono::nanoseconds;
    virtual ~Clock() = default;
    virtual Duration now() = 0;

    // At least `seconds`, in the clock's units.
    static Duration atLeast(double seconds) {
        return std::chrono::ceil<Duration>(std::chrono::duration<double>(seconds));
    }
};

class SteadyClock final : public Clock {
public:
    Duration now() override {
        return std::chrono::duration_cast<Duration>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};
