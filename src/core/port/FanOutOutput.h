#pragma once

#include "port/MatrixOutput.h"
#include "port/PortIo.h"

#include <functional>
#include <vector>

// Several boards driven as one (--port given more than once): each output,
// with its own refresh, mapping and brightness, gets every frame, Nulreg,
// refresh turn, stop, close and brightness in the order the outputs were given.
class FanOutOutput final : public MatrixOutput {
public:
    // `brightness`: each output's own, as it was started with (full when not
    // given); `leader` the output whose brightness setBrightness names.
    explicit FanOutOutput(std::vector<MatrixOutput*> outputs, std::vector<int> brightness = {},
                          std::size_t leader = 0);

    void show(const Frame& frame) override;
    void showLevels(const LevelFrame& levels) override;
    void darken() override;
    // Each output takes its turn without waiting; the events are waited for
    // once, after the last.
    void refresh(bool on, const std::function<void()>& waitForEvents) override;
    void stop() override;
    void close() override;
    // The slowest of the outputs that count their passes.
    Rate rate() const override;
    // The leader at `percent`, every other output dimmed or brightened by as
    // much from its own brightness, so that boards matched by their own
    // brightness stay matched.
    void setBrightness(int percent) override;
    void setGreyPlanes(int planes) override;
    // What each output was last given, in order.
    const std::vector<int>& brightness() const { return brightness_; }
    // Told each output's brightness whenever setBrightness sets it.
    void setBrightnessKeeper(std::function<void(std::size_t output, int percent)> keep) {
        keep_ = std::move(keep);
    }

private:
    std::vector<MatrixOutput*> outputs_;
    std::vector<int> own_;
    std::vector<int> brightness_;
    std::size_t leader_;
    std::function<void(std::size_t, int)> keep_;
    bool closed_ = false;
};

// The writes that go to the ports themselves (the start-up sequence, the
// Nulreg of an output the editor refreshes on its own) and whole frames, to
// every port.
class FanOutPort final : public PortIo {
public:
    explicit FanOutPort(std::vector<PortIo*> ports) : ports_(std::move(ports)) {}

    void writeData(std::uint8_t value) override;
    void writeControl(std::uint8_t value) override;
    // Only when every port does: a multiplexed board among them needs passes.
    bool refreshesItself() const override;
    void showFrame(const PackedFrame& frame) override;
    void blank() override;
    bool takesLevels() const override;
    // A port that takes no levels gets the on/off frame of them.
    void showLevels(const LevelFrame& levels) override;
    void setBrightness(int percent) override;
    // The longest wait among the ports.
    int msBeforeNextFrame() const override;

private:
    std::vector<PortIo*> ports_;
};
