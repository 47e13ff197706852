#pragma once

#include <cstdint>

// The two 8-bit registers of the first parallel port that drive the LED matrix.
// Every byte the editor sends to the hardware goes through one of these calls.
class PortIo {
public:
    static constexpr std::uint16_t DataRegister = 888;    // 0x378
    static constexpr std::uint16_t ControlRegister = 890; // 0x37A

    virtual ~PortIo() = default;
    virtual void writeData(std::uint8_t value) = 0;
    virtual void writeControl(std::uint8_t value) = 0;
};

// Used when no port could be opened: the editor works, the bytes go nowhere.
class NullPort final : public PortIo {
public:
    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
};
