#pragma once

#include "port/PortIo.h"

#include <memory>
#include <optional>

// The output of an editor whose panel can be changed while it runs: forwards to
// the port it holds, and hands a new port what the old one showed. For outputs
// that keep the board lit by themselves only (the network panels, the USB
// bridge, none at all); a multiplexed port belongs to its refresh thread.
class SwitchablePort final : public PortIo {
public:
    explicit SwitchablePort(std::unique_ptr<PortIo> port) : port_(std::move(port)) {}

    void writeData(std::uint8_t value) override { port_->writeData(value); }
    void writeControl(std::uint8_t value) override { port_->writeControl(value); }
    bool refreshesItself() const override { return true; }
    void showFrame(const PackedFrame& frame) override;
    void blank() override;

    PortIo& current() { return *port_; }
    // The old port is closed first (a network panel goes dark), then the new one
    // shows what the editor last asked for.
    void replace(std::unique_ptr<PortIo> port);
    // A picture shown instead of the editor's frames, which are kept meanwhile
    // and shown again by endTestPicture.
    void showTestPicture(const PackedFrame& picture);
    void endTestPicture();

private:
    void showKept();

    std::unique_ptr<PortIo> port_;
    std::optional<PackedFrame> kept_; // none: dark
    bool testing_ = false;
};
