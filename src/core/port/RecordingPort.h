#pragma once

#include "port/PortIo.h"

#include <cstddef>
#include <functional>
#include <vector>

struct PortWrite {
    enum class Register { Data, Control };
    Register reg;
    std::uint8_t value;

    bool operator==(const PortWrite&) const = default;
    static PortWrite data(std::uint8_t v) { return {Register::Data, v}; }
    static PortWrite control(std::uint8_t v) { return {Register::Control, v}; }
};

// Keeps every write in order. An optional hook runs after each write with the
// running count, so a test can inject events at an exact point of a sequence.
class RecordingPort final : public PortIo {
public:
    void writeData(std::uint8_t value) override { record(PortWrite::data(value)); }
    void writeControl(std::uint8_t value) override { record(PortWrite::control(value)); }

    const std::vector<PortWrite>& writes() const { return writes_; }
    std::size_t count() const { return writes_.size(); }
    void clear() { writes_.clear(); }
    void setAfterWrite(std::function<void(std::size_t)> hook) { afterWrite_ = std::move(hook); }

private:
    void record(PortWrite w) {
        writes_.push_back(w);
        if (afterWrite_)
            afterWrite_(writes_.size());
    }

    std::vector<PortWrite> writes_;
    std::function<void(std::size_t)> afterWrite_;
};
