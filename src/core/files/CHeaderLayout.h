#pragma once

#include <QString>
#include <optional>

// How a C header export lays the frames out for a microcontroller. Plain values,
// so that the command line can read them and the pictures library write them.
struct CHeaderLayout {
    // Which LED of a row (or a column) the least significant bit stands for.
    enum class BitOrder {
        LsbFirst, // one uint16_t per row or column; bit k is LED k from the left (the top)
        MsbFirst, // two bytes per row or column; bit 7 of the first is the leftmost (top) LED,
                  // as Adafruit GFX drawBitmap and MAX7219 8 x 8 modules read them
    };
    enum class Scan {
        Rows,    // row by row from the top
        Columns, // column by column from the left
    };

    BitOrder bitOrder = BitOrder::LsbFirst;
    Scan scan = Scan::Rows;
    bool progmem = false; // the tables in AVR program memory (PROGMEM)
    bool delays = false;  // a table of each frame's delay in milliseconds

    // The words the command line takes for them: lsb-first, msb-first; rows, columns.
    static std::optional<BitOrder> bitOrderNamed(const QString& name) {
        if (name == QLatin1String("lsb-first"))
            return BitOrder::LsbFirst;
        if (name == QLatin1String("msb-first"))
            return BitOrder::MsbFirst;
        return std::nullopt;
    }
    static std::optional<Scan> scanNamed(const QString& name) {
        if (name == QLatin1String("rows"))
            return Scan::Rows;
        if (name == QLatin1String("columns"))
            return Scan::Columns;
        return std::nullopt;
    }
};
