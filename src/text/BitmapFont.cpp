#include "text/BitmapFont.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

constexpr unsigned char HalfCovered = 128;

QString quoted(const QString& path) {
    return QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
}

QString openError(FT_Error error, const QString& path) {
    switch (FT_ERROR_BASE(error)) {
    case FT_Err_Unknown_File_Format:
        return QStringLiteral("%1 is not a font file.").arg(quoted(path));
    case FT_Err_Cannot_Open_Resource:
        return QStringLiteral("%1 cannot be opened.").arg(quoted(path));
    case FT_Err_Invalid_File_Format:
        return QStringLiteral("%1 is damaged or not a font file.").arg(quoted(path));
    default:
        return QStringLiteral("%1 could not be read as a font (FreeType error %2).")
            .arg(quoted(path))
            .arg(error);
    }
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

int wholePixels(FT_Pos pos26dot6) {
    return static_cast<int>((pos26dot6 + 32) >> 6);
}

// The bitmap's row `y` from the top, whichever way its rows run in memory.
const unsigned char* bitmapRow(const FT_Bitmap& bitmap, unsigned y) {
    const unsigned rowFromStart = bitmap.pitch >= 0 ? y : bitmap.rows - 1 - y;
    return bitmap.buffer + static_cast<std::ptrdiff_t>(rowFromStart) * std::abs(bitmap.pitch);
}

bool pixelSet(const FT_Bitmap& bitmap, unsigned x, unsigned y) {
    const unsigned char* row = bitmapRow(bitmap, y);
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_MONO:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case FT_PIXEL_MODE_GRAY:
        return row[x] >= HalfCovered;
    case FT_PIXEL_MODE_BGRA:
        return row[4 * x + 3] >= HalfCovered;
    default:
        return false;
    }
}

// Splits a word too wide for a line into pieces that fit, at least a character each.
template <typename Width> QStringList splitWord(const QString& word, int width, Width widthOf) {
    QStringList pieces;
    QString piece;
    for (const char32_t c : word.toUcs4()) {
        const QString next = piece + QString::fromUcs4(&c, 1);
        if (!piece.isEmpty() && widthOf(next) > width) {
            pieces.append(piece);
            piece = QString::fromUcs4(&c, 1);
        } else {
            piece = next;
        }
    }
    pieces.append(piece);
    return pieces;
}

} // namespace

void BitmapFont::LibraryDeleter::operator()(FT_LibraryRec_* library) const {
    FT_Done_FreeType(library);
}

void BitmapFont::FaceDeleter::operator()(FT_FaceRec_* face) const {
    FT_Done_Face(face);
}

BitmapFont::BitmapFont() = default;
BitmapFont::~BitmapFont() = default;
BitmapFont::BitmapFont(BitmapFont&&) noexcept = default;

// Member by member would free the old library, and its face with it, before the
// old face.
BitmapFont& BitmapFont::operator=(BitmapFont&& other) noexcept {
    face_.reset();
    library_ = std::move(other.library_);
    face_ = std::move(other.face_);
    name_ = std::move(other.name_);
    height_ = other.height_;
    baseline_ = other.baseline_;
    sizeChoosable_ = other.sizeChoosable_;
    return *this;
}

QString BitmapFont::open(const QString& path, int pixelHeight) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1 does not exist.").arg(quoted(path));
    // FreeType would wait forever on a pipe or a device.
    if (!info.isFile())
        return QStringLiteral("%1 is not a file.").arg(quoted(path));
    pixelHeight = std::clamp(pixelHeight, MinPixelHeight, MaxPixelHeight);

    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0)
        return QStringLiteral("FreeType could not be started.");
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library(rawLibrary);
    FT_Face rawFace = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (const FT_Error error = FT_New_Face(library.get(), file.constData(), 0, &rawFace))
        return openError(error, path);
    std::unique_ptr<FT_FaceRec_, FaceDeleter> face(rawFace);

    // An X font in another encoding than Unicode is read through its own map.
    if (FT_Select_Charmap(face.get(), FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
        FT_Set_Charmap(face.get(), face->charmaps[0]);

    int height = 0;
    int baseline = 0;
    if (FT_IS_SCALABLE(face.get())) {
        FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, FT_Long(pixelHeight) * 64, 0,
                                   0};
        if (FT_Request_Size(face.get(), &request) != 0)
            return QStringLiteral("%1 cannot be drawn %2 pixels high.")
                .arg(quoted(path))
                .arg(pixelHeight);
        const double line = double(face->ascender) - double(face->descender);
        height = pixelHeight;
        baseline = line > 0 ? int(std::lround(pixelHeight * face->ascender / line))
                            : wholePixels(face->size->metrics.ascender);
    } else if (face->num_fixed_sizes > 0) {
        if (FT_Select_Size(face.get(), nearestStrike(face.get(), pixelHeight)) != 0)
            return QStringLiteral("%1 has no size that can be drawn.").arg(quoted(path));
        const FT_Size_Metrics& metrics = face->size->metrics;
        baseline = wholePixels(metrics.ascender);
        height = baseline - wholePixels(metrics.descender);
        if (height <= 0) {
            height = face->size->metrics.y_ppem;
            baseline = height;
        }
    }
    if (height <= 0)
        return QStringLiteral("%1 has no size that can be drawn.").arg(quoted(path));

    sizeChoosable_ = FT_IS_SCALABLE(face.get()) || face->num_fixed_sizes > 1;
    name_ = QStringLiteral("%1 %2").arg(QString::fromUtf8(face->family_name),
                                        QString::fromUtf8(face->style_name));
    height_ = height;
    baseline_ = std::clamp(baseline, 0, height);
    face_ = std::move(face);
    library_ = std::move(library);
    return {};
}

// A glyph that cannot be loaded takes no room.
int BitmapFont::advance(char32_t character) const {
    FT_Face face = face_.get();
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, character), FT_LOAD_TARGET_MONO) != 0)
        return 0;
    return std::max(0, wholePixels(face->glyph->advance.x));
}

// Draws the glyph with its origin at (penX, lineTop + baseline), cut to the line.
void BitmapFont::drawGlyph(TextStrip& strip, char32_t character, int penX, int lineTop) const {
    FT_Face face = face_.get();
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, character), FT_LOAD_TARGET_MONO) != 0)
        return;
    FT_GlyphSlot slot = face->glyph;
    // Outlines are drawn in grey and thresholded at half cover.
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int left = penX + slot->bitmap_left;
    const int top = lineTop + baseline_ - slot->bitmap_top;
    for (unsigned gy = 0; gy < bitmap.rows; ++gy) {
        const int y = top + int(gy);
        if (y < lineTop || y >= std::min(lineTop + height_, strip.height))
            continue;
        for (unsigned gx = 0; gx < bitmap.width; ++gx) {
            const int x = left + int(gx);
            if (x >= 0 && x < strip.width && pixelSet(bitmap, gx, gy))
                strip.cells[static_cast<std::size_t>(y * strip.width + x)] = 1;
        }
    }
}

TextStrip BitmapFont::render(const QString& text) const {
    TextStrip strip;
    if (!isOpen())
        return strip;
    strip.width = textWidth(text);
    strip.height = height_;
    strip.cells.assign(static_cast<std::size_t>(strip.width) * std::size_t(strip.height), 0);
    int pen = 0;
    for (const char32_t c : text.toUcs4()) {
        drawGlyph(strip, c, pen, 0);
        pen += advance(c);
    }
    return strip;
}

int BitmapFont::textWidth(const QString& text) const {
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += advance(c);
    return width;
}

std::vector<QString> BitmapFont::wrap(const QString& text, int width) const {
    const auto widthOf = [this](const QString& s) { return textWidth(s); };
    const int space = advance(U' ');
    std::vector<QString> lines;
    QString line;
    int lineWidth = 0;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int wordWidth = widthOf(word);
        if (!line.isEmpty() && lineWidth + space + wordWidth <= width) {
            line += QLatin1Char(' ') + word;
            lineWidth += space + wordWidth;
            continue;
        }
        if (!line.isEmpty())
            lines.push_back(line);
        QStringList pieces =
            wordWidth <= width ? QStringList{word} : splitWord(word, width, widthOf);
        line = pieces.takeLast();
        lineWidth = widthOf(line);
        lines.insert(lines.end(), pieces.begin(), pieces.end());
    }
    if (!line.isEmpty() || lines.empty())
        lines.push_back(line.isEmpty() ? text : line);
    return lines;
}

TextStrip BitmapFont::renderLines(const QString& text, int width) const {
    TextStrip strip;
    if (!isOpen())
        return strip;
    std::vector<TextStrip> lines;
    strip.width = width;
    for (const QString& line : wrap(text, width)) {
        lines.push_back(render(line));
        strip.width = std::max(strip.width, lines.back().width);
    }
    strip.height = int(lines.size()) * height_;
    strip.cells.assign(static_cast<std::size_t>(strip.width) * std::size_t(strip.height), 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextStrip& line = lines[i];
        const int left = (strip.width - line.width) / 2;
        const int top = int(i) * height_;
        for (int y = 0; y < line.height; ++y)
            for (int x = 0; x < line.width; ++x)
                strip.cells[static_cast<std::size_t>((top + y) * strip.width + left + x)] =
                    line.lit(x, y) ? 1 : 0;
    }
    return strip;
}
