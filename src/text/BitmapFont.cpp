#include "text/BitmapFont.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>

#include <zlib.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H

namespace {

// Glyphs are kept once drawn until they take this many cells together; more are
// drawn each time they are needed.
constexpr std::size_t KeptGlyphCells = std::size_t(1) << 24;
constexpr std::int64_t Megabyte = std::int64_t(1) << 20;

QString quoted(const QString& path) {
    return QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
}

QString notAFont(const QString& path) {
    return QStringLiteral("%1 is not a font file.").arg(quoted(path));
}

QString damaged(const QString& path) {
    return QStringLiteral("%1 is damaged or not a font file.").arg(quoted(path));
}

QString tooLargeFile(const QString& path) {
    return QStringLiteral("%1 is larger than a font file may be (%2 MB).")
        .arg(quoted(path))
        .arg(BitmapFont::MaxFileBytes / Megabyte);
}

QString openError(FT_Error error, const QString& path) {
    switch (FT_ERROR_BASE(error)) {
    case FT_Err_Unknown_File_Format:
    // What a file too short for any font gives from memory; FreeType itself
    // turns it into the one above for a file it opens.
    case FT_Err_Invalid_Stream_Operation:
        return notAFont(path);
    case FT_Err_Invalid_File_Format:
        return damaged(path);
    case FT_Err_Out_Of_Memory:
        return QStringLiteral("%1 needs more memory than a font may take (%2 MB).")
            .arg(quoted(path))
            .arg(BitmapFont::MaxFreeTypeBytes / Megabyte);
    default:
        return QStringLiteral("%1 could not be read as a font (FreeType error %2).")
            .arg(quoted(path))
            .arg(error);
    }
}

QString tooLargeText(std::int64_t width, std::int64_t height) {
    return QStringLiteral("The text would be %1 \u00d7 %2 pixels; at most %3 pixels, %4 "
                          "along a side, can be drawn.")
        .arg(width)
        .arg(height)
        .arg(BitmapFont::MaxStripCells)
        .arg(BitmapFont::MaxStripSide);
}

bool drawable(std::int64_t width, std::int64_t height) {
    return width <= BitmapFont::MaxStripSide && height <= BitmapFont::MaxStripSide &&
           width * height <= BitmapFont::MaxStripCells;
}

bool gzipped(const QByteArray& file) {
    return file.startsWith("\x1f\x8b");
}

// The file unpacked, or why not. Trailing bytes after the compressed stream are
// left, as FreeType leaves them.
QString gunzip(const QByteArray& packed, const QString& path, QByteArray& unpacked) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return QStringLiteral("%1 cannot be unpacked.").arg(quoted(path));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    QByteArray out;
    int result = Z_OK;
    bool tooLarge = false;
    while (result == Z_OK) {
        const auto done = qsizetype(stream.total_out);
        if (done == out.size()) {
            if (out.size() > BitmapFont::MaxFileBytes) {
                tooLarge = true;
                break;
            }
            out.resize(qsizetype(std::min(std::max<std::int64_t>(2 * out.size(), 64 * 1024),
                                          BitmapFont::MaxFileBytes + 1)));
        }
        stream.next_out = reinterpret_cast<Bytef*>(out.data()) + done;
        stream.avail_out = uInt(out.size() - done);
        result = inflate(&stream, Z_NO_FLUSH);
    }
    out.truncate(qsizetype(stream.total_out));
    inflateEnd(&stream);
    if (tooLarge)
        return tooLargeFile(path);
    if (result != Z_STREAM_END)
        return damaged(path);
    unpacked = std::move(out);
    return {};
}

// FreeType's memory for one font, counted: an allocation past MaxFreeTypeBytes
// fails, and so does the font that asked for it, instead of the program.
struct CountedMemory {
    FT_MemoryRec_ functions{};
    std::int64_t used = 0;
};

// Each block is preceded by its size, for free() to count it back.
struct alignas(std::max_align_t) BlockHeader {
    std::int64_t size;
};

CountedMemory& counted(FT_Memory memory) {
    return *static_cast<CountedMemory*>(memory->user);
}

bool fits(const CountedMemory& memory, std::int64_t more) {
    return more <= BitmapFont::MaxFreeTypeBytes - memory.used;
}

void* allocate(FT_Memory memory, long size) {
    CountedMemory& count = counted(memory);
    if (size <= 0 || !fits(count, size))
        return nullptr;
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + std::size_t(size)));
    if (!header)
        return nullptr;
    header->size = size;
    count.used += size;
    return header + 1;
}

void release(FT_Memory memory, void* block) {
    if (!block)
        return;
    auto* header = static_cast<BlockHeader*>(block) - 1;
    counted(memory).used -= header->size;
    std::free(header);
}

void* reallocate(FT_Memory memory, long, long newSize, void* block) {
    if (!block)
        return allocate(memory, newSize);
    CountedMemory& count = counted(memory);
    auto* header = static_cast<BlockHeader*>(block) - 1;
    const std::int64_t oldSize = header->size;
    if (newSize <= 0 || !fits(count, newSize - oldSize))
        return nullptr;
    auto* moved =
        static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + std::size_t(newSize)));
    if (!moved)
        return nullptr;
    moved->size = newSize;
    count.used += newSize - oldSize;
    return moved + 1;
}

// The X font's size nearest to `pixelHeight`.
int nearestStrike(FT_Face face, int pixelHeight) {
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
        if (std::abs(face->available_sizes[i].height - pixelHeight) <
            std::abs(face->available_sizes[best].height - pixelHeight))
            best = i;
    }
    return best;
}

std::int64_t wholePixels(FT_Pos pos26dot6) {
    return std::int64_t(pos26dot6 >> 6) + ((pos26dot6 & 63) >= 32 ? 1 : 0);
}

int clampedToStrip(std::int64_t value) {
    return int(std::clamp(value, -BitmapFont::MaxStripSide, BitmapFont::MaxStripSide));
}

// The bitmap's row `y` from the top, whichever way its rows run in memory.
const unsigned char* bitmapRow(const FT_Bitmap& bitmap, unsigned y) {
    const unsigned rowFromStart = bitmap.pitch >= 0 ? y : bitmap.rows - 1 - y;
    return bitmap.buffer + static_cast<std::ptrdiff_t>(rowFromStart) * std::abs(bitmap.pitch);
}

// A cover of 0..255 as a level, rounded: a level of at least HalfLevel is a
// cover of at least 128, half the pixel.
std::uint8_t coverLevel(unsigned cover) {
    return static_cast<std::uint8_t>((cover * FrameStore::MaxLevel + 127) / 255);
}

// The pixel's cover as a level: a set pixel of a bitmap is MaxLevel.
std::uint8_t pixelLevel(const FT_Bitmap& bitmap, unsigned x, unsigned y) {
    const unsigned char* row = bitmapRow(bitmap, y);
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_MONO:
        return (row[x / 8] >> (7 - x % 8)) & 1 ? FrameStore::MaxLevel : 0;
    case FT_PIXEL_MODE_GRAY:
        return coverLevel(row[x]);
    case FT_PIXEL_MODE_BGRA:
        return coverLevel(row[4 * x + 3]);
    default:
        return 0;
    }
}

// A character's glyph as it stands on a line: its advance, and its pixels' levels
// of cover within the line's rows, `left` columns from the pen and `top` rows
// below the line's top.
struct Glyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> cells;
};

struct Line {
    std::u32string text;
    std::int64_t width = 0;
};

std::vector<std::u32string> words(const std::u32string& text) {
    std::vector<std::u32string> found;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(U' ', start);
        end = end == std::u32string::npos ? text.size() : end;
        if (end > start)
            found.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return found;
}

} // namespace

// The font file's bytes, FreeType's face of them and the glyphs drawn so far.
// Everything but the glyphs stays as open() left it; drawing takes `drawing`.
struct BitmapFont::Face {
    explicit Face(QByteArray bytes) : file(std::move(bytes)) {
        memory.functions.user = &memory;
        memory.functions.alloc = allocate;
        memory.functions.free = release;
        memory.functions.realloc = reallocate;
    }
    ~Face() {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_Library(library);
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    QString open(const QString& path, int pixelHeight);
    QString setSize(const QString& path, int pixelHeight);

    const Glyph& glyph(char32_t character);
    Glyph drawGlyph(char32_t character);
    std::int64_t widthOf(const std::u32string& text);
    std::vector<Line> wrap(const std::u32string& text, std::int64_t width);
    bool drawLine(TextStrip& strip, const Line& line, std::int64_t left, int top, const Stop& stop);
    void start(TextStrip& strip, std::int64_t width, std::int64_t height, Coverage coverage) const;

    const QByteArray file; // FreeType reads it for as long as the face lives
    CountedMemory memory;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    QString name;
    int height = 0;
    int baseline = 0;
    bool sizeChoosable = false;

    std::mutex drawing;
    std::unordered_map<char32_t, Glyph> glyphs;
    std::size_t keptCells = 0;
    Glyph unkept;
};

QString BitmapFont::Face::open(const QString& path, int pixelHeight) {
    if (FT_New_Library(&memory.functions, &library) != 0)
        return QStringLiteral("FreeType could not be started.");
    FT_Add_Default_Modules(library);
    FT_Set_Default_Properties(library);
    if (const FT_Error error =
            FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(file.constData()),
                               FT_Long(file.size()), 0, &face))
        return openError(error, path);
    // An X font in another encoding than Unicode is read through its own map.
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
        FT_Set_Charmap(face, face->charmaps[0]);
    if (const QString why = setSize(path, pixelHeight); !why.isEmpty())
        return why;
    sizeChoosable = FT_IS_SCALABLE(face) || face->num_fixed_sizes > 1;
    name = QStringLiteral("%1 %2").arg(QString::fromUtf8(face->family_name),
                                       QString::fromUtf8(face->style_name));
    return {};
}

QString BitmapFont::Face::setSize(const QString& path, int pixelHeight) {
    std::int64_t lineHeight = 0;
    std::int64_t lineBaseline = 0;
    if (FT_IS_SCALABLE(face)) {
        FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, FT_Long(pixelHeight) * 64, 0,
                                   0};
        if (FT_Request_Size(face, &request) != 0)
            return QStringLiteral("%1 cannot be drawn %2 pixels high.")
                .arg(quoted(path))
                .arg(pixelHeight);
        const double line = double(face->ascender) - double(face->descender);
        lineHeight = pixelHeight;
        lineBaseline = line > 0 ? std::llround(pixelHeight * face->ascender / line)
                                : wholePixels(face->size->metrics.ascender);
    } else if (face->num_fixed_sizes > 0) {
        if (FT_Select_Size(face, nearestStrike(face, pixelHeight)) != 0)
            return QStringLiteral("%1 has no size that can be drawn.").arg(quoted(path));
        const FT_Size_Metrics& metrics = face->size->metrics;
        lineBaseline = wholePixels(metrics.ascender);
        lineHeight = lineBaseline - wholePixels(metrics.descender);
        if (lineHeight <= 0) {
            lineHeight = metrics.y_ppem;
            lineBaseline = lineHeight;
        }
    }
    if (lineHeight <= 0)
        return QStringLiteral("%1 has no size that can be drawn.").arg(quoted(path));
    if (lineHeight > MaxPixelHeight)
        return QStringLiteral("%1 is %2 pixels high; fonts up to %3 pixels high can be drawn.")
            .arg(quoted(path))
            .arg(lineHeight)
            .arg(MaxPixelHeight);
    height = int(lineHeight);
    baseline = int(std::clamp<std::int64_t>(lineBaseline, 0, lineHeight));
    return {};
}

// A glyph that cannot be loaded takes no room; one that cannot be drawn keeps
// its advance.
Glyph BitmapFont::Face::drawGlyph(char32_t character) {
    Glyph glyph;
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, character), FT_LOAD_TARGET_MONO) != 0)
        return glyph;
    FT_GlyphSlot slot = face->glyph;
    glyph.advance = int(std::clamp<std::int64_t>(wholePixels(slot->advance.x), 0, MaxStripSide));
    // Outlines are drawn in grey; each pixel keeps its level of cover.
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.buffer == nullptr)
        return glyph;
    // Only the rows within the line are kept.
    const std::int64_t top = std::int64_t(baseline) - slot->bitmap_top;
    const std::int64_t firstRow = std::max<std::int64_t>(0, -top);
    const std::int64_t endRow = std::min<std::int64_t>(bitmap.rows, height - top);
    if (firstRow >= endRow || bitmap.width == 0)
        return glyph;
    glyph.left = clampedToStrip(slot->bitmap_left);
    glyph.top = int(top + firstRow);
    glyph.width = int(std::min<std::int64_t>(bitmap.width, MaxStripSide));
    glyph.rows = int(endRow - firstRow);
    glyph.cells.resize(std::size_t(glyph.width) * std::size_t(glyph.rows));
    for (int y = 0; y < glyph.rows; ++y)
        for (int x = 0; x < glyph.width; ++x)
            glyph.cells[std::size_t(y) * std::size_t(glyph.width) + std::size_t(x)] =
                pixelLevel(bitmap, unsigned(x), unsigned(firstRow + y));
    return glyph;
}

const Glyph& BitmapFont::Face::glyph(char32_t character) {
    if (const auto kept = glyphs.find(character); kept != glyphs.end())
        return kept->second;
    Glyph drawn = drawGlyph(character);
    if (keptCells + drawn.cells.size() > KeptGlyphCells) {
        unkept = std::move(drawn);
        return unkept;
    }
    keptCells += drawn.cells.size();
    return glyphs.emplace(character, std::move(drawn)).first->second;
}

std::int64_t BitmapFont::Face::widthOf(const std::u32string& text) {
    std::int64_t width = 0;
    for (const char32_t c : text)
        width += glyph(c).advance;
    return width;
}

std::vector<Line> BitmapFont::Face::wrap(const std::u32string& text, std::int64_t width) {
    const std::int64_t space = glyph(U' ').advance;
    std::vector<Line> lines;
    Line line;
    const auto endLine = [&] {
        lines.push_back(std::move(line));
        line = {};
    };
    for (const std::u32string& word : words(text)) {
        const std::int64_t wordWidth = widthOf(word);
        if (!line.text.empty() && line.width + space + wordWidth <= width) {
            line.text += U' ' + word;
            line.width += space + wordWidth;
            continue;
        }
        if (!line.text.empty())
            endLine();
        if (wordWidth <= width) {
            line = {word, wordWidth};
            continue;
        }
        // A word too wide for a line is cut where it must be, a character at least a piece.
        for (const char32_t c : word) {
            const int advance = glyph(c).advance;
            if (!line.text.empty() && line.width + advance > width)
                endLine();
            line.text += c;
            line.width += advance;
        }
    }
    if (!line.text.empty())
        endLine();
    if (lines.empty())
        lines.push_back({text, widthOf(text)});
    return lines;
}

// Draws the line with the pen starting at column `left` and its top at row
// `top`, each glyph cut to the line's box. False when `stop` gave it up.
bool BitmapFont::Face::drawLine(TextStrip& strip, const Line& line, std::int64_t left, int top,
                                const Stop& stop) {
    const std::int64_t boxLeft = std::max<std::int64_t>(left, 0);
    const std::int64_t boxRight = std::min<std::int64_t>(left + line.width, strip.width);
    std::int64_t pen = left;
    for (const char32_t c : line.text) {
        if (stop && stop())
            return false;
        const Glyph& g = glyph(c);
        const std::int64_t glyphLeft = pen + g.left;
        const std::int64_t from = std::max<std::int64_t>(0, boxLeft - glyphLeft);
        const std::int64_t to = std::min<std::int64_t>(g.width, boxRight - glyphLeft);
        for (int y = 0; y < g.rows; ++y) {
            const std::size_t row = std::size_t(top + g.top + y) * std::size_t(strip.width);
            for (std::int64_t x = from; x < to; ++x) {
                const std::uint8_t level =
                    g.cells[std::size_t(y) * std::size_t(g.width) + std::size_t(x)];
                std::uint8_t& cell = strip.cells[row + std::size_t(glyphLeft + x)];
                if (strip.hasLevels)
                    cell = std::max(cell, level);
                else if (level >= FrameStore::HalfLevel)
                    cell = 1;
            }
        }
        pen += g.advance;
    }
    return true;
}

// The strip's size and dark cells; levels only where an outline font asks for them.
void BitmapFont::Face::start(TextStrip& strip, std::int64_t width, std::int64_t height,
                             Coverage coverage) const {
    strip.width = int(width);
    strip.height = int(height);
    strip.cells.assign(std::size_t(strip.width) * std::size_t(strip.height), 0);
    strip.hasLevels = coverage == Coverage::Levels && FT_IS_SCALABLE(face);
}

QString BitmapFont::open(const QString& path, int pixelHeight) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1 does not exist.").arg(quoted(path));
    // Reading would wait forever on a pipe or a device.
    if (!info.isFile())
        return QStringLiteral("%1 is not a file.").arg(quoted(path));
    if (info.size() > MaxFileBytes)
        return tooLargeFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be opened.").arg(quoted(path));
    // One byte more than the size shows a file that grew past it.
    const QByteArray bytes = file.read(std::min<std::int64_t>(info.size(), MaxFileBytes) + 1);
    if (bytes.size() > MaxFileBytes)
        return tooLargeFile(path);
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("%1 cannot be read.").arg(quoted(path));
    return read(bytes, path, pixelHeight);
}

QString BitmapFont::read(const QByteArray& file, const QString& path, int pixelHeight) {
    if (file.isEmpty())
        return notAFont(path);
    if (file.size() > MaxFileBytes)
        return tooLargeFile(path);
    QByteArray bytes = file;
    if (gzipped(file))
        if (const QString why = gunzip(file, path, bytes); !why.isEmpty())
            return why;
    auto face = std::make_shared<Face>(std::move(bytes));
    const QString why =
        face->open(path, std::clamp(pixelHeight, int(MinPixelHeight), int(MaxPixelHeight)));
    if (why.isEmpty())
        face_ = std::move(face);
    return why;
}

QByteArray BitmapFont::fileBytes() const {
    return face_ ? face_->file : QByteArray();
}

bool BitmapFont::sizeChoosable() const {
    return face_ && face_->sizeChoosable;
}

QString BitmapFont::name() const {
    return face_ ? face_->name : QString();
}

int BitmapFont::height() const {
    return face_ ? face_->height : 0;
}

int BitmapFont::baseline() const {
    return face_ ? face_->baseline : 0;
}

TextExtent BitmapFont::extent(const QString& text) const {
    if (!face_)
        return {};
    const std::lock_guard lock(face_->drawing);
    return {face_->widthOf(text.toStdU32String()), face_->height};
}

TextExtent BitmapFont::linesExtent(const QString& text, int width) const {
    if (!face_)
        return {};
    const std::lock_guard lock(face_->drawing);
    const std::vector<Line> lines = face_->wrap(text.toStdU32String(), width);
    std::int64_t widest = width;
    for (const Line& line : lines)
        widest = std::max(widest, line.width);
    return {widest, std::int64_t(lines.size()) * face_->height};
}

TextStrip BitmapFont::render(const QString& text, const Stop& stop, Coverage coverage) const {
    TextStrip strip;
    if (!face_)
        return strip;
    const std::lock_guard lock(face_->drawing);
    Line line{text.toStdU32String(), 0};
    line.width = face_->widthOf(line.text);
    if (!drawable(line.width, face_->height)) {
        strip.refusal = tooLargeText(line.width, face_->height);
        return strip;
    }
    face_->start(strip, line.width, face_->height, coverage);
    if (!face_->drawLine(strip, line, 0, 0, stop))
        return {};
    return strip;
}

TextStrip BitmapFont::renderLines(const QString& text, int width, const Stop& stop,
                                  Coverage coverage) const {
    TextStrip strip;
    if (!face_)
        return strip;
    const std::lock_guard lock(face_->drawing);
    const std::vector<Line> lines = face_->wrap(text.toStdU32String(), width);
    std::int64_t stripWidth = width;
    for (const Line& line : lines)
        stripWidth = std::max(stripWidth, line.width);
    const std::int64_t stripHeight = std::int64_t(lines.size()) * face_->height;
    if (!drawable(stripWidth, stripHeight)) {
        strip.refusal = tooLargeText(stripWidth, stripHeight);
        return strip;
    }
    face_->start(strip, stripWidth, stripHeight, coverage);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::int64_t left = (stripWidth - lines[i].width) / 2;
        if (!face_->drawLine(strip, lines[i], left, int(i) * face_->height, stop))
            return {};
    }
    return strip;
}
