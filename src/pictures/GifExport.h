#pragma once

#include <QIODevice>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

// Animated GIF89a of the rendered frames, looping forever.
namespace GifExport {

constexpr int MaxPaletteColours = 32;

// GIF delays count hundredths of a second: the interval rounded to the nearest
// hundredth, halves up (40 ms -> 4, 45 ms -> 5, 301 ms -> 30), and at least 2,
// since browsers play a delay of 0 or 1 as 10.
int delayHundredths(int intervalMs);

// The two LED tiles at one scale as indices into a shared palette of at most
// MaxPaletteColours colours and a slot that neither tile uses, for transparency
// (a colour nobody needs, else one more), padded with black to a power of two
// (GIF needs one).
struct IndexedTiles {
    int scale = 0;
    std::vector<QRgb> palette;
    std::vector<std::uint8_t> dark; // scale * scale indices, row by row
    std::vector<std::uint8_t> lit;
    std::uint8_t transparent = 0; // the slot for transparency, which no tile uses
};
IndexedTiles indexedTiles(int scale);

// Writes `frameCount` frames of 256 cells from `frames` to `out` at `scale` pixels
// per LED. Each frame after the first only carries the rectangle of pixels that
// changed, with the unchanged ones in it transparent, and leaves the rest of the
// picture in place. False, with `error` set,
// when the frames or the scale are invalid or the device fails.
bool write(QIODevice& out, std::span<const std::uint8_t> frames, int frameCount, int intervalMs,
           int scale, QString& error);

} // namespace GifExport
