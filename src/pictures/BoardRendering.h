#pragma once

#include "frames/FrameStore.h"

#include <QColor>
#include <QImage>
#include <QPointF>

class QPainter;
#include <array>
#include <cstdint>
#include <span>

// Frames drawn as the on-screen board shows them: each LED a dark or lit dome in a
// dark socket on the grey board, `scale` pixels from one LED to the next (the
// window uses 16). At scale 1 an LED is one plain pixel of DarkColour or LitColour.
namespace BoardRendering {

constexpr int MinScale = 1;
constexpr int MaxScale = 16;
constexpr int DefaultScale = 8;

// The board and the flat colours that stand for a whole LED at scale 1 (the dome's
// colour three quarters of the way out, where most of its area is).
const QColor BoardGrey(150, 152, 155);
const QColor DarkColour(74, 10, 10);
const QColor LitColour(230, 20, 14);

constexpr bool validScale(int scale) {
    return scale >= MinScale && scale <= MaxScale;
}

// The shade of an LED at grey level `level` (0 dark .. FrameStore::MaxLevel full
// light): `dark` and `lit` mixed in linear light, level / MaxLevel of the lit one,
// since a level is that share of the full light's time on the board. Level 0 is
// `dark` and MaxLevel `lit` exactly.
QColor levelShade(const QColor& dark, const QColor& lit, int level);

// An LED at `level` at scale 1: levelShade of DarkColour and LitColour.
QColor levelColour(int level);

// One LED seen from above in the 16 x 16 cell whose top-left corner is at
// `origin`: a dark socket ring and a dome, lit or not; the rest of the cell is
// left as it is. The window's board and the exports draw with this.
void paintLed(QPainter& painter, QPointF origin, bool lit);
// The same at a grey level: every colour of the dark and the lit LED mixed by
// levelShade, so level 0 draws the dark LED and MaxLevel the lit one.
void paintLevelLed(QPainter& painter, QPointF origin, int level);

// One LED cell, scale x scale pixels, Format_RGB32.
QImage ledTile(bool lit, int scale);
QImage levelTile(int level, int scale);

// The tiles of every level at one scale, level 0 first.
using LevelTiles = std::array<QImage, FrameStore::MaxLevel + 1>;
LevelTiles levelTiles(int scale);

// One frame of 256 cells (row-major from the top-left) as a 16*scale square
// picture, Format_RGB32: with `levels` each LED at its grey level
// (FrameStore::levelOf), else only 1 is lit. A null image for a bad scale or size.
QImage renderFrame(std::span<const std::uint8_t> cells, int scale, bool levels = false);

// Draws `cells` into `target` with the frame's top-left corner at (left, top); the
// frame must lie inside the target, which must be Format_RGB32.
void drawFrame(QImage& target, int left, int top, std::span<const std::uint8_t> cells,
               const QImage& darkTile, const QImage& litTile);
// The same with each LED its level's tile.
void drawLevelFrame(QImage& target, int left, int top, std::span<const std::uint8_t> cells,
                    const LevelTiles& tiles);

} // namespace BoardRendering
