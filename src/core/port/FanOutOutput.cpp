#include "port/FanOutOutput.h"

#include <algorithm>
#include <cmath>

FanOutOutput::FanOutOutput(std::vector<MatrixOutput*> outputs, std::vector<int> brightness,
                           std::size_t leader)
    : outputs_(std::move(outputs)), own_(std::move(brightness)), leader_(leader) {
    own_.resize(outputs_.size(), MaxBrightness);
    brightness_ = own_;
    if (leader_ >= outputs_.size())
        leader_ = 0;
}

void FanOutOutput::show(const Frame& frame) {
    for (MatrixOutput* output : outputs_)
        output->show(frame);
}

void FanOutOutput::showLevels(const LevelFrame& levels) {
    for (MatrixOutput* output : outputs_)
        output->showLevels(levels);
}

void FanOutOutput::darken() {
    for (MatrixOutput* output : outputs_)
        output->darken();
}

void FanOutOutput::refresh(bool on, const std::function<void()>& waitForEvents) {
    if (closed_)
        return;
    for (MatrixOutput* output : outputs_)
        output->refresh(on, [] {});
    if (on)
        waitForEvents();
}

void FanOutOutput::stop() {
    for (MatrixOutput* output : outputs_)
        output->stop();
}

void FanOutOutput::close() {
    closed_ = true;
    for (MatrixOutput* output : outputs_)
        output->close();
}

MatrixOutput::Rate FanOutOutput::rate() const {
    std::optional<Rate> slowest;
    for (const MatrixOutput* output : outputs_) {
        const Rate r = output->rate();
        if (r.current <= 0 && r.lowest <= 0)
            continue;
        if (!slowest)
            slowest = r;
        slowest->current = std::min(slowest->current, r.current);
        slowest->lowest = std::min(slowest->lowest, r.lowest);
    }
    return slowest.value_or(Rate{});
}

void FanOutOutput::setBrightness(int percent) {
    if (outputs_.empty())
        return;
    const double scale = double(percent) / std::max(own_[leader_], 1);
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        const int scaled = i == leader_ ? percent : int(std::lround(own_[i] * scale));
        brightness_[i] = std::clamp(scaled, MinBrightness, MaxBrightness);
        outputs_[i]->setBrightness(brightness_[i]);
        if (keep_)
            keep_(i, brightness_[i]);
    }
}

void FanOutOutput::setGreyPlanes(int planes) {
    for (MatrixOutput* output : outputs_)
        output->setGreyPlanes(planes);
}

void FanOutPort::writeData(std::uint8_t value) {
    for (PortIo* port : ports_)
        port->writeData(value);
}

void FanOutPort::writeControl(std::uint8_t value) {
    for (PortIo* port : ports_)
        port->writeControl(value);
}

bool FanOutPort::refreshesItself() const {
    return std::ranges::all_of(ports_, [](const PortIo* port) { return port->refreshesItself(); });
}

void FanOutPort::showFrame(const PackedFrame& frame) {
    for (PortIo* port : ports_)
        port->showFrame(frame);
}

void FanOutPort::blank() {
    for (PortIo* port : ports_)
        port->blank();
}

bool FanOutPort::takesLevels() const {
    return std::ranges::any_of(ports_, [](const PortIo* port) { return port->takesLevels(); });
}

void FanOutPort::showLevels(const LevelFrame& levels) {
    for (PortIo* port : ports_) {
        if (port->takesLevels())
            port->showLevels(levels);
        else
            port->showFrame(MatrixOutput::halfLevelFrame(levels));
    }
}

void FanOutPort::setBrightness(int percent) {
    for (PortIo* port : ports_)
        port->setBrightness(percent);
}

int FanOutPort::msBeforeNextFrame() const {
    int longest = 0;
    for (const PortIo* port : ports_)
        longest = std::max(longest, port->msBeforeNextFrame());
    return longest;
}
