#include "pictures/BoardRendering.h"

#include "frames/FrameStore.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace BoardRendering {

namespace {

struct GradientStop {
    qreal position;
    QColor colour;
};

// What an LED is drawn with: the socket ring and the dome's radial gradient.
struct LedLook {
    QColor socket;
    std::array<GradientStop, 4> dome;
};

const LedLook DarkLook{QColor(48, 14, 14),
                       {{{0.0, QColor(150, 62, 58)},
                         {0.3, QColor(104, 22, 20)},
                         {0.75, DarkColour},
                         {1.0, QColor(56, 6, 6)}}}};
const LedLook LitLook{QColor(96, 10, 8),
                      {{{0.0, QColor(255, 226, 214)},
                        {0.28, QColor(255, 84, 60)},
                        {0.75, LitColour},
                        {1.0, QColor(168, 6, 6)}}}};

double toLinear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int fromLinear(double linear) {
    const double c =
        linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return std::clamp(static_cast<int>(std::lround(c * 255.0)), 0, 255);
}

LedLook levelLook(int level) {
    const qreal share = qreal(level) / FrameStore::MaxLevel;
    LedLook look{levelShade(DarkLook.socket, LitLook.socket, level), {}};
    for (std::size_t i = 0; i < look.dome.size(); ++i) {
        const GradientStop& dark = DarkLook.dome[i];
        const GradientStop& lit = LitLook.dome[i];
        look.dome[i] = {dark.position + (lit.position - dark.position) * share,
                        levelShade(dark.colour, lit.colour, level)};
    }
    return look;
}

void paintLook(QPainter& painter, QPointF origin, const LedLook& look) {
    const QPointF centre = origin + QPointF(8.0, 8.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.socket);
    painter.drawEllipse(centre, 7.0, 7.0);

    QRadialGradient dome(centre, 6.0, centre + QPointF(-2.2, -2.4));
    for (const GradientStop& stop : look.dome)
        dome.setColorAt(stop.position, stop.colour);
    painter.setBrush(dome);
    painter.drawEllipse(centre, 6.0, 6.0);
    painter.restore();
}

QImage tileOf(const QColor& flat, const LedLook& look, int scale) {
    if (!validScale(scale))
        return {};
    QImage tile(scale, scale, QImage::Format_RGB32);
    if (scale == 1) {
        tile.fill(flat);
        return tile;
    }
    tile.fill(BoardGrey);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale / 16.0, scale / 16.0);
    paintLook(painter, QPointF(0, 0), look);
    return tile;
}

} // namespace

QColor levelShade(const QColor& dark, const QColor& lit, int level) {
    if (level <= 0)
        return dark;
    if (level >= FrameStore::MaxLevel)
        return lit;
    const double share = double(level) / FrameStore::MaxLevel;
    const auto mix = [share](int from, int to) {
        return fromLinear(toLinear(from) + (toLinear(to) - toLinear(from)) * share);
    };
    return QColor(mix(dark.red(), lit.red()), mix(dark.green(), lit.green()),
                  mix(dark.blue(), lit.blue()));
}

QColor levelColour(int level) {
    return levelShade(DarkColour, LitColour, level);
}

void paintLed(QPainter& painter, QPointF origin, bool lit) {
    paintLook(painter, origin, lit ? LitLook : DarkLook);
}

void paintLevelLed(QPainter& painter, QPointF origin, int level) {
    paintLook(painter, origin, levelLook(level));
}

QImage ledTile(bool lit, int scale) {
    return tileOf(lit ? LitColour : DarkColour, lit ? LitLook : DarkLook, scale);
}

QImage levelTile(int level, int scale) {
    return tileOf(levelColour(level), levelLook(level), scale);
}

LevelTiles levelTiles(int scale) {
    LevelTiles tiles;
    for (int level = 0; level <= FrameStore::MaxLevel; ++level)
        tiles[static_cast<std::size_t>(level)] = levelTile(level, scale);
    return tiles;
}

namespace {

// Each LED's tile, chosen by `tileFor(cell byte)`.
template <typename TileFor>
void drawTiles(QImage& target, int left, int top, std::span<const std::uint8_t> cells, int scale,
               TileFor tileFor) {
    const auto rowBytes = static_cast<std::size_t>(scale) * sizeof(QRgb);
    for (int row = 0; row < FrameStore::Side; ++row) {
        for (int y = 0; y < scale; ++y) {
            uchar* line = target.scanLine(top + row * scale + y) + left * sizeof(QRgb);
            for (int column = 0; column < FrameStore::Side; ++column) {
                const QImage& tile = tileFor(cells[row * FrameStore::Side + column]);
                std::memcpy(line + column * rowBytes, tile.constScanLine(y), rowBytes);
            }
        }
    }
}

} // namespace

void drawFrame(QImage& target, int left, int top, std::span<const std::uint8_t> cells,
               const QImage& darkTile, const QImage& litTile) {
    drawTiles(target, left, top, cells, darkTile.width(), [&](std::uint8_t cell) -> const QImage& {
        return FrameStore::isLit(cell) ? litTile : darkTile;
    });
}

void drawLevelFrame(QImage& target, int left, int top, std::span<const std::uint8_t> cells,
                    const LevelTiles& tiles) {
    drawTiles(target, left, top, cells, tiles[0].width(), [&](std::uint8_t cell) -> const QImage& {
        return tiles[static_cast<std::size_t>(FrameStore::levelOf(cell))];
    });
}

QImage renderFrame(std::span<const std::uint8_t> cells, int scale, bool levels) {
    if (!validScale(scale) || cells.size() != FrameStore::CellsPerFrame)
        return {};
    const int side = FrameStore::Side * scale;
    QImage image(side, side, QImage::Format_RGB32);
    if (levels)
        drawLevelFrame(image, 0, 0, cells, levelTiles(scale));
    else
        drawFrame(image, 0, 0, cells, ledTile(false, scale), ledTile(true, scale));
    return image;
}

} // namespace BoardRendering
