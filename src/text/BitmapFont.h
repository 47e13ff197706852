#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

// Text drawn in a font: `width` x `height` cells, row-major from the top-left,
// 1 where a pixel of a glyph is set.
struct TextStrip {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> cells;

    bool lit(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               cells[static_cast<std::size_t>(y * width + x)] != 0;
    }
};

// A font read with FreeType: the fixed X fonts (PCF, also gzip-compressed, and
// BDF) as they are drawn, and outline fonts (TrueType, OpenType, Type 1) at a
// chosen pixel height with every pixel at least half covered lit.
//
// Text is laid out glyph after glyph by their advances on one baseline; a
// character the font lacks is drawn as the font's default glyph (glyph 0, which
// FreeType makes the default character of an X font and which is .notdef in an
// outline font).
class BitmapFont {
public:
    static constexpr int MinPixelHeight = 4;
    static constexpr int MaxPixelHeight = 64;
    static constexpr int DefaultPixelHeight = 16;

    BitmapFont();
    ~BitmapFont();
    BitmapFont(BitmapFont&&) noexcept;
    BitmapFont& operator=(BitmapFont&&) noexcept;

    // Reads the font in `path`; an outline font, or an X font with several sizes,
    // is set to `pixelHeight` (the line from the highest ascender to the lowest
    // descender). Empty when it worked; otherwise a one-line reason, and the font
    // stays as it was.
    QString open(const QString& path, int pixelHeight = DefaultPixelHeight);

    bool isOpen() const { return face_ != nullptr; }
    // True when the pixel height given to open() changes the font's size.
    bool sizeChoosable() const { return sizeChoosable_; }
    // The family and style, as the font names them.
    QString name() const { return name_; }
    // The rows of a line of text, and the row of the baseline from the top.
    int height() const { return height_; }
    int baseline() const { return baseline_; }

    // The text on one line: as wide as the glyphs' advances together.
    TextStrip render(const QString& text) const;
    // The text broken into lines no wider than `width` where it can be (between
    // words, or inside a word too long for a line), each line centred, one under
    // the other.
    TextStrip renderLines(const QString& text, int width) const;

private:
    struct LibraryDeleter {
        void operator()(FT_LibraryRec_* library) const;
    };
    struct FaceDeleter {
        void operator()(FT_FaceRec_* face) const;
    };

    int advance(char32_t character) const;
    int textWidth(const QString& text) const;
    void drawGlyph(TextStrip& strip, char32_t character, int penX, int top) const;
    std::vector<QString> wrap(const QString& text, int width) const;

    // The face is let go before the library it belongs to.
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library_;
    std::unique_ptr<FT_FaceRec_, FaceDeleter> face_;
    QString name_;
    int height_ = 0;
    int baseline_ = 0;
    bool sizeChoosable_ = false;
};
