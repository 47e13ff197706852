#include "export/FileIntegrity.h"

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

} // namespace

bool bmpCutShort(const QByteArray& bytes) {
    constexpr int FileHeaderLength = 14;
    if (!bytes.startsWith("BM"))
        return false;
    if (bytes.size() < FileHeaderLength)
        return true;
    const quint32 declared = quint32{at(bytes, 2)} | quint32{at(bytes, 3)} << 8 |
                             quint32{at(bytes, 4)} << 16 | quint32{at(bytes, 5)} << 24;
    return declared > static_cast<quint64>(bytes.size());
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
