#include "pictures/CSourceExport.h"

#include "frames/FrameStore.h"

namespace CSourceExport {
namespace {

constexpr int WordsPerLine = 8;

QByteArray hexWord(std::uint16_t word) {
    return "0x" + QByteArray::number(word, 16).toUpper().rightJustified(4, '0');
}

QByteArray frameInitialiser(std::span<const std::uint8_t> cells, int frame, bool last) {
    QByteArray text = "    /* frame " + QByteArray::number(frame) + " */\n    {";
    for (int row = 0; row < FrameStore::Side; ++row) {
        if (row > 0)
            text += row % WordsPerLine == 0 ? ",\n     " : ", ";
        text += hexWord(rowWord(cells, row));
    }
    text += last ? "}\n" : "},\n";
    return text;
}

} // namespace

std::uint16_t rowWord(std::span<const std::uint8_t> cells, int row) {
    std::uint16_t word = 0;
    for (int column = 0; column < FrameStore::Side; ++column)
        if (FrameStore::isLit(cells[row * FrameStore::Side + column]))
            word |= static_cast<std::uint16_t>(1u << column);
    return word;
}

QByteArray header(std::span<const std::uint8_t> frames, int frameCount, int intervalMs,
                  bool progmem) {
    if (frameCount < 1 || frames.size() < FrameStore::sizeFor(frameCount))
        return {};
    const QByteArray count = QByteArray::number(frameCount);
    QByteArray text = "/* " + count +
                      " frame(s) of a 16 x 16 LED matrix, exported by quentaro.\n"
                      " * frames[f][r] is row r, from the top, of frame f + 1; bit k of it\n"
                      " * is column k from the left, set when that LED is lit. */\n"
                      "#ifndef QUENTARO_FRAMES_H\n#define QUENTARO_FRAMES_H\n\n"
                      "#include <stdint.h>\n";
    if (progmem)
        text += "#include <avr/pgmspace.h>\n";
    text += "\n#define QUENTARO_FRAME_COUNT " + count + "\n#define QUENTARO_FRAME_INTERVAL_MS " +
            QByteArray::number(intervalMs) + "\n\n";
    if (progmem)
        text += "/* In program memory: read a row with pgm_read_word(&frames[f][r]). */\n";
    text +=
        "static const uint16_t frames[" + count + "][16]" + (progmem ? " PROGMEM" : "") + " = {\n";
    for (int frame = 1; frame <= frameCount; ++frame)
        text += frameInitialiser(
            frames.subspan(FrameStore::indexOf(frame, 0), FrameStore::CellsPerFrame), frame,
            frame == frameCount);
    text += "};\n\n#endif /* QUENTARO_FRAMES_H */\n";
    return text;
}

} // namespace CSourceExport
