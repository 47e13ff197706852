#include "pictures/PngExport.h"

#include "frames/FrameStore.h"
#include "pictures/BoardRendering.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>

namespace PngExport {

QSize spriteSheetSize(int frameCount, int scale) {
    const int columns = std::min(frameCount, SheetColumns);
    const int rows = (frameCount + SheetColumns - 1) / SheetColumns;
    const int side = FrameStore::Side * scale;
    return {columns * side, rows * side};
}

QImage spriteSheet(std::span<const std::uint8_t> frames, int frameCount, int scale, bool levels) {
    if (frameCount < 1 || frames.size() < FrameStore::sizeFor(frameCount) ||
        !BoardRendering::validScale(scale))
        return {};
    const QSize size = spriteSheetSize(frameCount, scale);
    if (qint64{size.width()} * size.height() > MaxSheetPixels)
        return {};
    QImage sheet(size, QImage::Format_RGB32);
    if (sheet.isNull())
        return {};
    sheet.fill(BoardRendering::BoardGrey);
    const QImage dark = BoardRendering::ledTile(false, scale);
    const QImage lit = BoardRendering::ledTile(true, scale);
    const BoardRendering::LevelTiles shades =
        levels ? BoardRendering::levelTiles(scale) : BoardRendering::LevelTiles{};
    const int side = FrameStore::Side * scale;
    for (int frame = 1; frame <= frameCount; ++frame) {
        const int slot = frame - 1;
        const int left = slot % SheetColumns * side;
        const int top = slot / SheetColumns * side;
        const auto cells = frames.subspan(FrameStore::indexOf(frame, 0), FrameStore::CellsPerFrame);
        if (levels)
            BoardRendering::drawLevelFrame(sheet, left, top, cells, shades);
        else
            BoardRendering::drawFrame(sheet, left, top, cells, dark, lit);
    }
    return sheet;
}

QByteArray encode(const QImage& image, QString& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        error = buffer.errorString();
        return {};
    }
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        error = writer.errorString();
        return {};
    }
    return bytes;
}

} // namespace PngExport
