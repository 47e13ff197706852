#include "files/LedFormat.h"
#include "files/TextLines.h"

#include "frames/FrameStore.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace LedFormat {

namespace {

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// Walks a line as if every blank, tab and line feed had been removed from it.
class Scanner {
public:
    explicit Scanner(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // The next character, or -1 at the end.
    int peek() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n'))
            ++p_;
        return p_ == end_ ? -1 : static_cast<unsigned char>(*p_);
    }
    // Steps over the character peek() returns.
    void next() {
        if (peek() != -1)
            ++p_;
    }

private:
    const char* p_;
    const char* end_;
};

// Far beyond any exponent that can matter next to a mantissa held in memory,
// and far from overflowing when added to a digit count.
constexpr std::int64_t ExponentLimit = std::int64_t{1} << 50;

// &H and &O numbers. Anything above 255 is out of range however it continues.
std::optional<std::uint8_t> radixValue(Scanner s, int base) {
    unsigned value = 0;
    for (;;) {
        const int d = base == 16 ? TextLines::hexDigitValue(s.peek()) : s.peek() - '0';
        if (d < 0 || d >= base)
            return static_cast<std::uint8_t>(value);
        s.next();
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (value > 255)
            return std::nullopt;
    }
}

// A decimal number rounded half to even, decided on its digits so that no
// binary floating-point rounding comes in between (2.5000000000000000001 is 3).
std::optional<std::uint8_t> decimalValue(Scanner s) {
    bool negative = false;
    if (s.peek() == '+' || s.peek() == '-') {
        negative = s.peek() == '-';
        s.next();
    }

    // First pass: the extent of the mantissa and the exponent.
    const Scanner mantissa = s;
    std::int64_t intDigits = 0;
    std::int64_t fracDigits = 0;
    while (isDigit(s.peek())) {
        s.next();
        ++intDigits;
    }
    if (s.peek() == '.') {
        s.next();
        while (isDigit(s.peek())) {
            s.next();
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return std::uint8_t{0};

    std::int64_t exponent = 0;
    if (s.peek() == 'E' || s.peek() == 'e') {
        s.next();
        bool negativeExponent = false;
        if (s.peek() == '+' || s.peek() == '-') {
            negativeExponent = s.peek() == '-';
            s.next();
        }
        while (isDigit(s.peek())) {
            exponent = std::min(exponent * 10 + (s.peek() - '0'), ExponentLimit);
            s.next();
        }
        if (negativeExponent)
            exponent = -exponent;
    }

    // Second pass over the mantissa digits, leading zeros skipped. With the
    // significant digits read as 0.d1d2d3... the value is that times 10^point.
    Scanner digits = mantissa;
    const std::int64_t total = intDigits + fracDigits;
    std::int64_t index = 0; // position in the run of mantissa digits
    auto nextDigit = [&]() {
        if (index == intDigits)
            digits.next(); // the decimal point
        const int d = digits.peek() - '0';
        digits.next();
        ++index;
        return d;
    };
    int d = 0;
    while (index < total && (d = nextDigit()) == 0) {
    }
    if (d == 0)
        return std::uint8_t{0};
    const std::int64_t leadingZeros = index - 1;
    const std::int64_t point = intDigits - leadingZeros + exponent;
    if (point > 3)
        return std::nullopt; // 1000 or more
    if (point < 0)
        return std::uint8_t{0}; // below 0.1

    // d holds the first significant digit; the digits beyond the mantissa are 0.
    unsigned whole = 0;
    for (std::int64_t i = 0; i < point; ++i) {
        whole = whole * 10 + static_cast<unsigned>(d);
        d = index < total ? nextDigit() : 0;
    }
    const int roundingDigit = d;
    bool beyondHalf = false;
    while (!beyondHalf && index < total)
        beyondHalf = nextDigit() != 0;

    if (roundingDigit > 5 || (roundingDigit == 5 && (beyondHalf || whole % 2 == 1)))
        ++whole;
    if (whole > 255 || (negative && whole != 0))
        return std::nullopt;
    return static_cast<std::uint8_t>(whole);
}

// The line pieces the writer emits, " v \r\n", padded so each can be copied as
// eight bytes.
struct Piece {
    std::array<char, 8> bytes{};
    std::size_t size = 0;
};

constexpr std::array<Piece, 256> makePieces() {
    std::array<Piece, 256> pieces{};
    for (int v = 0; v < 256; ++v) {
        Piece& piece = pieces[static_cast<std::size_t>(v)];
        std::size_t n = 0;
        piece.bytes[n++] = ' ';
        if (v >= 100)
            piece.bytes[n++] = static_cast<char>('0' + v / 100);
        if (v >= 10)
            piece.bytes[n++] = static_cast<char>('0' + v / 10 % 10);
        piece.bytes[n++] = static_cast<char>('0' + v % 10);
        piece.bytes[n++] = ' ';
        piece.bytes[n++] = '\r';
        piece.bytes[n++] = '\n';
        piece.size = n;
    }
    return pieces;
}

constexpr std::array<Piece, 256> Pieces = makePieces();

} // namespace

int frameCountForLength(std::uint64_t length) {
    const std::uint64_t frames = length / BytesPerFrame + (length % BytesPerFrame != 0 ? 1 : 0);
    constexpr auto intMax = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    return static_cast<int>(std::min(frames, intMax));
}

std::optional<std::uint8_t> lineValue(std::string_view line) {
    Scanner s(line);
    if (s.peek() == '&') {
        Scanner radix = s;
        radix.next();
        const int prefix = radix.peek();
        if (prefix == 'H' || prefix == 'h' || prefix == 'O' || prefix == 'o') {
            radix.next();
            return radixValue(radix, prefix == 'H' || prefix == 'h' ? 16 : 8);
        }
        return std::uint8_t{0};
    }
    return decimalValue(s);
}

ReadResult read(std::string_view bytes) {
    ReadResult result;
    auto fail = [&](ReadError error, std::size_t line) {
        result.frames = {};
        result.frameCount = 0;
        result.error = error;
        result.failedLine = line;
        return std::move(result);
    };

    if (bytes.empty())
        return fail(ReadError::Empty, 0);
    const int frameCount = frameCountForLength(bytes.size());
    if (frameCount > MaxFrames)
        return fail(ReadError::TooLarge, 0);

    result.frameCount = frameCount;
    result.frames.assign(FrameStore::sizeFor(frameCount), 0);
    std::uint8_t* const store = result.frames.data();
    const std::size_t storeSize = result.frames.size();

    const char* const text = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    std::size_t line = 0;
    while (pos < size) {
        if (line == storeSize)
            return fail(ReadError::TooManyLines, line);

        // The lines the writer makes: a blank, one to three digits, a blank, CR LF.
        if (text[pos] == ' ' && size - pos >= 5 && isDigit(text[pos + 1])) {
            unsigned value = static_cast<unsigned>(text[pos + 1] - '0');
            std::size_t q = pos + 2;
            const std::size_t digitsEnd = std::min(size, pos + 4);
            while (q < digitsEnd && isDigit(text[q])) {
                value = value * 10 + static_cast<unsigned>(text[q] - '0');
                ++q;
            }
            if (size - q >= 3 && text[q] == ' ' && text[q + 1] == '\r' && text[q + 2] == '\n' &&
                value <= 255) {
                store[line++] = static_cast<std::uint8_t>(value);
                pos = q + 3;
                continue;
            }
        }

        const void* cr = std::memchr(text + pos, '\r', size - pos);
        const std::size_t end =
            cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - text) : size;
        const std::optional<std::uint8_t> value = lineValue(bytes.substr(pos, end - pos));
        if (!value)
            return fail(ReadError::ValueOutOfRange, line);
        store[line++] = *value;
        pos = end + 1;
        if (end < size && pos < size && text[pos] == '\n')
            ++pos;
    }
    return result;
}

void write(std::span<const std::uint8_t> frames, std::string& out) {
    std::size_t length = 0;
    for (const std::uint8_t v : frames)
        length += Pieces[v].size;

    const std::size_t start = out.size();
    // Every piece is copied as a whole eight bytes; the slack takes the overhang.
    out.resize(start + length + sizeof(Piece::bytes));
    char* p = out.data() + start;
    for (const std::uint8_t v : frames) {
        const Piece& piece = Pieces[v];
        std::memcpy(p, piece.bytes.data(), sizeof(piece.bytes));
        p += piece.size;
    }
    out.resize(start + length);
}

std::string write(std::span<const std::uint8_t> frames) {
    std::string out;
    write(frames, out);
    return out;
}

} // namespace LedFormat
