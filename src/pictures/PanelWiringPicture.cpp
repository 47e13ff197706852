#include "pictures/PanelWiringPicture.h"

#include "pictures/BoardRendering.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <array>
#include <vector>

namespace {

constexpr int Side = 16;

std::vector<std::uint8_t> cellsOf(const PortIo::PackedFrame& frame) {
    std::vector<std::uint8_t> cells(Side * Side);
    for (int row = 0; row < Side; ++row) {
        for (int column = 0; column < Side; ++column)
            cells[std::size_t(row * Side + column)] =
                frame[std::size_t(row * 2 + column / 8)] >> (column % 8) & 1;
    }
    return cells;
}

// The centre of every LED in the strip's order.
std::array<QPointF, PanelMapping::Leds> stripPath(const PanelMapping& mapping, int scale) {
    std::array<QPointF, PanelMapping::Leds> path;
    for (int row = 0; row < Side; ++row) {
        for (int column = 0; column < Side; ++column)
            path[std::size_t(mapping.ledIndex(row, column))] =
                QPointF((column + 0.5) * scale, (row + 0.5) * scale);
    }
    return path;
}

void arrowHead(QPainter& painter, QPointF from, QPointF to, double size) {
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const QPointF tip = (from + to) / 2 + QPointF(std::cos(angle), std::sin(angle)) * size / 2;
    const auto corner = [&](double turn) {
        return tip - QPointF(std::cos(angle + turn), std::sin(angle + turn)) * size;
    };
    painter.drawPolygon(QPolygonF{tip, corner(0.5), corner(-0.5)});
}

} // namespace

QImage renderPanelWiring(const PanelMapping& mapping, int scale) {
    QImage image = BoardRendering::renderFrame(cellsOf(panelTestPicture()), scale);
    if (image.isNull())
        return image;
    const auto path = stripPath(mapping, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor line(255, 236, 120, 200);
    painter.setPen(
        QPen(line, std::max(1.0, scale / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(path.data(), int(path.size()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(line);
    for (std::size_t i = Side / 2; i < path.size(); i += Side)
        arrowHead(painter, path[i - 1], path[i], scale * 0.45);
    painter.setPen(QPen(QColor(60, 230, 90), std::max(1.0, scale / 6.0)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(path[0], scale * 0.45, scale * 0.45);
    return image;
}
