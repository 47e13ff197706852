#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <span>

// Rendered frames as PNG: one frame, or all of them as a sprite sheet.
namespace PngExport {

constexpr int SheetColumns = 64;
// Keeps a sheet's pixels (4 bytes each) within half a gigabyte.
constexpr qint64 MaxSheetPixels = qint64{1} << 27;

// Frames left to right, SheetColumns to a row, rows from the top; the cells of a
// last row that is not full show the bare board. A null image when the frames or
// the scale are invalid or the sheet would exceed MaxSheetPixels. With `levels`
// each LED shows its grey level, else only 1 is lit.
QImage spriteSheet(std::span<const std::uint8_t> frames, int frameCount, int scale,
                   bool levels = false);

// The sheet's size in pixels, computed without drawing it.
QSize spriteSheetSize(int frameCount, int scale);

// The picture encoded as PNG; empty, with `error` set, when encoding fails.
QByteArray encode(const QImage& image, QString& error);

} // namespace PngExport
