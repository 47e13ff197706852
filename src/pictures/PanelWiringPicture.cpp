#include "pictures/PanelWiringPicture.h"

#include "pictures/BoardRendering.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <array>
#include <cmath>
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
    const QColor line(255, 230, 90, 210);
    const QPen run(line, std::max(1.0, scale / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // Where a straight strip goes back to the start of the next line, thin and dashed.
    QPen back(line, std::max(1.0, scale / 12.0), Qt::DashLine);
    for (std::size_t i = 1; i < path.size(); ++i) {
        const QPointF step = path[i] - path[i - 1];
        const bool neighbours = std::abs(step.x()) + std::abs(step.y()) <= scale * 1.01;
        painter.setPen(neighbours ? run : back);
        painter.drawLine(path[i - 1], path[i]);
    }
    painter.setPen(QPen(QColor(40, 30, 0), std::max(1.0, scale / 16.0)));
    painter.setBrush(QColor(255, 230, 90));
    for (std::size_t i = 4; i < path.size(); i += Side) // clear of the arrow in the middle
        arrowHead(painter, path[i - 1], path[i], scale * 0.8);
    painter.setPen(QPen(QColor(60, 230, 90), std::max(1.0, scale / 5.0)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(path[0], scale * 0.5, scale * 0.5);
    return image;
}
