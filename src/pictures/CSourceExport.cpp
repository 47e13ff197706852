#include "pictures/CSourceExport.h"

#include "frames/FrameStore.h"

#include <algorithm>

namespace CSourceExport {
namespace {

using BitOrder = CHeaderLayout::BitOrder;
using Scan = CHeaderLayout::Scan;

constexpr int ValuesPerLine = 8;

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

QByteArray frameInitialiser(std::span<const std::uint8_t> cells, const CHeaderLayout& layout,
                            int frame, bool last) {
    const std::vector<std::uint16_t> values = frameValues(cells, layout);
    const int digits = bytesMsbFirst(layout) ? 2 : 4;
    QByteArray text = "    /* frame " + QByteArray::number(frame) + " */\n    {";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += i % ValuesPerLine == 0 ? ",\n     " : ", ";
        text += hexValue(values[i], digits);
    }
    text += last ? "}\n" : "},\n";
    return text;
}

QByteArray layoutComment(const CHeaderLayout& layout) {
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

QByteArray progmemReadComment(const CHeaderLayout& layout) {
    if (bytesMsbFirst(layout))
        return "/* In program memory: read a byte with pgm_read_byte(&frames[f][i]). */\n";
    return layout.scan == Scan::Rows
               ? "/* In program memory: read a row with pgm_read_word(&frames[f][r]). */\n"
               : "/* In program memory: read a column with pgm_read_word(&frames[f][c]). */\n";
}

QByteArray delayTable(int frameCount, int intervalMs, const CHeaderLayout& layout) {
    const QByteArray delay = QByteArray::number(std::clamp(intervalMs, 0, 0xFFFF));
    QByteArray text = "/* How long each frame is shown, in milliseconds";
    text += layout.progmem ? "; read with\n * pgm_read_word(&frame_delays_ms[f]). */\n" : ". */\n";
    text += "static const uint16_t frame_delays_ms[" + QByteArray::number(frameCount) + "]" +
            (layout.progmem ? " PROGMEM" : "") + " = {";
    for (int frame = 0; frame < frameCount; ++frame) {
        if (frame > 0)
            text += frame % ValuesPerLine == 0 ? ",\n    " : ", ";
        else
            text += "\n    ";
        text += delay;
    }
    return text + "\n};\n\n";
}

} // namespace

std::uint16_t lineWord(std::span<const std::uint8_t> cells, Scan scan, int line) {
    std::uint16_t word = 0;
    for (int k = 0; k < FrameStore::Side; ++k) {
        const int cell =
            scan == Scan::Rows ? line * FrameStore::Side + k : k * FrameStore::Side + line;
        if (FrameStore::isLit(cells[cell]))
            word |= static_cast<std::uint16_t>(1u << k);
    }
    return word;
}

std::uint16_t rowWord(std::span<const std::uint8_t> cells, int row) {
    return lineWord(cells, Scan::Rows, row);
}

std::vector<std::uint16_t> frameValues(std::span<const std::uint8_t> cells,
                                       const CHeaderLayout& layout) {
    std::vector<std::uint16_t> values;
    for (int line = 0; line < FrameStore::Side; ++line) {
        const std::uint16_t word = lineWord(cells, layout.scan, line);
        if (!bytesMsbFirst(layout)) {
            values.push_back(word);
            continue;
        }
        values.push_back(reversedBits(static_cast<std::uint8_t>(word & 0xFF)));
        values.push_back(reversedBits(static_cast<std::uint8_t>(word >> 8)));
    }
    return values;
}

QByteArray header(std::span<const std::uint8_t> frames, int frameCount, int intervalMs,
                  const CHeaderLayout& layout) {
    if (frameCount < 1 || frames.size() < FrameStore::sizeFor(frameCount))
        return {};
    const QByteArray count = QByteArray::number(frameCount);
    QByteArray text = "/* " + count + " frame(s) of a 16 x 16 LED matrix, exported by quentaro.\n" +
                      layoutComment(layout) +
                      "#ifndef QUENTARO_FRAMES_H\n#define QUENTARO_FRAMES_H\n\n"
                      "#include <stdint.h>\n";
    if (layout.progmem)
        text += ProgmemIncludes;
    text += "\n#define QUENTARO_FRAME_COUNT " + count + "\n#define QUENTARO_FRAME_INTERVAL_MS " +
            QByteArray::number(intervalMs) + "\n\n";
    if (layout.progmem)
        text += progmemReadComment(layout);
    const bool bytes = bytesMsbFirst(layout);
    text += QByteArray("static const ") + (bytes ? "uint8_t" : "uint16_t") + " frames[" + count +
            "][" + (bytes ? "32" : "16") + "]" + (layout.progmem ? " PROGMEM" : "") + " = {\n";
    for (int frame = 1; frame <= frameCount; ++frame)
        text += frameInitialiser(
            frames.subspan(FrameStore::indexOf(frame, 0), FrameStore::CellsPerFrame), layout, frame,
            frame == frameCount);
    text += "};\n\n";
    if (layout.delays)
        text += delayTable(frameCount, intervalMs, layout);
    return text + "#endif /* QUENTARO_FRAMES_H */\n";
}

} // namespace CSourceExport
