#pragma once

#include "port/RecordingPort.h"

#include <array>
#include <cstdint>
#include <vector>

// A model of the matrix board on the far end of the cable, built from the pin
// levels that the port's registers give the connector:
//  - a row counter clocked by rising edges of pin 17 (Select In) and reset to 0
//    when pin 16 (Init) goes high; count k selects screen row 15 - k mod 16, so
//    after the fifteen pulses of the start-up sequence the next row clock
//    selects the bottom row;
//  - a latch for columns 0..7 loaded from the data lines on a rising edge of
//    pin 1 (Strobe), one for columns 8..15 on a rising edge of pin 14 (Auto Feed).
// The selected row always lights with what the latches hold. What the eye sees
// of a row is what the latches held once both had been loaded after the row was
// selected; reloading them before the next row clock (with zeros, to blank the
// row while the selection moves on) does not change that.
// Feed it every write from the port start-up sequence on. The tests check the
// wire against it, and "--port sim" draws what it decodes.
class MatrixDecoder {
public:
    void feed(const PortWrite& w) {
        if (w.reg == PortWrite::Register::Data) {
            data_ = w.value;
            return;
        }
        const Pins before = pins_;
        pins_ = pinsFor(w.value);
        if (!before.init && pins_.init)
            select(0);
        if (!before.selectIn && pins_.selectIn)
            select((counter_ + 1) % 16);
        if (!before.strobe && pins_.strobe) {
            low_ = data_;
            lowLoaded_ = true;
        }
        if (!before.autoFeed && pins_.autoFeed) {
            high_ = data_;
            highLoaded_ = true;
        }
        if (!shown_ && lowLoaded_ && highLoaded_) {
            rows_[static_cast<std::size_t>(selectedScreenRow())] = latched();
            shown_ = true;
            ++rowsShown_;
        }
    }

    void feed(const std::vector<PortWrite>& writes, std::size_t from = 0) {
        for (std::size_t i = from; i < writes.size(); ++i)
            feed(writes[i]);
    }

    // Bit k of a row is the LED in column k.
    const std::array<std::uint16_t, 16>& rows() const { return rows_; }
    bool lit(int cell) const {
        return (rows_[static_cast<std::size_t>(cell / 16)] >> (cell % 16)) & 1;
    }
    // The whole picture, one byte a cell, 1 where lit.
    std::vector<std::uint8_t> picture() const {
        std::vector<std::uint8_t> cells(256);
        for (int c = 0; c < 256; ++c)
            cells[static_cast<std::size_t>(c)] = lit(c) ? 1 : 0;
        return cells;
    }
    int rowsShown() const { return rowsShown_; }
    int selectedScreenRow() const { return 15 - counter_; }
    // The LEDs of the selected row that are lit at this moment; 0 when the
    // matrix is dark.
    std::uint16_t latched() const { return static_cast<std::uint16_t>(low_ | (high_ << 8)); }

private:
    struct Pins {
        bool strobe, autoFeed, init, selectIn;
    };
    // Bits 0, 1 and 3 of the control register are inverted at the connector.
    static Pins pinsFor(std::uint8_t control) {
        return {!(control & 1), !(control & 2), (control & 4) != 0, !(control & 8)};
    }
    void select(int counter) {
        counter_ = counter;
        lowLoaded_ = highLoaded_ = shown_ = false;
    }

    Pins pins_ = pinsFor(0);
    std::uint8_t data_ = 0, low_ = 0, high_ = 0;
    int counter_ = 0;
    bool lowLoaded_ = false, highLoaded_ = false, shown_ = true;
    int rowsShown_ = 0;
    std::array<std::uint16_t, 16> rows_{};
};
