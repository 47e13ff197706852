// libFuzzer target for the font reader: whatever the bytes (BDF, PCF, TrueType
// and the others FreeType reads, gzip-compressed or not), reading gives a font
// or a reason and no font, and a short text drawn in it, on one line and in
// lines as wide as the board, is a strip of 0 and 1 cells as large as its
// measure and within the limits, or a refusal and no strip.
#include "text/BitmapFont.h"

#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool withinLimits(const TextExtent& extent) {
    return extent.width <= BitmapFont::MaxStripSide && extent.height <= BitmapFont::MaxStripSide &&
           extent.width * extent.height <= BitmapFont::MaxStripCells;
}

// Millions of cells a strip at most: left out of the coverage, which would make
// each one a comparison to track.
__attribute__((no_sanitize("coverage"))) bool darkOrLit(const std::vector<std::uint8_t>& cells) {
    for (const std::uint8_t cell : cells)
        if (cell > 1)
            return false;
    return true;
}

void checkStrip(const TextStrip& strip, const TextExtent& extent) {
    check(extent.width >= 0 && extent.height >= 0);
    if (!strip.refusal.isEmpty()) {
        check(!withinLimits(extent));
        check(strip.width == 0 && strip.height == 0 && strip.cells.empty());
        return;
    }
    check(withinLimits(extent));
    check(strip.width == extent.width && strip.height == extent.height);
    check(strip.cells.size() == std::size_t(strip.width) * std::size_t(strip.height));
    check(darkOrLit(strip.cells));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Outline fonts and X fonts of several sizes are tried at every height the
    // dialog offers, one an input.
    const int pixelHeight =
        BitmapFont::MinPixelHeight +
        int(size % std::size_t(BitmapFont::MaxPixelHeight - BitmapFont::MinPixelHeight + 1));
    BitmapFont font;
    const QString why = font.read(bytes, QStringLiteral("fuzzed.font"), pixelHeight);
    check(why.isEmpty() == font.isOpen());
    if (!font.isOpen())
        return 0;
    check(font.height() >= 1 && font.height() <= BitmapFont::MaxPixelHeight);
    check(font.baseline() >= 0 && font.baseline() <= font.height());

    constexpr int Side = 16;
    for (const QString& text : {QStringLiteral("Hi W\u00e9 \u4e00\U0001F600!"),
                                QStringLiteral("WWWWWWWWWWWWWWWWWWWW AV")}) {
        checkStrip(font.render(text), font.extent(text));
        checkStrip(font.renderLines(text, Side), font.linesExtent(text, Side));
    }
    return 0;
}
