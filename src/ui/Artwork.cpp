#include "ui/Artwork.h"

#include "pictures/BoardRendering.h"

#include <QPainter>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <array>
#include <cstddef>
#include <memory>

// The resources are compiled into a static library; calling their initialiser from
// here is what keeps the linker from dropping them.
static void registerArtworkResources() {
    Q_INIT_RESOURCE(quentaro);
}

namespace Artwork {
namespace {

constexpr std::size_t IconCount = static_cast<std::size_t>(Icon::MonitorDark) + 1;

const char* iconFile(Icon icon) {
    switch (icon) {
    case Icon::MinSpeed:
        return "min-speed";
    case Icon::ReduceSpeed:
        return "reduce-speed";
    case Icon::EnlargeSpeed:
        return "enlarge-speed";
    case Icon::MaxSpeed:
        return "max-speed";
    case Icon::VerticalFlip:
        return "vertical-flip";
    case Icon::Up:
        return "up";
    case Icon::HorizontalFlip:
        return "horizontal-flip";
    case Icon::Copy:
        return "copy";
    case Icon::Left:
        return "left";
    case Icon::Invert:
        return "invert";
    case Icon::Right:
        return "right";
    case Icon::RotateLeft:
        return "rotate-left";
    case Icon::Down:
        return "down";
    case Icon::RotateRight:
        return "rotate-right";
    case Icon::Paste:
        return "paste";
    case Icon::LoadFile:
        return "load-file";
    case Icon::NewFile:
        return "new-file";
    case Icon::SaveFile:
        return "save-file";
    case Icon::FirstImage:
        return "first-image";
    case Icon::PreviousImage:
        return "previous-image";
    case Icon::NextImage:
        return "next-image";
    case Icon::LastImage:
        return "last-image";
    case Icon::AddImage:
        return "add-image";
    case Icon::DeleteImage:
        return "delete-image";
    case Icon::Slideshow:
        return "slideshow";
    case Icon::LedLit:
        return "led-lit";
    case Icon::LedDark:
        return "led-dark";
    case Icon::Play:
        return "play";
    case Icon::StopSquare:
        return "stop-square";
    case Icon::Plug:
        return "plug";
    case Icon::PlugCrossed:
        return "plug-crossed";
    case Icon::MonitorBright:
        return "monitor-bright";
    case Icon::MonitorDark:
        return "monitor-dark";
    }
    return "";
}

QPixmap renderSvg(QSvgRenderer& svg, int size, qreal dpr) {
    QPixmap pixmap(QSize(size, size) * dpr);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        svg.render(&painter, QRectF(0, 0, pixmap.width(), pixmap.height()));
    }
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

std::unique_ptr<QSvgRenderer> loadSvg(const QString& path) {
    registerArtworkResources();
    auto svg = std::make_unique<QSvgRenderer>(path);
    if (!svg->isValid())
        qWarning("Artwork: cannot render %s", qPrintable(path));
    return svg;
}

QIcon loadButtonIcon(Icon icon) {
    return Artwork::namedIcon(iconFile(icon));
}
// --- the board ---------------------------------------------------------------------------

using BoardRendering::BoardGrey;
const QColor LabelInk(38, 40, 44);

// Digits of a 3 x 5 pixel font, one row per entry, most significant bit on the left.
// A bitmap font keeps the numbers crisp and identical wherever the program runs.
constexpr int DigitWidth = 3;
constexpr int DigitHeight = 5;
constexpr std::array<std::array<unsigned char, DigitHeight>, 10> Digits{{
    {7, 5, 5, 5, 7}, // 0
    {2, 6, 2, 2, 7}, // 1
    {7, 1, 7, 4, 7}, // 2
    {7, 1, 3, 1, 7}, // 3
    {5, 5, 7, 1, 1}, // 4
    {7, 4, 7, 1, 7}, // 5
    {7, 4, 7, 5, 7}, // 6
    {7, 1, 1, 2, 2}, // 7
    {7, 5, 7, 5, 7}, // 8
    {7, 5, 7, 1, 7}, // 9
}};

int labelWidth(int number) {
    return number >= 10 ? 2 * DigitWidth + 1 : DigitWidth;
}

void paintDigit(QPainter& painter, int digit, int x, int y) {
    for (int row = 0; row < DigitHeight; ++row)
        for (int col = 0; col < DigitWidth; ++col)
            if (Digits[digit][row] & (1 << (DigitWidth - 1 - col)))
                painter.fillRect(x + col, y + row, 1, 1, LabelInk);
}

void paintLabel(QPainter& painter, int number, const QRect& area) {
    const int left = area.left() + (area.width() - labelWidth(number)) / 2;
    const int top = area.top() + (area.height() - DigitHeight) / 2;
    if (number >= 10) {
        paintDigit(painter, number / 10, left, top);
        paintDigit(painter, number % 10, left + DigitWidth + 1, top);
    } else {
        paintDigit(painter, number, left, top);
    }
}

QPixmap paintBoard() {
    QPixmap board(BoardSize, BoardSize);
    board.fill(BoardGrey);
    QPainter painter(&board);

    // Raised edge: light on the top and left, shadow on the bottom and right.
    const int last = BoardSize - 1;
    painter.setPen(QColor(214, 216, 219));
    painter.drawLine(0, 0, last, 0);
    painter.drawLine(0, 0, 0, last);
    painter.setPen(QColor(184, 186, 189));
    painter.drawLine(1, 1, last - 1, 1);
    painter.drawLine(1, 1, 1, last - 1);
    painter.setPen(QColor(72, 74, 77));
    painter.drawLine(0, last, last, last);
    painter.drawLine(last, 0, last, last);
    painter.setPen(QColor(112, 114, 117));
    painter.drawLine(1, last - 1, last - 1, last - 1);
    painter.drawLine(last - 1, 1, last - 1, last - 1);

    // The LED field sits slightly sunk into the board, just outside the cells.
    const int fieldFirst = BoardMargin - 1;
    const int fieldLast = BoardMargin + 16 * LedSize;
    painter.setPen(QColor(118, 120, 123));
    painter.drawLine(fieldFirst, fieldFirst, fieldLast, fieldFirst);
    painter.drawLine(fieldFirst, fieldFirst, fieldFirst, fieldLast);
    painter.setPen(QColor(178, 180, 183));
    painter.drawLine(fieldFirst + 1, fieldLast, fieldLast, fieldLast);
    painter.drawLine(fieldLast, fieldFirst + 1, fieldLast, fieldLast);

    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col)
            BoardRendering::paintLed(
                painter, QPoint(BoardMargin + LedSize * col, BoardMargin + LedSize * row), false);

    // Columns count 1..16 from the left, rows 16..1 from the top, on all four sides,
    // in the margins between the bevel and the field's frame.
    const int nearSide = 2;
    const int nearDepth = fieldFirst - nearSide;
    const int farSide = fieldLast + 1;
    const int farDepth = last - 1 - farSide;
    for (int i = 0; i < 16; ++i) {
        const int cell = BoardMargin + LedSize * i;
        paintLabel(painter, i + 1, QRect(cell, nearSide, LedSize, nearDepth));
        paintLabel(painter, i + 1, QRect(cell, farSide, LedSize, farDepth));
        paintLabel(painter, 16 - i, QRect(nearSide, cell, nearDepth, LedSize));
        paintLabel(painter, 16 - i, QRect(farSide, cell, farDepth, LedSize));
    }
    return board;
}

QPixmap paintLitLed() {
    QPixmap led(LedSize, LedSize);
    led.fill(BoardGrey);
    QPainter painter(&led);
    BoardRendering::paintLed(painter, QPoint(0, 0), true);
    return led;
}

} // namespace

QIcon namedIcon(const char* name) {
    auto svg = loadSvg(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
    QIcon result;
    result.addPixmap(renderSvg(*svg, ButtonIconSize, 1.0));
    result.addPixmap(renderSvg(*svg, ButtonIconSize, 2.0));
    return result;
}

QIcon buttonIcon(Icon icon) {
    static const std::array<QIcon, IconCount> icons = [] {
        std::array<QIcon, IconCount> all;
        for (std::size_t i = 0; i < IconCount; ++i)
            all[i] = loadButtonIcon(static_cast<Icon>(i));
        return all;
    }();
    const auto index = static_cast<std::size_t>(icon);
    return index < IconCount ? icons[index] : QIcon();
}

QIcon windowIcon() {
    static const QIcon icon = [] {
        auto svg = loadSvg(QStringLiteral(":/quentaro.svg"));
        QIcon all;
        for (int size : {16, 32, 48, 64})
            all.addPixmap(renderSvg(*svg, size, 1.0));
        return all;
    }();
    return icon;
}

const QPixmap& boardBackground() {
    static const QPixmap board = paintBoard();
    return board;
}

const QPixmap& litLed() {
    static const QPixmap led = paintLitLed();
    return led;
}

} // namespace Artwork
