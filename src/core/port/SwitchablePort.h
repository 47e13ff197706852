#pragma once

#include "port/PortIo.h"

#include <memory>
#include <optional>
#include <variant>

// The output of an editor whose panel can be changed while it runs: forwards
// everything a port can take to the port it holds (frames, grey levels,
// brightness), and hands a new port what the old one showed. For outputs that
// keep the board lit by themselves only (the network panels, the USB bridge,
// none at all); a multiplexed port belongs to its refresh thread.
class SwitchablePort final : public PortIo {
public:
    explicit SwitchablePort(std::unique_ptr<PortIo> port) : port_(std::move(port)) {}

    void writeData(std::uint8_t value) override { port_->writeData(value); }
    void writeControl(std::uint8_t value) override { port_->writeControl(value); }
    bool refreshesItself() const override { return port_->refreshesItself(); }
    void showFrame(const PackedFrame& frame) override;
    void blank() override;
    bool takesLevels() const override { return port_->takesLevels(); }
    void showLevels(const LevelFrame& levels) override;
    void setBrightness(int percent) override;

    PortIo& current() { return *port_; }
    // The old port is closed first (a network panel goes dark), then the new one
    // takes the brightness and shows what the editor last asked for.
    void replace(std::unique_ptr<PortIo> port);
    // A picture shown instead of the editor's frames, which are kept meanwhile
    // and shown again by endTestPicture.
    void showTestPicture(const PackedFrame& picture);
    void endTestPicture();

private:
    void showKept();

    std::unique_ptr<PortIo> port_;
    std::optional<std::variant<PackedFrame, LevelFrame>> kept_; // none: dark
    std::optional<int> brightness_;
    bool testing_ = false;
};
