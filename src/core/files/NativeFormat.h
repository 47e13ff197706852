#pragma once

#include "playback/SpeedLadder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// An animation as the program's own file keeps it: what a `.led` file holds
// (on/off LEDs) and what it cannot hold (grey levels, a hold time per frame, the
// play mode, the speed and a name). The file layout is described in
// docs/native-format.md.
struct NativeAnimation {
    enum class PlayMode { Loop, PingPong, Once };

    std::string name; // UTF-8, at most 255 bytes
    PlayMode playMode = PlayMode::Loop;
    // The step time the animation plays at, SpeedLadder::FastestMs..SlowestMs.
    int speedMs = SpeedLadder::StartMs;
    int levelCount = 16; // the only level count of version 1; the file always says 16
    // frameCount() * 256 grey levels, row-major from the top-left LED, 0 (dark)
    // to 15 (full light).
    std::vector<std::uint8_t> levels;
    // One per frame: 0 when the frame has no hold time of its own and the
    // speed rules, else how long it stays, 40..65535 ms.
    std::vector<std::uint16_t> holdMs;

    int frameCount() const { return static_cast<int>(levels.size() / 256); }
    bool hasHoldTimes() const;
    // Any level other than dark and full light.
    bool hasLevels() const;

    bool operator==(const NativeAnimation&) const = default;
};

namespace NativeFormat {

constexpr std::string_view Magic = "QUENTARO-ANIMATION";
constexpr int Version = 1;       // the major version this program reads and writes
constexpr int MaxFrames = 32767; // as for `.led`
constexpr int MaxLevel = 15;
constexpr int LevelCount = MaxLevel + 1;
constexpr int MinHoldMs = 40;
constexpr int MaxHoldMs = 65535;
constexpr std::size_t MaxNameBytes = 255;
// Far above the 32,767 longest frames (about 9.9 MB) with room for header
// lines a later minor version may add.
constexpr std::size_t MaxFileBytes = 16 * 1024 * 1024;

// Whether `bytes` start like this format ("QUENTARO-ANIMATION "), whatever
// follows; anything else is taken for a `.led` file.
bool hasMagic(std::string_view bytes);

enum class ReadError {
    None,
    TooLarge,      // over MaxFileBytes
    BadMagic,      // the first line is not "QUENTARO-ANIMATION <version>"
    BadVersion,    // a version that is no number
    NewerVersion,  // a major version above Version
    BadHeaderLine, // a header line that is not "key value"
    DuplicateKey,  // a known key given twice
    BadName,       // too long, not UTF-8, a control character or a bad escape
    BadPlayMode,   // none of loop, ping-pong, once
    BadSpeed,      // not a number in SpeedLadder::FastestMs..SlowestMs
    BadLevelCount, // anything but 16
    NoFrameCount,  // no "frames" line before the first frame
    BadFrameCount, // not a number in 1..MaxFrames
    BadFrameLine,  // a line where "frame HOLD" belongs
    BadHoldTime,   // not 0 or a number in 40..65535
    BadRowLength,  // a row of more or fewer than 16 levels
    BadLevel,      // a character in a row that is no level 0-f
    MissingRows,   // a frame of fewer than 16 rows
    ExtraRows,     // a frame of more than 16 rows
    MissingFrames, // the file ends before the frames the header names
    ExtraLines,    // lines after the last frame
};

struct ReadResult {
    NativeAnimation animation; // as it was read; default-constructed on failure
    ReadError error = ReadError::None;
    std::size_t line = 0; // line number (from 1) of a failure, 0 for the whole file
    std::string message;  // what is wrong, e.g. "a hold time of 20 ms (0 or 40..65535) at line 21"
    bool ok() const { return error == ReadError::None; }
};

// Reads a whole file held in memory. All or nothing.
ReadResult read(std::string_view bytes);

// The file text, LF line ends. What the file cannot hold is written as the
// nearest it can: levels above 15 as 15, a speed outside 40..2672 and a hold
// time of 1..39 ms clamped, a missing hold time as 0, bytes of the name that
// are not UTF-8 as U+FFFD and a name over 255 bytes cut at a character; frames
// beyond MaxFrames are left out. An animation from read() is written unchanged.
std::string write(const NativeAnimation& animation);

// The animation of an editor's frame store (byte 1 lit, any other dark): lit
// LEDs at full light, no hold times, Loop at 301 ms.
NativeAnimation fromLedStore(std::span<const std::uint8_t> ledBytes);

struct LedStore {
    std::vector<std::uint8_t> frames; // 256 bytes a frame, 1 for lit, 0 for dark
    // What the store cannot keep of this animation, e.g. "the hold times, the
    // play mode and the grey levels"; empty when nothing is lost.
    std::string lost;
};
// An LED at half level or above (8..15) is lit.
LedStore toLedStore(const NativeAnimation& animation);

} // namespace NativeFormat
