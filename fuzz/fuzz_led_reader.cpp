// libFuzzer target for the animation file reader and the line value rule.
#include "files/LedFormat.h"
#include "files/TextLines.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

// An independent reading of one line: the characters that count are gathered
// first, then the number prefix is matched and, when it is short enough for a
// double to hold it exactly enough, converted with strtod and rint (which rounds
// halves to even). Returns false when this oracle cannot judge the line.
bool referenceValue(std::string_view line, std::optional<int>& value) {
    std::string s;
    for (const char c : line) {
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    }
    auto digitAt = [&](std::size_t i, int base) {
        if (i >= s.size())
            return -1;
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        return d < base ? d : -1;
    };
    if (!s.empty() && s[0] == '&') {
        const char prefix =
            s.size() > 1 ? static_cast<char>(std::tolower(static_cast<unsigned char>(s[1]))) : 0;
        if (prefix != 'h' && prefix != 'o') {
            value = 0;
            return true;
        }
        const int base = prefix == 'h' ? 16 : 8;
        long long v = 0;
        for (std::size_t i = 2; digitAt(i, base) >= 0 && v <= 255; ++i)
            v = v * base + digitAt(i, base);
        value = v <= 255 ? std::optional<int>(static_cast<int>(v)) : std::nullopt;
        return true;
    }
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t mantissaDigits = 0;
    while (digitAt(i, 10) >= 0)
        ++i, ++mantissaDigits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (digitAt(i, 10) >= 0)
            ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) {
        value = 0;
        return true;
    }
    if (mantissaDigits > 15)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        const std::size_t exponentStart = j;
        while (digitAt(j, 10) >= 0)
            ++j;
        if (j - exponentStart > 3)
            return false;
        if (j > exponentStart)
            i = j;
    }
    const double d = std::strtod(s.substr(0, i).c_str(), nullptr);
    const double r = std::rint(d);
    value = r >= 0 && r <= 255 ? std::optional<int>(static_cast<int>(r)) : std::nullopt;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::optional<int> expected;
    if (referenceValue(text, expected)) {
        const auto got = LedFormat::lineValue(text);
        check(got.has_value() == expected.has_value());
        check(!got || int(*got) == *expected);
    }

    const LedFormat::ReadResult r = LedFormat::read(text);
    if (!r.ok()) {
        check(r.frames.empty() && r.frameCount == 0);
        check(size > 0 || r.error == LedFormat::ReadError::Empty);
        return 0;
    }
    const int frameCount = static_cast<int>((size + 1279) / 1280);
    check(r.frameCount == frameCount && r.frameCount == LedFormat::frameCountForLength(size));
    check(r.frames.size() == std::size_t(frameCount) * 256);

    // The reader against the plain line rule, line by line.
    std::size_t line = 0;
    TextLines::forEach(text, [&](std::string_view l) {
        const auto v = LedFormat::lineValue(l);
        check(line < r.frames.size() && v && *v == r.frames[line]);
        ++line;
        return true;
    });
    for (; line < r.frames.size(); ++line)
        check(r.frames[line] == 0);

    // What the writer makes of it reads back the same.
    const std::string again = LedFormat::write(r.frames);
    const LedFormat::ReadResult back = LedFormat::read(again);
    check(back.ok() && back.frameCount >= frameCount);
    if (std::all_of(r.frames.begin(), r.frames.end(), [](auto b) { return b < 10; }))
        check(again.size() == r.frames.size() * 5 && back.frameCount == frameCount);
    check(std::equal(r.frames.begin(), r.frames.end(), back.frames.begin()));
    return 0;
}
