#pragma once

#include "port/LitTime.h"
#include "port/MatrixOutput.h"
#include "port/PortIo.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>

// "--port sim": a small window, "Matrix", that takes the port writes as the board
// would and shows each LED as bright as it was lit over the last few passes, so
// the output of "LPT on" can be seen without a board, flicker and all, and grey
// levels shown by lit time as shades. The writes come from the refresh thread;
// under the board it shows the passes per second the refresh reaches.
class MatrixWindow final : public QWidget, public PortIo {
    Q_OBJECT
public:
    using Now = std::function<LitTime::Clock::time_point()>;

    explicit MatrixWindow(
        QWidget* parent = nullptr, Now now = [] { return LitTime::Clock::now(); });

    void writeData(std::uint8_t value) override;
    void writeControl(std::uint8_t value) override;

    // Takes how long each LED was lit since the last call and repaints; the
    // window does so 30 times a second.
    void refresh();
    const std::array<float, 256>& brightness() const { return brightness_; }
    void setRateSource(std::function<MatrixOutput::Rate()> rate) { rate_ = std::move(rate); }

    // The colour of an LED that gives `light` (0 .. 1) of a fully lit LED's
    // light: dark and lit mixed in linear light, so that a LED lit half the time
    // looks half as bright as a lit one, as on the board.
    static QColor ledColour(float light);

signals:
    // The window was closed: the board can no longer be seen.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Now now_;
    std::mutex litTimeMutex_;
    LitTime litTime_;
    std::function<MatrixOutput::Rate()> rate_;
    std::array<float, 256> brightness_{};
    QTimer repaint_;
};

// Opens and shows the window; the program owns it as its output.
std::unique_ptr<PortIo> openMatrixWindow();
