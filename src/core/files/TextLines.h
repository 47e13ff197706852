#pragma once

#include <cstddef>
#include <string_view>

// Line splitting shared by the animation file and the playlist readers: a line
// ends at CR, and a CR LF pair is one line end. An LF alone stays inside the line
// or, where the reader asks for it, ends the line too. The last line needs no
// line end, and a line end at the very end of the text makes no extra empty line.
namespace TextLines {

enum class LoneLf {
    InLine,   // the animation file: an LF is part of the line's text
    EndsLine, // the playlist: files written on Linux end their lines with LF
};

// Calls fn(line) for every line in order; stops early when fn returns false.
// Returns the number of lines handed to fn.
template <typename Fn>
std::size_t forEach(std::string_view text, Fn&& fn, LoneLf loneLf = LoneLf::InLine) {
    const char* const ends = loneLf == LoneLf::EndsLine ? "\r\n" : "\r";
    std::size_t count = 0;
    std::size_t pos = 0;
    const std::size_t size = text.size();
    while (pos < size) {
        std::size_t end = text.find_first_of(ends, pos);
        if (end == std::string_view::npos)
            end = size;
        ++count;
        if (!fn(text.substr(pos, end - pos)))
            return count;
        pos = end + 1;
        if (end < size && text[end] == '\r' && pos < size && text[pos] == '\n')
            ++pos;
    }
    return count;
}

// The value of a hexadecimal digit in either case, or -1 for any other character.
inline int hexDigitValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace TextLines
