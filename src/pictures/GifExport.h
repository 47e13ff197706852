#pragma once

#include "pictures/ExportAnimation.h"

#include <QIODevice>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

// Animated GIF89a of the rendered frames, played as the animation plays.
namespace GifExport {

constexpr int MaxPaletteColours = 32;
// The domes of 16 grey levels take more shades; one slot of 256 stays free for
// transparency.
constexpr int MaxLevelPaletteColours = 255;

// GIF delays count hundredths of a second: a frame's time (its hold time, else
// the speed) rounded to the nearest hundredth, halves up (40 ms -> 4, 45 ms -> 5,
// 301 ms -> 30), and at least 2, since browsers play a delay of 0 or 1 as 10.
int delayHundredths(int intervalMs);

// The LED tiles at one scale, one per shade (dark and lit, or the 16 grey levels
// from dark up), as indices into a shared palette of at most MaxPaletteColours
// colours (MaxLevelPaletteColours with levels) and a slot that no tile uses, for
// transparency (a colour nobody needs, else one more), padded with black to a
// power of two (GIF needs one). At scale 1 a tile is one pixel of
// BoardRendering's flat colour, so the palette holds exactly those.
struct IndexedTiles {
    int scale = 0;
    std::vector<QRgb> palette;
    std::vector<std::vector<std::uint8_t>> shades; // scale * scale indices each, row by row
    std::uint8_t transparent = 0;                  // the slot for transparency, which no tile uses
};
IndexedTiles indexedTiles(int scale, bool levels = false);

// The images (from 1) a GIF holds to play one turn of the animation: every image
// once, and for ping-pong those on the way back too, without either end, so that
// looping the GIF from the first image again plays it back and forth.
std::vector<int> playedImages(PlayMode mode, int count);

// Writes the animation's frames to `out` at `scale` pixels per LED, each with its
// own delay. Each frame after the first only carries the rectangle of pixels that
// changed, with the unchanged ones in it transparent, and leaves the rest of the
// picture in place. A GIF of an animation played once has no loop extension,
// which browsers and viewers play once, stopping on the last frame; the others
// loop forever. False, with `error` set, when the frames or the scale are
// invalid or the device fails.
bool write(QIODevice& out, const ExportAnimation& animation, int scale, QString& error);

} // namespace GifExport
