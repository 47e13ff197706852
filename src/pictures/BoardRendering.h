#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>

class QPainter;
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

// One LED seen from above in the 16 x 16 cell whose top-left corner is at
// `origin`: a dark socket ring and a dome, lit or not; the rest of the cell is
// left as it is. The window's board and the exports draw with this.
void paintLed(QPainter& painter, QPointF origin, bool lit);

// One LED cell, scale x scale pixels, Format_RGB32.
QImage ledTile(bool lit, int scale);

// One frame of 256 cells (row-major from the top-left; only 1 is lit) as a
// 16*scale square picture, Format_RGB32. A null image for a bad scale or size.
QImage renderFrame(std::span<const std::uint8_t> cells, int scale);

// Draws `cells` into `target` with the frame's top-left corner at (left, top); the
// frame must lie inside the target, which must be Format_RGB32.
void drawFrame(QImage& target, int left, int top, std::span<const std::uint8_t> cells,
               const QImage& darkTile, const QImage& litTile);

} // namespace BoardRendering
