#include "pictures/BoardRecognition.h"

#include "pictures/BoardRendering.h"
#include "pictures/GifExport.h"

#include <algorithm>

BoardRecognition::BoardRecognition(QSize size) {
    const int scale = size.width() / FrameStore::Side;
    if (size.width() != size.height() || size.width() % FrameStore::Side != 0 ||
        !BoardRendering::validScale(scale))
        return;
    scale_ = scale;
    addPaletteTiles(true);
    addPaletteTiles(false);
    for (int level = 0; level <= FrameStore::MaxLevel; ++level)
        addTile(BoardRendering::levelTile(level, scale), level);
}

void BoardRecognition::addTile(const QImage& tile, int level) {
    Tile added{{}, static_cast<std::uint8_t>(level)};
    for (int y = 0; y < scale_; ++y)
        for (int x = 0; x < scale_; ++x)
            added.pixels.push_back(tile.pixel(x, y) | 0xff000000u);
    tiles_.push_back(std::move(added));
}

// The tiles as the GIF export writes them, in the colours of its palette.
void BoardRecognition::addPaletteTiles(bool levels) {
    const GifExport::IndexedTiles indexed = GifExport::indexedTiles(scale_, levels);
    for (std::size_t shade = 0; shade < indexed.shades.size(); ++shade) {
        Tile tile{{}, static_cast<std::uint8_t>(levels ? shade : shade * FrameStore::MaxLevel)};
        for (const std::uint8_t index : indexed.shades[shade])
            tile.pixels.push_back(indexed.palette[index] | 0xff000000u);
        tiles_.push_back(std::move(tile));
    }
}

std::optional<std::uint8_t> BoardRecognition::levelAt(const QImage& picture, int cell) const {
    const int left = cell % FrameStore::Side * scale_;
    const int top = cell / FrameStore::Side * scale_;
    const auto matches = [&](const Tile& tile) {
        for (int y = 0; y < scale_; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(top + y));
            const auto row = tile.pixels.begin() + y * scale_;
            if (!std::equal(row, row + scale_, line + left))
                return false;
        }
        return true;
    };
    const auto found = std::find_if(tiles_.begin(), tiles_.end(), matches);
    if (found == tiles_.end())
        return std::nullopt;
    return found->level;
}

std::optional<BoardRecognition::Levels> BoardRecognition::levels(const QImage& picture) const {
    if (scale_ == 0 || picture.size() != QSize(FrameStore::Side, FrameStore::Side) * scale_)
        return std::nullopt;
    const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
    Levels levels{};
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        const std::optional<std::uint8_t> level = levelAt(opaque, cell);
        if (!level)
            return std::nullopt;
        levels[static_cast<std::size_t>(cell)] = *level;
    }
    return levels;
}
