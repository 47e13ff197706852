#pragma once

#include "frames/FrameStore.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Text drawn in a font: `width` x `height` cells, row-major from the top-left,
// 1 where a pixel of a glyph is set, or with levels how much of each pixel the
// glyphs cover, 0 to FrameStore::MaxLevel.
struct TextStrip {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> cells;
    bool hasLevels = false;
    // Why the text was not drawn, when it would have been too large; the strip
    // is then empty.
    QString refusal;

    // 0 outside the strip; without levels MaxLevel where a pixel is set.
    int level(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0;
        const std::uint8_t cell = cells[std::size_t(y) * std::size_t(width) + std::size_t(x)];
        return hasLevels ? cell : (cell != 0 ? FrameStore::MaxLevel : 0);
    }
    bool lit(int x, int y) const { return level(x, y) >= FrameStore::HalfLevel; }
};

// How an outline font's edges are drawn: lit where a pixel is at least half
// covered, or each pixel at the level of its cover (anti-aliased). A fixed font's
// pixels are set or not either way.
enum class Coverage { Threshold, Levels };

// The size a text would be drawn at, found without drawing it.
struct TextExtent {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// A font read with FreeType: the fixed X fonts (PCF and BDF, also
// gzip-compressed) as they are drawn, and outline fonts (TrueType, OpenType,
// Type 1) at a chosen pixel height with every pixel at least half covered lit,
// or each at the level of its cover.
//
// The font file is read into memory once, and unpacked there when it is
// compressed; every glyph is drawn from that copy, and each character's glyph
// is kept once drawn. Fonts and texts larger than the limits below are refused
// with a reason before anything is allocated for them, and FreeType may take no
// more than MaxFreeTypeBytes for a font.
//
// Text is laid out glyph after glyph by their advances on one baseline; a
// character the font lacks is drawn as the font's default glyph (glyph 0, which
// FreeType makes the default character of an X font and which is .notdef in an
// outline font). A glyph without a bitmap is drawn as nothing, its advance kept.
//
// Copies share the font; they may draw from several threads, one at a time.
class BitmapFont {
public:
    static constexpr int MinPixelHeight = 4;
    static constexpr int MaxPixelHeight = 64; // also the tallest fixed font read
    static constexpr int DefaultPixelHeight = 16;
    static constexpr std::int64_t MaxFileBytes = std::int64_t(64) << 20; // unpacked
    static constexpr std::int64_t MaxFreeTypeBytes = std::int64_t(256) << 20;
    static constexpr std::int64_t MaxStripSide = 65536;
    static constexpr std::int64_t MaxStripCells = MaxStripSide * MaxPixelHeight;

    // Asked between glyphs while drawing: true gives the drawing up, and it
    // returns an empty strip.
    using Stop = std::function<bool()>;

    // Reads the font in `path`; an outline font, or an X font with several sizes,
    // is set to `pixelHeight` (the line from the highest ascender to the lowest
    // descender). Empty when it worked; otherwise a one-line reason, and the font
    // stays as it was.
    QString open(const QString& path, int pixelHeight = DefaultPixelHeight);
    // The same for a font file's bytes already read; `path` names it in a reason.
    QString read(const QByteArray& file, const QString& path, int pixelHeight = DefaultPixelHeight);
    // The font file as read, unpacked: read() takes it again for another size.
    QByteArray fileBytes() const;

    bool isOpen() const { return face_ != nullptr; }
    // True when the pixel height given to open() changes the font's size.
    bool sizeChoosable() const;
    // The family and style, as the font names them.
    QString name() const;
    // The rows of a line of text, and the row of the baseline from the top.
    int height() const;
    int baseline() const;

    // The size render() and renderLines() would make.
    TextExtent extent(const QString& text) const;
    TextExtent linesExtent(const QString& text, int width) const;

    // The text on one line: as wide as the glyphs' advances together. With
    // Coverage::Levels an outline font gives a strip with levels.
    TextStrip render(const QString& text, const Stop& stop = {},
                     Coverage coverage = Coverage::Threshold) const;
    // The text broken into lines no wider than `width` where it can be (between
    // words, or inside a word too long for a line), each line centred, one under
    // the other.
    TextStrip renderLines(const QString& text, int width, const Stop& stop = {},
                          Coverage coverage = Coverage::Threshold) const;

private:
    struct Face;
    std::shared_ptr<Face> face_;
};
