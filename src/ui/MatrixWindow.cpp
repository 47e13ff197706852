#include "ui/MatrixWindow.h"

#include "frames/FrameStore.h"
#include "pictures/BoardRendering.h"

#include "ui/RefreshRateText.h"

#include <QPainter>

namespace {

constexpr int LedPitch = 18;
constexpr int Margin = 8;
constexpr int FramesPerSecond = 30;
constexpr int RateLineHeight = 20;
// The colours of the board as the window and the exports draw it.
const QColor& Board = BoardRendering::BoardGrey;
const QColor& Dark = BoardRendering::DarkColour;
const QColor& Lit = BoardRendering::LitColour;

QColor mix(float brightness) {
    const auto channel = [brightness](int dark, int lit) {
        return dark + static_cast<int>((lit - dark) * brightness + 0.5f);
    };
    return QColor(channel(Dark.red(), Lit.red()), channel(Dark.green(), Lit.green()),
                  channel(Dark.blue(), Lit.blue()));
}

} // namespace

MatrixWindow::MatrixWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Matrix"));
    const int side = 2 * Margin + FrameStore::Side * LedPitch;
    setFixedSize(side, side + RateLineHeight);
    connect(&repaint_, &QTimer::timeout, this, &MatrixWindow::refresh);
    repaint_.start(1000 / FramesPerSecond);
}

void MatrixWindow::writeData(std::uint8_t value) {
    const std::lock_guard lock(litTimeMutex_);
    litTime_.feed(PortWrite::data(value), LitTime::Clock::now());
}

void MatrixWindow::writeControl(std::uint8_t value) {
    const std::lock_guard lock(litTimeMutex_);
    litTime_.feed(PortWrite::control(value), LitTime::Clock::now());
}

void MatrixWindow::refresh() {
    const std::lock_guard lock(litTimeMutex_);
    brightness_ = litTime_.takeBrightness(LitTime::Clock::now());
    update();
}

void MatrixWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Board);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        painter.setBrush(mix(brightness_[static_cast<std::size_t>(cell)]));
        const int x = Margin + (cell % FrameStore::Side) * LedPitch;
        const int y = Margin + (cell / FrameStore::Side) * LedPitch;
        painter.drawEllipse(QRect(x + 2, y + 2, LedPitch - 4, LedPitch - 4));
    }
    if (!rate_)
        return;
    painter.setPen(palette().color(QPalette::WindowText));
    const int boardSide = 2 * Margin + FrameStore::Side * LedPitch;
    painter.drawText(QRect(0, boardSide - Margin / 2, width(), RateLineHeight), Qt::AlignCenter,
                     refreshRateText(rate_()));
}

std::unique_ptr<PortIo> openMatrixWindow() {
    auto window = std::make_unique<MatrixWindow>();
    window->show();
    return window;
}
