#pragma once

#include <array>
#include <cstdint>

// Where the matrix output goes. The parallel port takes the bytes of its two
// 8-bit registers and the editor's refresh loop multiplexes the board through
// them; an output that multiplexes the board itself (the USB bridge) takes whole
// frames instead and ignores the register writes.
class PortIo {
public:
    static constexpr std::uint16_t DataRegister = 888;    // 0x378
    static constexpr std::uint16_t ControlRegister = 890; // 0x37A

    // Rows 0..15 from the top, each as its left half (column k in bit k) then its
    // right half (column 8 + k in bit k): the order of the wire.
    using PackedFrame = std::array<std::uint8_t, 32>;

    virtual ~PortIo() = default;
    virtual void writeData(std::uint8_t value) = 0;
    virtual void writeControl(std::uint8_t value) = 0;

    // True for an output that keeps the board lit from the last frame it was given.
    virtual bool refreshesItself() const { return false; }
    // For such an output: the frame to show from now on, and darkening the board.
    virtual void showFrame(const PackedFrame&) {}
    virtual void blank() {}
    // A grey level 0..15 per LED, rows from the top, for such an output that
    // takes them; the others get the on/off frame of it.
    using LevelFrame = std::array<std::uint8_t, 256>;
    virtual bool takesLevels() const { return false; }
    virtual void showLevels(const LevelFrame&) {}
    // For such an output that dims the board itself: percent of full light.
    virtual void setBrightness(int /*percent*/) {}
    // For such an output that sends at most so many frames a second: how long a
    // frame given now would wait before it goes out, behind the last one sent.
    virtual int msBeforeNextFrame() const { return 0; }
};

// Used when no port could be opened: the editor works, the bytes go nowhere.
// With nothing to multiplex, the refresh loop waits for events instead of
// spinning.
class NullPort final : public PortIo {
public:
    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
    bool refreshesItself() const override { return true; }
};
