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
// the output of "LPT on" can be seen without a board, flicker and all. The
// writes come from the refresh thread; under the board it shows the passes per
// second the refresh reaches.
class MatrixWindow final : public QWidget, public PortIo {
    Q_OBJECT
public:
    explicit MatrixWindow(QWidget* parent = nullptr);

    void writeData(std::uint8_t value) override;
    void writeControl(std::uint8_t value) override;

    const std::array<float, 256>& brightness() const { return brightness_; }
    void setRateSource(std::function<MatrixOutput::Rate()> rate) { rate_ = std::move(rate); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    std::mutex litTimeMutex_;
    LitTime litTime_;
    std::function<MatrixOutput::Rate()> rate_;
    std::array<float, 256> brightness_{};
    QTimer repaint_;
};

// Opens and shows the window; the program owns it as its output.
std::unique_ptr<PortIo> openMatrixWindow();
