#include "pictures/BoardRendering.h"

#include "frames/FrameStore.h"

#include <QPainter>
#include <QRadialGradient>
#include <cstring>

namespace BoardRendering {

void paintLed(QPainter& painter, QPointF origin, bool lit) {
    const QPointF centre = origin + QPointF(8.0, 8.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(lit ? QColor(96, 10, 8) : QColor(48, 14, 14));
    painter.drawEllipse(centre, 7.0, 7.0);

    QRadialGradient dome(centre, 6.0, centre + QPointF(-2.2, -2.4));
    if (lit) {
        dome.setColorAt(0.0, QColor(255, 226, 214));
        dome.setColorAt(0.28, QColor(255, 84, 60));
        dome.setColorAt(0.75, LitColour);
        dome.setColorAt(1.0, QColor(168, 6, 6));
    } else {
        dome.setColorAt(0.0, QColor(150, 62, 58));
        dome.setColorAt(0.3, QColor(104, 22, 20));
        dome.setColorAt(0.75, DarkColour);
        dome.setColorAt(1.0, QColor(56, 6, 6));
    }
    painter.setBrush(dome);
    painter.drawEllipse(centre, 6.0, 6.0);
    painter.restore();
}

QImage ledTile(bool lit, int scale) {
    if (!validScale(scale))
        return {};
    QImage tile(scale, scale, QImage::Format_RGB32);
    if (scale == 1) {
        tile.fill(lit ? LitColour : DarkColour);
        return tile;
    }
    tile.fill(BoardGrey);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale / 16.0, scale / 16.0);
    paintLed(painter, QPointF(0, 0), lit);
    return tile;
}

void drawFrame(QImage& target, int left, int top, std::span<const std::uint8_t> cells,
               const QImage& darkTile, const QImage& litTile) {
    const int scale = darkTile.width();
    const auto rowBytes = static_cast<std::size_t>(scale) * sizeof(QRgb);
    for (int row = 0; row < FrameStore::Side; ++row) {
        for (int y = 0; y < scale; ++y) {
            uchar* line = target.scanLine(top + row * scale + y) + left * sizeof(QRgb);
            for (int column = 0; column < FrameStore::Side; ++column) {
                const bool lit = FrameStore::isLit(cells[row * FrameStore::Side + column]);
                const QImage& tile = lit ? litTile : darkTile;
                std::memcpy(line + column * rowBytes, tile.constScanLine(y), rowBytes);
            }
        }
    }
}

QImage renderFrame(std::span<const std::uint8_t> cells, int scale) {
    if (!validScale(scale) || cells.size() != FrameStore::CellsPerFrame)
        return {};
    const int side = FrameStore::Side * scale;
    QImage image(side, side, QImage::Format_RGB32);
    drawFrame(image, 0, 0, cells, ledTile(false, scale), ledTile(true, scale));
    return image;
}

} // namespace BoardRendering
