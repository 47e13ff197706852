#include "pictures/GifScan.h"

#include <utility>

namespace GifScan {
namespace {

constexpr uchar ExtensionIntroducer = 0x21;
constexpr uchar ImageSeparator = 0x2c;
constexpr uchar Trailer = 0x3b;
constexpr uchar GraphicControlLabel = 0xf9;
constexpr qsizetype HeaderLength = 6 + 7; // signature and version, logical screen
constexpr qsizetype DescriptorLength = 9; // after the separator: place, size, flags

// Walks the GIF's blocks by their lengths. giflib's block reader keeps a record of
// every image it passes in an array grown one entry at a time, which makes tens of
// thousands of frames slow; the walk needs no memory at all.
class Walker {
public:
    explicit Walker(const QByteArray& bytes) : bytes_(bytes) {}

    bool skip(qsizetype length) {
        position_ += length;
        return position_ <= bytes_.size();
    }
    bool next(uchar& byte) {
        if (position_ >= bytes_.size())
            return false;
        byte = static_cast<uchar>(bytes_[position_++]);
        return true;
    }
    uchar at(qsizetype offset) const { return static_cast<uchar>(bytes_[position_ + offset]); }
    int wordAt(qsizetype offset) const { return at(offset) | at(offset + 1) << 8; }

    // A colour table follows when bit 7 of the flags is set; 2^(n+1) entries.
    bool skipColourTable(uchar flags) {
        return (flags & 0x80) == 0 || skip(3 * (qsizetype{2} << (flags & 0x07)));
    }
    // Data sub-blocks: a length byte and that many bytes, until a length of 0.
    bool skipSubBlocks() {
        uchar length = 0;
        do {
            if (!next(length) || !skip(length))
                return false;
        } while (length != 0);
        return true;
    }
    // After a graphic control label: its delay in hundredths, the second and
    // third of the four bytes of its first sub-block; NoDelay when it is shorter.
    int controlDelay() const {
        constexpr int Length = 4;
        if (position_ + 1 + Length > bytes_.size() || at(0) < Length)
            return NoDelay;
        return wordAt(2);
    }
    bool skipImage(QSize& canvas) {
        if (position_ + DescriptorLength > bytes_.size())
            return false;
        canvas = canvas.expandedTo({wordAt(0) + wordAt(4), wordAt(2) + wordAt(6)});
        const uchar flags = at(DescriptorLength - 1);
        return skip(DescriptorLength) && skipColourTable(flags) &&
               skip(1) /* LZW minimum code size */ && skipSubBlocks();
    }

private:
    const QByteArray& bytes_;
    qsizetype position_ = 0;
};

} // namespace

bool looksLikeGif(const QByteArray& bytes) {
    return bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a");
}

Summary scan(const QByteArray& bytes, int limit) {
    if (!looksLikeGif(bytes) || bytes.size() < HeaderLength)
        return {};
    Walker walker(bytes);
    const uchar screenFlags = static_cast<uchar>(bytes[10]);
    Summary summary{0, QSize(walker.wordAt(6), walker.wordAt(8)), {}}; // the logical screen
    if (!walker.skip(HeaderLength) || !walker.skipColourTable(screenFlags))
        return {};
    uchar record = 0;
    int delay = NoDelay; // of the graphic control block before the next image
    while (summary.frames <= limit) {
        if (!walker.next(record))
            return {};
        if (record == Trailer)
            return summary;
        uchar label = 0;
        if (record == ImageSeparator) {
            if (!walker.skipImage(summary.canvas))
                return {};
            ++summary.frames;
            summary.delays.push_back(std::exchange(delay, NoDelay));
        } else if (record != ExtensionIntroducer || !walker.next(label)) {
            return {};
        } else {
            if (label == GraphicControlLabel)
                delay = walker.controlDelay();
            if (!walker.skipSubBlocks())
                return {};
        }
    }
    return summary;
}

int countFrames(const QByteArray& bytes, int limit) {
    return scan(bytes, limit).frames;
}

} // namespace GifScan
