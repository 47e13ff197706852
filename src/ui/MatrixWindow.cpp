#include "ui/MatrixWindow.h"

#include "frames/FrameStore.h"
#include "pictures/BoardRendering.h"

#include "ui/RefreshRateText.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr int LedPitch = 18;
constexpr int Margin = 8;
constexpr int FramesPerSecond = 30;
constexpr int RateLineHeight = 20;
// The colours of the board as the window and the exports draw it.
const QColor& Board = BoardRendering::BoardGrey;
const QColor& Dark = BoardRendering::DarkColour;
const QColor& Lit = BoardRendering::LitColour;

float toLinear(int srgb) {
    const float c = float(srgb) / 255.0f;
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

int fromLinear(float linear) {
    const float c =
        linear <= 0.0031308f ? linear * 12.92f : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
    return std::clamp(static_cast<int>(c * 255.0f + 0.5f), 0, 255);
}

} // namespace

QColor MatrixWindow::ledColour(float light) {
    const float share = std::clamp(light, 0.0f, 1.0f);
    const auto channel = [share](int dark, int lit) {
        return fromLinear(toLinear(dark) + (toLinear(lit) - toLinear(dark)) * share);
    };
    return QColor(channel(Dark.red(), Lit.red()), channel(Dark.green(), Lit.green()),
                  channel(Dark.blue(), Lit.blue()));
}

MatrixWindow::MatrixWindow(QWidget* parent, Now now) : QWidget(parent), now_(std::move(now)) {
    setWindowTitle(QStringLiteral("Matrix"));
    const int side = 2 * Margin + FrameStore::Side * LedPitch;
    setFixedSize(side, side + RateLineHeight);
    connect(&repaint_, &QTimer::timeout, this, &MatrixWindow::refresh);
    repaint_.start(1000 / FramesPerSecond);
}

void MatrixWindow::writeData(std::uint8_t value) {
    const std::lock_guard lock(litTimeMutex_);
    litTime_.feed(PortWrite::data(value), now_());
}

void MatrixWindow::writeControl(std::uint8_t value) {
    const std::lock_guard lock(litTimeMutex_);
    litTime_.feed(PortWrite::control(value), now_());
}

void MatrixWindow::refresh() {
    const std::lock_guard lock(litTimeMutex_);
    brightness_ = litTime_.takeBrightness(now_());
    update();
}

void MatrixWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Board);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        painter.setBrush(ledColour(brightness_[static_cast<std::size_t>(cell)]));
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

void MatrixWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

std::unique_ptr<PortIo> openMatrixWindow() {
    auto window = std::make_unique<MatrixWindow>();
    window->show();
    return window;
}
