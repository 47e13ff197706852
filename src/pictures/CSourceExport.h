#pragma once

#include "files/CHeaderLayout.h"
#include "pictures/ExportAnimation.h"

#include <QByteArray>
#include <cstdint>
#include <span>
#include <vector>

// The animation as a C header for a microcontroller driving the matrix.
namespace CSourceExport {

// The 16 LEDs of one row (from the top) or column (from the left) as a word: bit k
// is LED k from the left or the top, set when lit.
std::uint16_t lineWord(std::span<const std::uint8_t> cells, CHeaderLayout::Scan scan, int line);

// One word per LED row from the top; bit k is column k from the left, set when lit.
std::uint16_t rowWord(std::span<const std::uint8_t> cells, int row);

// One frame's table entries in `layout`: 16 words, or 32 bytes with the bits
// reversed (the first LED in bit 7) when the most significant bit comes first.
std::vector<std::uint16_t> frameValues(std::span<const std::uint8_t> cells,
                                       const CHeaderLayout& layout);

// `static const uint16_t frames[N][16]` (or `uint8_t frames[N][32]` with the most
// significant bit first) with a comment per frame, the frame count and interval as
// macros, the play mode as QUENTARO_PLAY_MODE (QUENTARO_PLAY_LOOP, _PING_PONG or
// _ONCE), optionally `frame_delays_ms[N]` (each frame's hold time, else the
// interval), under an include guard. An animation with levels gets four bit
// planes a frame (`frames[N][4][16]` or `[N][4][32]`) or a byte a LED
// (`uint8_t frames[N][256]`), as the layout's `levels` says, and
// QUENTARO_LEVEL_COUNT. With `progmem` the tables go to AVR program memory
// (PROGMEM, pgm_read_word / pgm_read_byte), and other targets get those names as
// plain reads. Empty when the frames or hold times are invalid.
QByteArray header(const ExportAnimation& animation, const CHeaderLayout& layout);

} // namespace CSourceExport
