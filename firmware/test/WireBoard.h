#pragma once

// The matrix board on the far end of the cable, driven by connector levels:
//  - a row counter clocked by rising edges of pin 17 and reset to 0 when pin 16
//    rises; count k selects screen row 15 - k mod 16;
//  - a latch for columns 0..7 loaded from the data lines on a rising edge of
//    pin 1, one for columns 8..15 on a rising edge of pin 14.
// A row counts as shown once both latches have been loaded after it was
// selected, and stays lit with that content until a latch is loaded again or
// another row is selected; each such stretch is kept with its cycles.

#include "SimulatedBridge.h"

#include <array>
#include <cstdint>
#include <vector>

class WireBoard {
public:
    struct Lit {
        std::uint64_t from, to; // `to` is 0 while the row is still lit
        int screenRow;
        std::uint16_t bits; // column k in bit k
    };

    explicit WireBoard(std::uint16_t levels = 0) : levels_(levels) {}

    void feed(const PinEvent& e) {
        const std::uint16_t before = levels_;
        levels_ = e.levels;
        const auto rose = [&](std::uint16_t line) { return !(before & line) && (levels_ & line); };
        const std::uint8_t data = static_cast<std::uint8_t>(levels_ & Line::DataMask);
        if (rose(Line::Init))
            select(0, e.cycle);
        if (rose(Line::SelectIn))
            select((counter_ + 1) % 16, e.cycle);
        if (rose(Line::Strobe)) {
            endLit(e.cycle);
            low_ = data;
            lowLoaded_ = true;
        }
        if (rose(Line::AutoFeed)) {
            endLit(e.cycle);
            high_ = data;
            highLoaded_ = true;
        }
        if (!shown_ && lowLoaded_ && highLoaded_) {
            shown_ = true;
            rows_[static_cast<std::size_t>(selectedScreenRow())] = latched();
            lit_.push_back({e.cycle, 0, selectedScreenRow(), latched()});
            litOpen_ = true;
        }
    }

    void feed(const std::vector<PinEvent>& events, std::size_t from = 0) {
        for (std::size_t i = from; i < events.size(); ++i)
            feed(events[i]);
    }

    const std::array<std::uint16_t, 16>& rows() const { return rows_; }
    const std::vector<Lit>& lit() const { return lit_; }
    int selectedScreenRow() const { return 15 - counter_; }
    // What the selected row shows right now; 0 when the board is dark.
    std::uint16_t latched() const { return static_cast<std::uint16_t>(low_ | (high_ << 8)); }
    std::uint16_t levels() const { return levels_; }

private:
    void select(int counter, std::uint64_t cycle) {
        endLit(cycle);
        counter_ = counter;
        lowLoaded_ = highLoaded_ = shown_ = false;
    }
    void endLit(std::uint64_t cycle) {
        if (litOpen_)
            lit_.back().to = cycle;
        litOpen_ = false;
    }

    std::uint16_t levels_;
    std::uint8_t low_ = 0, high_ = 0;
    int counter_ = 0;
    bool lowLoaded_ = false, highLoaded_ = false, shown_ = true, litOpen_ = false;
    std::array<std::uint16_t, 16> rows_{};
    std::vector<Lit> lit_;
};
