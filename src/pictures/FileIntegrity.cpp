#include "pictures/FileIntegrity.h"

#include <algorithm>
#include <cstdlib>

namespace FileIntegrity {
namespace {

constexpr uchar MarkerPrefix = 0xff;
constexpr uchar StartOfImage = 0xd8;
constexpr uchar EndOfImage = 0xd9;
constexpr uchar StartOfScan = 0xda;

uchar at(const QByteArray& bytes, qsizetype index) {
    return static_cast<uchar>(bytes[index]);
}

bool standalone(uchar marker) {
    return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7); // TEM, RST0..RST7
}

// Entropy-coded data after a scan header: FF is followed by 00 (a stuffed byte),
// a restart marker or fill; anything else is the next marker, whose position is
// returned (the length when there is none).
qsizetype skipEntropyData(const QByteArray& bytes, qsizetype position) {
    while (position + 1 < bytes.size()) {
        const uchar next = at(bytes, position + 1);
        if (at(bytes, position) == MarkerPrefix && next != 0 && next != MarkerPrefix &&
            !standalone(next))
            return position;
        ++position;
    }
    return bytes.size();
}

quint32 dwordAt(const QByteArray& bytes, qsizetype index) {
    return quint32{at(bytes, index)} | quint32{at(bytes, index + 1)} << 8 |
           quint32{at(bytes, index + 2)} << 16 | quint32{at(bytes, index + 3)} << 24;
}

int wordAt(const QByteArray& bytes, qsizetype index) {
    return at(bytes, index) | at(bytes, index + 1) << 8;
}

// Run-length coded pixels (RLE8, RLE4) end with an end-of-bitmap marker; each
// step is a run (count, value) or an escape (0, code): end of line, end of
// bitmap, a jump with two more bytes, or that many literal pixels padded to a
// whole word.
bool runLengthCutShort(const QByteArray& bytes, qsizetype position, bool fourBit) {
    constexpr uchar EndOfLine = 0;
    constexpr uchar EndOfBitmap = 1;
    constexpr uchar Jump = 2;
    while (position + 1 < bytes.size()) {
        const uchar count = at(bytes, position);
        const uchar code = at(bytes, position + 1);
        position += 2;
        if (count != 0 || code == EndOfLine)
            continue;
        if (code == EndOfBitmap)
            return false;
        if (code == Jump) {
            position += 2;
            continue;
        }
        const qsizetype literal = fourBit ? (code + 1) / 2 : code;
        position += literal + literal % 2;
    }
    return true;
}

// Whether the pixels the BMP's headers promise are all there. Headers this does
// not know are left to the decoder.
bool bmpPixelsCutShort(const QByteArray& bytes) {
    constexpr int FileHeaderLength = 14;
    constexpr int CoreHeaderLength = 12;
    constexpr int InfoHeaderLength = 40;
    enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };
    if (bytes.size() < FileHeaderLength + 4)
        return true;
    const quint32 headerLength = dwordAt(bytes, FileHeaderLength);
    if (bytes.size() < FileHeaderLength + std::min<qint64>(headerLength, InfoHeaderLength))
        return true;
    qint64 width = 0;
    qint64 height = 0;
    int bitsPerPixel = 0;
    quint32 compression = Rgb;
    if (headerLength == CoreHeaderLength) {
        width = wordAt(bytes, 18);
        height = wordAt(bytes, 20);
        bitsPerPixel = wordAt(bytes, 24);
    } else if (headerLength >= InfoHeaderLength) {
        width = qint32(dwordAt(bytes, 18));
        height = qint32(dwordAt(bytes, 22));
        bitsPerPixel = wordAt(bytes, 28);
        compression = dwordAt(bytes, 30);
    } else {
        return false;
    }
    const qint64 pixels = dwordAt(bytes, 10);
    if (compression == Rle8 || compression == Rle4)
        return runLengthCutShort(bytes, pixels, compression == Rle4);
    if (compression != Rgb && compression != BitFields && compression != AlphaBitFields)
        return false;
    const qint64 lineBytes = (std::abs(width) * bitsPerPixel + 31) / 32 * 4;
    const qint64 room = bytes.size() - pixels;
    return room < 0 || (lineBytes > 0 && std::abs(height) > room / lineBytes);
}

} // namespace

bool bmpCutShort(const QByteArray& bytes) {
    constexpr int FileHeaderLength = 14;
    if (!bytes.startsWith("BM"))
        return false;
    if (bytes.size() < FileHeaderLength)
        return true;
    return dwordAt(bytes, 2) > static_cast<quint64>(bytes.size()) || bmpPixelsCutShort(bytes);
}

bool jpegCutShort(const QByteArray& bytes) {
    if (bytes.size() < 2 || at(bytes, 0) != MarkerPrefix || at(bytes, 1) != StartOfImage)
        return false;
    qsizetype position = 2;
    while (position + 1 < bytes.size()) {
        if (at(bytes, position) != MarkerPrefix)
            return true;
        const uchar marker = at(bytes, position + 1);
        if (marker == EndOfImage)
            return false;
        if (marker == MarkerPrefix || standalone(marker)) {
            position += marker == MarkerPrefix ? 1 : 2;
            continue;
        }
        if (position + 3 >= bytes.size())
            return true;
        const int length = at(bytes, position + 2) << 8 | at(bytes, position + 3);
        if (length < 2)
            return true;
        position += 2 + length;
        if (marker == StartOfScan)
            position = skipEntropyData(bytes, position);
    }
    return true;
}

} // namespace FileIntegrity
