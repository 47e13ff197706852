#include "files/NativeFormat.h"
#include "files/TextLines.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

bool NativeAnimation::hasHoldTimes() const {
    return std::any_of(holdMs.begin(), holdMs.end(), [](std::uint16_t ms) { return ms != 0; });
}

bool NativeAnimation::hasLevels() const {
    return std::any_of(levels.begin(), levels.end(),
                       [](std::uint8_t level) { return level != 0 && level != 15; });
}

namespace NativeFormat {

namespace {

constexpr std::size_t Side = 16;
constexpr std::size_t CellsPerFrame = Side * Side;
// The shortest a frame can be written: "frame 0" and 16 rows, each line with its LF.
constexpr std::size_t MinFrameBytes = 8 + Side * (Side + 1);
constexpr int HalfLevel = (MaxLevel + 1) / 2;

constexpr std::string_view FrameWord = "frame";
constexpr std::array<std::string_view, 5> HeaderKeys{"name", "play-mode", "speed-ms", "levels",
                                                     "frames"};
constexpr std::string_view HexDigits = "0123456789abcdef";

using PlayMode = NativeAnimation::PlayMode;
constexpr std::array<std::pair<PlayMode, std::string_view>, 3> PlayModeNames{{
    {PlayMode::Loop, "loop"},
    {PlayMode::PingPong, "ping-pong"},
    {PlayMode::Once, "once"},
}};

// The text split at LF; a CR before the LF belongs to the line end.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}

    bool next(std::string_view& line) {
        if (pos_ >= text_.size())
            return false;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lineStart_ = pos_;
        pos_ = end + 1;
        ++number_;
        return true;
    }
    // The number (from 1) of the line next() gave last.
    std::size_t number() const { return number_; }
    // The bytes from the start of that line to the end of the text.
    std::size_t bytesFromLine() const { return text_.size() - lineStart_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t lineStart_ = 0;
    std::size_t number_ = 0;
};

// Digits only, no sign or blank; nothing for anything else or beyond 64 bits.
std::optional<std::uint64_t> number(std::string_view text) {
    std::uint64_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A number as a message quotes it: a long one is cut.
std::string quoted(std::string_view digits) {
    constexpr std::size_t Shown = 12;
    return digits.size() <= Shown ? std::string(digits)
                                  : std::string(digits.substr(0, Shown)) + "...";
}

// "1 frame", "2 frames".
std::string counted(std::size_t count, const std::string& noun) {
    return std::to_string(count) + ' ' + noun + (count == 1 ? "" : "s");
}

bool isFrameLine(std::string_view line) {
    return line.substr(0, FrameWord.size()) == FrameWord &&
           (line.size() == FrameWord.size() || line[FrameWord.size()] == ' ');
}

bool looksLikeRow(std::string_view line) {
    return line.size() == Side && std::all_of(line.begin(), line.end(), [](char c) {
               return TextLines::hexDigitValue(c) >= 0;
           });
}

bool isKeyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool isUtf8(std::string_view text) {
    return QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8();
}

// The name as written: "\\" for a backslash, "\u{HEX}" for a code point that
// would break or hide the line structure (C0 and C1 controls, DEL, the Unicode
// line and paragraph separators) and for a blank at the end, which editors strip.
std::string escapedName(std::string_view name) {
    std::string out;
    auto escape = [&](std::uint32_t cp) {
        std::string digits;
        for (; cp != 0 || digits.empty(); cp >>= 4)
            digits.insert(digits.begin(), HexDigits[cp & 0xF]);
        out += "\\u{" + digits + "}";
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (isControl(c) || (c == ' ' && i + 1 == name.size())) {
            escape(c);
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escape(next);
            ++i;
        } else if (c == 0xE2 && next == 0x80 && i + 2 < name.size() &&
                   (name[i + 2] == '\xA8' || name[i + 2] == '\xA9')) {
            escape(name[i + 2] == '\xA8' ? 0x2028 : 0x2029);
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// What write() keeps of a name: valid UTF-8 of at most MaxNameBytes.
std::string writableName(const std::string& name) {
    std::string valid =
        isUtf8(name) ? name : QString::fromUtf8(name.data(), qsizetype(name.size())).toStdString();
    if (valid.size() > MaxNameBytes) {
        std::size_t cut = MaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(valid[cut]) & 0xC0) == 0x80)
            --cut;
        valid.resize(cut);
    }
    return valid;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes), lines_(bytes) {}

    ReadResult run() {
        if (bytes_.size() > MaxFileBytes) {
            fail(ReadError::TooLarge, 0,
                 "too long: more than " + std::to_string(MaxFileBytes) + " bytes");
            return std::move(result_);
        }
        if (!readMagic() || !readHeader() || !readFrames())
            return std::move(result_);
        result_.animation = std::move(animation_);
        return std::move(result_);
    }

private:
    bool fail(ReadError error, std::size_t line, std::string what) {
        result_.error = error;
        result_.line = line;
        result_.message = line == 0 ? std::move(what) : what + " at line " + std::to_string(line);
        return false;
    }
    bool failHere(ReadError error, std::string what) {
        return fail(error, lines_.number(), std::move(what));
    }

    bool readMagic() {
        std::string_view line;
        const std::string prefix = std::string(Magic) + ' ';
        if (!lines_.next(line) || line.substr(0, prefix.size()) != prefix)
            return fail(ReadError::BadMagic, 1,
                        "not an animation file: no \"" + std::string(Magic) + " <version>\"");
        // MAJOR or MAJOR.MINOR; a minor version only adds what this one skips.
        const std::string_view version = line.substr(prefix.size());
        const std::string_view major = version.substr(0, version.find('.'));
        const bool hasMinor = major.size() < version.size();
        if (!isDigits(major) || (hasMinor && !isDigits(version.substr(major.size() + 1))))
            return failHere(ReadError::BadVersion, "a bad version number");
        const std::optional<std::uint64_t> majorNumber = number(major); // none: beyond 64 bits
        if (majorNumber == std::uint64_t{0})
            return failHere(ReadError::BadVersion, "a bad version number");
        if (!majorNumber || *majorNumber > std::uint64_t(Version))
            return failHere(ReadError::NewerVersion, "file version " + quoted(major) +
                                                         ", newer than this program reads (" +
                                                         std::to_string(Version) + ")");
        return true;
    }

    bool readHeader() {
        std::array<bool, HeaderKeys.size()> seen{};
        for (;;) {
            if (!lines_.next(line_))
                return frameCount_ == 0
                           ? fail(ReadError::NoFrameCount, 0, "no \"frames\" line")
                           : fail(ReadError::MissingFrames, 0, "the file ends before its frames");
            if (isFrameLine(line_))
                break;
            const std::size_t space = line_.find(' ');
            const std::string_view key = line_.substr(0, space);
            const std::string_view value =
                space == std::string_view::npos ? std::string_view() : line_.substr(space + 1);
            if (key.empty() || !std::all_of(key.begin(), key.end(), isKeyCharacter))
                return failHere(ReadError::BadHeaderLine,
                                "a header line that is not \"key value\"");
            const auto known = std::find(HeaderKeys.begin(), HeaderKeys.end(), key);
            if (known == HeaderKeys.end())
                continue; // a key of a later minor version
            const auto index = static_cast<std::size_t>(known - HeaderKeys.begin());
            if (seen[index])
                return failHere(ReadError::DuplicateKey,
                                "a second \"" + std::string(key) + "\" line");
            seen[index] = true;
            if (!readKey(index, value))
                return false;
        }
        if (frameCount_ == 0)
            return failHere(ReadError::NoFrameCount, "no \"frames\" line before the first frame");
        return true;
    }

    // The keys of HeaderKeys, in its order.
    bool readKey(std::size_t index, std::string_view value) {
        using Read = bool (Reader::*)(std::string_view);
        static constexpr std::array<Read, HeaderKeys.size()> Readers{
            &Reader::readName, &Reader::readPlayMode, &Reader::readSpeed, &Reader::readLevelCount,
            &Reader::readFrameCount};
        return (this->*Readers[index])(value);
    }

    bool readName(std::string_view raw) {
        std::string name;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const char c = raw[i];
            if (isControl(static_cast<unsigned char>(c)))
                return failHere(ReadError::BadName, "a control character in the name");
            if (c != '\\') {
                name += c;
                continue;
            }
            if (raw.substr(i, 2) == "\\\\") {
                name += '\\';
                ++i;
                continue;
            }
            const std::size_t close = raw.find('}', i);
            const std::optional<std::uint32_t> cp =
                raw.substr(i, 3) == "\\u{" && close != std::string_view::npos
                    ? escapedCodePoint(raw.substr(i + 3, close - i - 3))
                    : std::nullopt;
            if (!cp)
                return failHere(ReadError::BadName, "a bad escape in the name");
            appendUtf8(name, *cp);
            i = close;
        }
        if (!isUtf8(name))
            return failHere(ReadError::BadName, "a name that is not UTF-8");
        if (name.size() > MaxNameBytes)
            return failHere(ReadError::BadName,
                            "a name over " + std::to_string(MaxNameBytes) + " bytes");
        animation_.name = std::move(name);
        return true;
    }

    static std::optional<std::uint32_t> escapedCodePoint(std::string_view hex) {
        std::uint32_t cp = 0;
        if (hex.empty() || hex.size() > 6)
            return std::nullopt;
        for (const char c : hex) {
            const int digit = TextLines::hexDigitValue(c);
            if (digit < 0)
                return std::nullopt;
            cp = cp << 4 | static_cast<std::uint32_t>(digit);
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        return cp;
    }

    bool readPlayMode(std::string_view value) {
        for (const auto& [mode, name] : PlayModeNames) {
            if (value == name) {
                animation_.playMode = mode;
                return true;
            }
        }
        return failHere(ReadError::BadPlayMode, "a play mode other than loop, ping-pong or once");
    }

    bool readSpeed(std::string_view value) {
        const auto ms = number(value);
        if (ms && *ms >= std::uint64_t(SpeedLadder::FastestMs) &&
            *ms <= std::uint64_t(SpeedLadder::SlowestMs)) {
            animation_.speedMs = static_cast<int>(*ms);
            return true;
        }
        return failHere(ReadError::BadSpeed,
                        (ms ? "a speed of " + quoted(value) + " ms" : std::string("a speed")) +
                            " outside " + std::to_string(SpeedLadder::FastestMs) + ".." +
                            std::to_string(SpeedLadder::SlowestMs));
    }

    bool readLevelCount(std::string_view value) {
        const auto count = number(value);
        if (count == std::uint64_t(LevelCount))
            return true;
        return failHere(ReadError::BadLevelCount, (count ? "a level count of " + quoted(value)
                                                         : std::string("a level count")) +
                                                      " other than " + std::to_string(LevelCount));
    }

    bool readFrameCount(std::string_view value) {
        const auto count = number(value);
        if (count && *count >= 1 && *count <= std::uint64_t(MaxFrames)) {
            frameCount_ = static_cast<int>(*count);
            return true;
        }
        return failHere(ReadError::BadFrameCount, (count ? "a frame count of " + quoted(value)
                                                         : std::string("a frame count")) +
                                                      " outside 1.." + std::to_string(MaxFrames));
    }

    // `line_` is the first frame line.
    bool readFrames() {
        const auto frames = static_cast<std::size_t>(frameCount_);
        if (lines_.bytesFromLine() + 1 < frames * MinFrameBytes)
            return fail(ReadError::MissingFrames, 0,
                        "the file is too short for its " + counted(frames, "frame"));
        animation_.levels.resize(frames * CellsPerFrame);
        animation_.holdMs.resize(frames);
        for (std::size_t frame = 0; frame < frames; ++frame) {
            if (frame > 0 && !lines_.next(line_))
                return fail(ReadError::MissingFrames, 0,
                            "the file ends after " + std::to_string(frame) + " of its " +
                                std::to_string(frames) + " frames");
            if (!readFrameLine(frame) || !readRows(frame))
                return false;
        }
        if (!lines_.next(line_))
            return true;
        return looksLikeRow(line_)
                   ? failHere(ReadError::ExtraRows,
                              "frame " + std::to_string(frames) + " has more than 16 rows")
                   : failHere(ReadError::ExtraLines,
                              "more lines than its " + counted(frames, "frame") + " take");
    }

    bool readFrameLine(std::size_t frame) {
        if (!isFrameLine(line_))
            return frame > 0 && looksLikeRow(line_)
                       ? failHere(ReadError::ExtraRows,
                                  "frame " + std::to_string(frame) + " has more than 16 rows")
                       : failHere(ReadError::BadFrameLine, "no \"frame HOLD\" line");
        if (line_.size() == FrameWord.size())
            return failHere(ReadError::BadFrameLine, "a \"frame\" line without its hold time");
        const std::string_view value = line_.substr(FrameWord.size() + 1);
        const auto ms = number(value);
        if (!ms || (*ms != 0 && (*ms < std::uint64_t(MinHoldMs) || *ms > std::uint64_t(MaxHoldMs))))
            return failHere(
                ReadError::BadHoldTime,
                (ms ? "a hold time of " + quoted(value) + " ms" : std::string("a hold time")) +
                    " other than 0 or " + std::to_string(MinHoldMs) + ".." +
                    std::to_string(MaxHoldMs));
        animation_.holdMs[frame] = static_cast<std::uint16_t>(*ms);
        return true;
    }

    bool readRows(std::size_t frame) {
        std::uint8_t* cell = animation_.levels.data() + frame * CellsPerFrame;
        for (std::size_t row = 0; row < Side; ++row) {
            const auto missing = [&] {
                return "frame " + std::to_string(frame + 1) + " has " + std::to_string(row) +
                       " rows, not 16";
            };
            if (!lines_.next(line_))
                return fail(ReadError::MissingRows, 0,
                            "the file ends after " + std::to_string(row) +
                                " of the 16 rows of frame " + std::to_string(frame + 1));
            if (isFrameLine(line_))
                return failHere(ReadError::MissingRows, missing() + ",");
            if (line_.size() != Side)
                return failHere(ReadError::BadRowLength,
                                "a row of " + std::to_string(line_.size()) + " levels, not 16,");
            for (const char c : line_) {
                const int level = TextLines::hexDigitValue(c);
                if (level < 0)
                    return failHere(ReadError::BadLevel, "a level that is not 0-f");
                *cell++ = static_cast<std::uint8_t>(level);
            }
        }
        return true;
    }

    std::string_view bytes_;
    Lines lines_;
    std::string_view line_;
    int frameCount_ = 0;
    NativeAnimation animation_;
    ReadResult result_;
};

void appendRows(std::string& out, const std::uint8_t* cells) {
    for (std::size_t row = 0; row < Side; ++row) {
        for (std::size_t led = 0; led < Side; ++led)
            out += HexDigits[std::min<std::uint8_t>(*cells++, MaxLevel)];
        out += '\n';
    }
}

std::string joinedList(const std::vector<std::string_view>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += i + 1 == parts.size() ? " and " : ", ";
        out += parts[i];
    }
    return out;
}

} // namespace

bool hasMagic(std::string_view bytes) {
    return bytes.substr(0, Magic.size()) == Magic && bytes.size() > Magic.size() &&
           bytes[Magic.size()] == ' ';
}

ReadResult read(std::string_view bytes) {
    return Reader(bytes).run();
}

std::string write(const NativeAnimation& animation) {
    const std::size_t frames =
        static_cast<std::size_t>(std::min(animation.frameCount(), MaxFrames));
    std::string out;
    out.reserve(512 + std::max<std::size_t>(frames, 1) * (MinFrameBytes + 5));
    out += std::string(Magic) + ' ' + std::to_string(Version) + '\n';
    const std::string name = escapedName(writableName(animation.name));
    out += name.empty() ? "name\n" : "name " + name + '\n';
    const auto mode =
        std::find_if(PlayModeNames.begin(), PlayModeNames.end(),
                     [&](const auto& entry) { return entry.first == animation.playMode; });
    out += "play-mode " + std::string(mode == PlayModeNames.end() ? "loop" : mode->second) + '\n';
    out += "speed-ms " +
           std::to_string(
               std::clamp(animation.speedMs, SpeedLadder::FastestMs, SpeedLadder::SlowestMs)) +
           '\n';
    out += "levels " + std::to_string(LevelCount) + '\n';
    out += "frames " + std::to_string(std::max<std::size_t>(frames, 1)) + '\n';
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const int hold = frame < animation.holdMs.size() ? animation.holdMs[frame] : 0;
        out += "frame " + std::to_string(hold == 0 ? 0 : std::max(hold, MinHoldMs)) + '\n';
        appendRows(out, animation.levels.data() + frame * CellsPerFrame);
    }
    if (frames == 0) {
        // An animation always has a frame: a dark one.
        const std::array<std::uint8_t, CellsPerFrame> dark{};
        out += "frame 0\n";
        appendRows(out, dark.data());
    }
    return out;
}

NativeAnimation fromLedStore(std::span<const std::uint8_t> ledBytes) {
    NativeAnimation animation;
    const std::size_t frames = (ledBytes.size() + CellsPerFrame - 1) / CellsPerFrame;
    animation.levels.assign(frames * CellsPerFrame, 0);
    std::transform(ledBytes.begin(), ledBytes.end(), animation.levels.begin(),
                   [](std::uint8_t byte) { return std::uint8_t(byte == 1 ? MaxLevel : 0); });
    animation.holdMs.assign(frames, 0);
    return animation;
}

LedStore toLedStore(const NativeAnimation& animation) {
    LedStore store;
    store.frames.resize(animation.levels.size());
    std::transform(animation.levels.begin(), animation.levels.end(), store.frames.begin(),
                   [](std::uint8_t level) { return std::uint8_t(level >= HalfLevel ? 1 : 0); });
    std::vector<std::string_view> lost;
    if (!animation.name.empty())
        lost.push_back("the name");
    if (animation.speedMs != SpeedLadder::StartMs)
        lost.push_back("the speed");
    if (animation.hasHoldTimes())
        lost.push_back("the hold times");
    if (animation.playMode != PlayMode::Loop)
        lost.push_back("the play mode");
    if (animation.hasLevels())
        lost.push_back("the grey levels");
    store.lost = joinedList(lost);
    return store;
}

} // namespace NativeFormat
