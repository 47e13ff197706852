#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The LED animation file: one text line per LED, 256 lines per frame, no header.
// A frame written by the editor is 1280 bytes: " 0 \r\n" or " 1 \r\n" per LED.
namespace LedFormat {

constexpr std::size_t BytesPerFrame = 1280;
constexpr int MaxFrames = 32767; // frame numbers stay within a 16-bit integer

// Frames a file of `length` bytes holds, rounded up: 0 for an empty file.
int frameCountForLength(std::uint64_t length);

// The value of one line by the reading rules: blanks, tabs and line feeds are
// dropped wherever they stand; the longest number at the start counts (sign,
// digits, point and fraction, exponent; &H hexadecimal, &O octal); no number
// reads 0; rounded half to even. Nothing when the result is outside 0..255.
std::optional<std::uint8_t> lineValue(std::string_view line);

enum class ReadError {
    None,
    Empty,           // no bytes at all
    TooLarge,        // more than MaxFrames frames
    ValueOutOfRange, // a line whose value is not in 0..255
    TooManyLines,    // more lines than the length leaves room for
};

struct ReadResult {
    std::vector<std::uint8_t> frames; // frameCount * 256 bytes; dark beyond the last line
    int frameCount = 0;
    ReadError error = ReadError::None;
    std::size_t failedLine = 0; // line number (from 0) of a failure in the text
    bool ok() const { return error == ReadError::None; }
};

// Reads a whole file held in memory. All or nothing: on any error `frames` is
// left empty.
ReadResult read(std::string_view bytes);

// Appends the file text for `frames` to `out`: per byte a blank, its decimal
// digits, a blank and CR LF.
void write(std::span<const std::uint8_t> frames, std::string& out);
std::string write(std::span<const std::uint8_t> frames);

} // namespace LedFormat
