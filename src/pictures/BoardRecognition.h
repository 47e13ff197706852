#pragma once

#include "frames/FrameStore.h"

#include <QImage>
#include <QRgb>
#include <QSize>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Pictures this program drew of the board, its GIF and PNG exports, read back as
// the levels they were drawn from, LED by LED, rather than by their brightness:
// the red of a lit LED is as dark as a grey of a tenth of white's light.
class BoardRecognition {
public:
    using Levels = std::array<std::uint8_t, FrameStore::CellsPerFrame>; // 0..MaxLevel

    // For pictures `size` pixels large: only a square of 16 LEDs a side at one of
    // the export scales can be recognised.
    explicit BoardRecognition(QSize size);

    // Each LED's level when every LED's cell is exactly one of the tiles an export
    // draws: the GIF palette's with or without levels, or the PNG's full colours.
    std::optional<Levels> levels(const QImage& picture) const;

private:
    struct Tile {
        std::vector<QRgb> pixels; // scale * scale, row by row, opaque
        std::uint8_t level;
    };
    void addTile(const QImage& tile, int level);
    void addPaletteTiles(bool levels);
    std::optional<std::uint8_t> levelAt(const QImage& picture, int cell) const;

    int scale_ = 0; // 0: pictures of this size are not the board's
    std::vector<Tile> tiles_;
};
