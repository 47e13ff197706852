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

    // How an animation with grey levels (0 dark .. 15 full light) is laid out; one
    // without them has the on/off layout whichever is chosen.
    enum class Levels {
        Planes, // four bit planes a frame, plane p holding bit p of each level (weight
                // 2^p), each plane in the bit order and scan of an on/off frame
        Bytes,  // one byte a LED holding its level, in the order of the scan
    };

    BitOrder bitOrder = BitOrder::LsbFirst;
    Scan scan = Scan::Rows;
    bool progmem = false; // the tables in AVR program memory (PROGMEM)
    bool delays = false;  // a table of each frame's delay in milliseconds
    Levels levels = Levels::Planes;

    // The words the command line takes for them: lsb-first, msb-first; rows, columns;
    // planes, bytes.
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
    static std::optional<Levels> levelsNamed(const QString& name) {
        if (name == QLatin1String("planes"))
            return Levels::Planes;
        if (name == QLatin1String("bytes"))
            return Levels::Bytes;
        return std::nullopt;
    }
};
