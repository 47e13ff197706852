#pragma once

#include "port/MatrixDecoder.h"

#include <array>
#include <chrono>

// How long each LED of a multiplexed board was lit, from the write stream: the
// selected row shows what its latches hold from one write to the next. The
// brightness of an LED is its share of the time, with one row in sixteen (the
// most any LED of a multiplexed board gets) counting as full.
class LitTime {
public:
    using Clock = std::chrono::steady_clock;

    void feed(const PortWrite& write, Clock::time_point now) {
        accumulate(now);
        decoder_.feed(write);
    }

    // Brightness 0 .. 1 of every LED since the last call, then starts over.
    std::array<float, 256> takeBrightness(Clock::time_point now) {
        accumulate(now);
        std::array<float, 256> brightness{};
        const double total = std::chrono::duration<double>(now - since_).count();
        for (std::size_t i = 0; i < brightness.size(); ++i) {
            const double share = total > 0 ? lit_[i] / total * 16.0 : 0.0;
            brightness[i] = static_cast<float>(share > 1.0 ? 1.0 : share);
        }
        lit_.fill(0);
        since_ = now;
        return brightness;
    }

private:
    void accumulate(Clock::time_point now) {
        if (last_ == Clock::time_point{})
            last_ = since_ = now;
        const double seconds = std::chrono::duration<double>(now - last_).count();
        last_ = now;
        const std::uint16_t lit = decoder_.latched();
        if (lit == 0)
            return;
        const int row = decoder_.selectedScreenRow();
        for (int column = 0; column < 16; ++column)
            if ((lit >> column) & 1)
                lit_[static_cast<std::size_t>(row * 16 + column)] += seconds;
    }

    MatrixDecoder decoder_;
    std::array<double, 256> lit_{};
    Clock::time_point last_{}, since_{};
};
