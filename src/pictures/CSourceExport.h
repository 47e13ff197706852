#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

// The animation as a C header for a microcontroller driving the matrix.
namespace CSourceExport {

// One word per LED row from the top; bit k is column k from the left, set when lit.
std::uint16_t rowWord(std::span<const std::uint8_t> cells, int row);

// `static const uint16_t frames[N][16]` with a comment per frame, the frame count
// and interval as macros, under an include guard. With `progmem` the table goes to
// AVR program memory (PROGMEM, read with pgm_read_word). Empty when the frames are
// invalid.
QByteArray header(std::span<const std::uint8_t> frames, int frameCount, int intervalMs,
                  bool progmem);

} // namespace CSourceExport
