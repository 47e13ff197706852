#include "pictures/CSourceExport.h"

#include "frames/FrameStore.h"

#include <QByteArrayList>

#include <algorithm>

namespace CSourceExport {
namespace {

using BitOrder = CHeaderLayout::BitOrder;
using Scan = CHeaderLayout::Scan;

constexpr int ValuesPerLine = 8;
constexpr int PlaneCount = 4; // levels 0..15 in bits 0..3

// What the frames table holds.
enum class Table { OnOff, Planes, Bytes };

Table tableFor(const ExportAnimation& animation, const CHeaderLayout& layout) {
    if (!animation.hasLevels)
        return Table::OnOff;
    return layout.levels == CHeaderLayout::Levels::Bytes ? Table::Bytes : Table::Planes;
}

bool bytesMsbFirst(const CHeaderLayout& layout) {
    return layout.bitOrder == BitOrder::MsbFirst;
}

QByteArray hexValue(std::uint16_t value, int digits) {
    return "0x" + QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

std::uint8_t reversedBits(std::uint8_t byte) {
    std::uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (byte & (1u << bit))
            reversed |= static_cast<std::uint8_t>(0x80u >> bit);
    return reversed;
}

int cellOf(Scan scan, int line, int k) {
    return scan == Scan::Rows ? line * FrameStore::Side + k : k * FrameStore::Side + line;
}

// The 16 LEDs of one line as a word, bit k set when `isSet` holds for LED k's byte.
template <typename IsSet>
std::uint16_t lineBits(std::span<const std::uint8_t> cells, Scan scan, int line, IsSet isSet) {
    std::uint16_t word = 0;
    for (int k = 0; k < FrameStore::Side; ++k)
        if (isSet(cells[cellOf(scan, line, k)]))
            word |= static_cast<std::uint16_t>(1u << k);
    return word;
}

// A frame (or a plane) as the layout's words or byte pairs.
template <typename IsSet>
std::vector<std::uint16_t> bitValues(std::span<const std::uint8_t> cells,
                                     const CHeaderLayout& layout, IsSet isSet) {
    std::vector<std::uint16_t> values;
    for (int line = 0; line < FrameStore::Side; ++line) {
        const std::uint16_t word = lineBits(cells, layout.scan, line, isSet);
        if (!bytesMsbFirst(layout)) {
            values.push_back(word);
            continue;
        }
        values.push_back(reversedBits(static_cast<std::uint8_t>(word & 0xFF)));
        values.push_back(reversedBits(static_cast<std::uint8_t>(word >> 8)));
    }
    return values;
}

// "{a, b, ...}", a new line starting every `perLine` items at `indent`.
QByteArray braced(const QByteArrayList& items, int perLine, const QByteArray& indent) {
    QByteArray text = "{";
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += i % perLine == 0 ? ",\n" + indent : QByteArray(", ");
        text += items[i];
    }
    return text + "}";
}

QByteArrayList hexValues(const std::vector<std::uint16_t>& values, const CHeaderLayout& layout) {
    const int digits = bytesMsbFirst(layout) ? 2 : 4;
    QByteArrayList items;
    for (std::uint16_t value : values)
        items << hexValue(value, digits);
    return items;
}

// Plane p of a frame is an on/off frame lit where bit p of the level is set.
QByteArray planesBody(std::span<const std::uint8_t> cells, const CHeaderLayout& layout) {
    QByteArrayList planes;
    for (int plane = 0; plane < PlaneCount; ++plane) {
        const auto inPlane = [plane](std::uint8_t cell) {
            return ((FrameStore::levelOf(cell) >> plane) & 1) != 0;
        };
        planes << braced(hexValues(bitValues(cells, layout, inPlane), layout), ValuesPerLine,
                         "      ");
    }
    return braced(planes, 1, "     ");
}

// A row (or a column) of levels a line.
QByteArray bytesBody(std::span<const std::uint8_t> cells, const CHeaderLayout& layout) {
    QByteArrayList levels;
    for (int line = 0; line < FrameStore::Side; ++line)
        for (int k = 0; k < FrameStore::Side; ++k)
            levels << QByteArray::number(FrameStore::levelOf(cells[cellOf(layout.scan, line, k)]))
                          .rightJustified(2, ' ');
    return braced(levels, FrameStore::Side, "     ");
}

QByteArray frameBody(std::span<const std::uint8_t> cells, const CHeaderLayout& layout,
                     Table table) {
    if (table == Table::Planes)
        return planesBody(cells, layout);
    if (table == Table::Bytes)
        return bytesBody(cells, layout);
    return braced(hexValues(frameValues(cells, layout), layout), ValuesPerLine, "     ");
}

QByteArray frameInitialiser(std::span<const std::uint8_t> cells, const CHeaderLayout& layout,
                            Table table, int frame, bool last) {
    return "    /* frame " + QByteArray::number(frame) + " */\n    " +
           frameBody(cells, layout, table) + (last ? "\n" : ",\n");
}

QByteArray onOffComment(const CHeaderLayout& layout) {
    const bool rows = layout.scan == Scan::Rows;
    if (!bytesMsbFirst(layout))
        return rows ? " * frames[f][r] is row r, from the top, of frame f + 1; bit k of it\n"
                      " * is column k from the left, set when that LED is lit. */\n"
                    : " * frames[f][c] is column c, from the left, of frame f + 1; bit k of\n"
                      " * it is row k from the top, set when that LED is lit. */\n";
    return rows ? " * frames[f] is frame f + 1, two bytes per row from the top: bit 7 of\n"
                  " * frames[f][2 * r] is column 0 of row r, bit 0 of frames[f][2 * r + 1]\n"
                  " * is column 15, set when that LED is lit. Adafruit GFX draws it with\n"
                  " * drawBitmap(x, y, frames[f], 16, 16, colour). */\n"
                : " * frames[f] is frame f + 1, two bytes per column from the left: bit 7\n"
                  " * of frames[f][2 * c] is row 0 (the top) of column c, bit 0 of\n"
                  " * frames[f][2 * c + 1] is row 15, set when that LED is lit. */\n";
}

QByteArray planesComment(const CHeaderLayout& layout) {
    const bool rows = layout.scan == Scan::Rows;
    QByteArray text =
        " * Each LED has a level from 0 (dark) to 15 (full light). frames[f][p] is\n"
        " * bit plane p of frame f + 1, plane 0 first: an LED's bit in it is bit p of\n"
        " * its level, so the level is the sum of its bits in planes 0 to 3 times\n"
        " * 1, 2, 4 and 8, the share of time binary code modulation shows each plane.\n";
    if (!bytesMsbFirst(layout))
        return text + (rows
                           ? " * frames[f][p][r] is row r, from the top; bit k of it is column k\n"
                             " * from the left. */\n"
                           : " * frames[f][p][c] is column c, from the left; bit k of it is row k\n"
                             " * from the top. */\n");
    return text + (rows ? " * A plane is two bytes per row from the top: bit 7 of\n"
                          " * frames[f][p][2 * r] is column 0 of row r, bit 0 of\n"
                          " * frames[f][p][2 * r + 1] is column 15. */\n"
                        : " * A plane is two bytes per column from the left: bit 7 of\n"
                          " * frames[f][p][2 * c] is row 0 (the top) of column c, bit 0 of\n"
                          " * frames[f][p][2 * c + 1] is row 15. */\n");
}

QByteArray bytesComment(const CHeaderLayout& layout) {
    return layout.scan == Scan::Rows
               ? " * frames[f][16 * r + c] is the level of the LED in row r, from the top,\n"
                 " * column c, from the left, of frame f + 1: 0 (dark) to 15 (full light). */\n"
               : " * frames[f][16 * c + r] is the level of the LED in column c, from the\n"
                 " * left, row r, from the top, of frame f + 1: 0 (dark) to 15 (full\n"
                 " * light). */\n";
}

QByteArray layoutComment(const CHeaderLayout& layout, Table table) {
    switch (table) {
    case Table::OnOff:
        break;
    case Table::Planes:
        return planesComment(layout);
    case Table::Bytes:
        return bytesComment(layout);
    }
    return onOffComment(layout);
}

// On an AVR the tables go to program memory; elsewhere (a PC, an ESP32, an ARM
// board) they are ordinary constant data read through the same macros, unless the
// platform's Arduino core has defined those already.
const char* const ProgmemIncludes =
    "#ifdef __AVR__\n"
    "#include <avr/pgmspace.h>\n"
    "#else\n"
    "#ifndef PROGMEM\n"
    "#define PROGMEM\n"
    "#endif\n"
    "#ifndef pgm_read_byte\n"
    "#define pgm_read_byte(address) (*(const uint8_t *)(address))\n"
    "#endif\n"
    "#ifndef pgm_read_word\n"
    "#define pgm_read_word(address) (*(const uint16_t *)(address))\n"
    "#endif\n"
    "#endif\n";

QByteArray progmemReadComment(const CHeaderLayout& layout, Table table) {
    if (table == Table::Bytes)
        return "/* In program memory: read a level with pgm_read_byte(&frames[f][i]). */\n";
    const QByteArray at = table == Table::Planes ? "&frames[f][p]" : "&frames[f]";
    if (bytesMsbFirst(layout))
        return "/* In program memory: read a byte with pgm_read_byte(" + at + "[i]). */\n";
    return layout.scan == Scan::Rows
               ? "/* In program memory: read a row with pgm_read_word(" + at + "[r]). */\n"
               : "/* In program memory: read a column with pgm_read_word(" + at + "[c]). */\n";
}

QByteArray tableDeclaration(int frameCount, const CHeaderLayout& layout, Table table) {
    const bool bytes = table == Table::Bytes || bytesMsbFirst(layout);
    const QByteArray perFrame = table == Table::Bytes    ? "[256]"
                                : table == Table::Planes ? (bytes ? "[4][32]" : "[4][16]")
                                : bytes                  ? "[32]"
                                                         : "[16]";
    return QByteArray("static const ") + (bytes ? "uint8_t" : "uint16_t") + " frames[" +
           QByteArray::number(frameCount) + "]" + perFrame + (layout.progmem ? " PROGMEM" : "") +
           " = {\n";
}

QByteArray delayTable(const ExportAnimation& animation, const CHeaderLayout& layout) {
    QByteArray text = "/* How long each frame is shown, in milliseconds";
    text += layout.progmem ? "; read with\n * pgm_read_word(&frame_delays_ms[f]). */\n" : ". */\n";
    text += "static const uint16_t frame_delays_ms[" + QByteArray::number(animation.frameCount) +
            "]" + (layout.progmem ? " PROGMEM" : "") + " = {";
    for (int frame = 1; frame <= animation.frameCount; ++frame) {
        if (frame > 1)
            text += (frame - 1) % ValuesPerLine == 0 ? ",\n    " : ", ";
        else
            text += "\n    ";
        text += QByteArray::number(std::clamp(animation.delayMs(frame), 0, 0xFFFF));
    }
    return text + "\n};\n\n";
}

QByteArray playModeName(PlayMode mode) {
    switch (mode) {
    case PlayMode::PingPong:
        return "QUENTARO_PLAY_PING_PONG";
    case PlayMode::Once:
        return "QUENTARO_PLAY_ONCE";
    case PlayMode::Loop:
        break;
    }
    return "QUENTARO_PLAY_LOOP";
}

// How the frames follow one another, with the three modes named so that a
// sketch can test QUENTARO_PLAY_MODE in the preprocessor or in code.
QByteArray playModeDefines(PlayMode mode) {
    return "#define QUENTARO_PLAY_LOOP 0      /* frame 1 again after the last */\n"
           "#define QUENTARO_PLAY_PING_PONG 1 /* back and forth, each end frame once a turn */\n"
           "#define QUENTARO_PLAY_ONCE 2      /* stays on the last frame */\n"
           "#define QUENTARO_PLAY_MODE " +
           playModeName(mode) + "\n";
}

} // namespace

std::uint16_t lineWord(std::span<const std::uint8_t> cells, Scan scan, int line) {
    return lineBits(cells, scan, line, FrameStore::isLit);
}

std::uint16_t rowWord(std::span<const std::uint8_t> cells, int row) {
    return lineWord(cells, Scan::Rows, row);
}

std::vector<std::uint16_t> frameValues(std::span<const std::uint8_t> cells,
                                       const CHeaderLayout& layout) {
    return bitValues(cells, layout, FrameStore::isLit);
}

QByteArray header(const ExportAnimation& animation, const CHeaderLayout& layout) {
    if (!animation.framesValid() || !animation.holdsValid())
        return {};
    const Table table = tableFor(animation, layout);
    const QByteArray count = QByteArray::number(animation.frameCount);
    QByteArray text = "/* " + count + " frame(s) of a 16 x 16 LED matrix";
    text += table == Table::OnOff ? "" : " in 16 grey levels";
    text += ", exported by quentaro.\n" + layoutComment(layout, table) +
            "#ifndef QUENTARO_FRAMES_H\n#define QUENTARO_FRAMES_H\n\n"
            "#include <stdint.h>\n";
    if (layout.progmem)
        text += ProgmemIncludes;
    text += "\n#define QUENTARO_FRAME_COUNT " + count + "\n#define QUENTARO_FRAME_INTERVAL_MS " +
            QByteArray::number(animation.intervalMs) + "\n";
    text += playModeDefines(animation.playMode);
    if (table != Table::OnOff)
        text += "#define QUENTARO_LEVEL_COUNT 16\n";
    text += "\n";
    if (layout.progmem)
        text += progmemReadComment(layout, table);
    text += tableDeclaration(animation.frameCount, layout, table);
    for (int frame = 1; frame <= animation.frameCount; ++frame)
        text += frameInitialiser(animation.cellsOf(frame), layout, table, frame,
                                 frame == animation.frameCount);
    text += "};\n\n";
    if (layout.delays)
        text += delayTable(animation, layout);
    return text + "#endif /* QUENTARO_FRAMES_H */\n";
}

} // namespace CSourceExport
