#include "port/SwitchablePort.h"

#include "port/MatrixOutput.h"

void SwitchablePort::showFrame(const PackedFrame& frame) {
    kept_ = frame;
    if (!testing_)
        port_->showFrame(frame);
}

void SwitchablePort::showLevels(const LevelFrame& levels) {
    kept_ = levels;
    if (!testing_)
        port_->showLevels(levels);
}

void SwitchablePort::blank() {
    kept_.reset();
    if (!testing_)
        port_->blank();
}

void SwitchablePort::setBrightness(int percent) {
    brightness_ = percent;
    port_->setBrightness(percent);
}

void SwitchablePort::replace(std::unique_ptr<PortIo> port) {
    port_.reset();
    port_ = std::move(port);
    testing_ = false;
    if (brightness_)
        port_->setBrightness(*brightness_);
    showKept();
}

void SwitchablePort::showTestPicture(const PackedFrame& picture) {
    testing_ = true;
    port_->showFrame(picture);
}

void SwitchablePort::endTestPicture() {
    if (!testing_)
        return;
    testing_ = false;
    showKept();
}

// Levels go to a new port that takes none as their on/off frame.
void SwitchablePort::showKept() {
    if (!kept_)
        port_->blank();
    else if (const auto* frame = std::get_if<PackedFrame>(&*kept_))
        port_->showFrame(*frame);
    else if (port_->takesLevels())
        port_->showLevels(std::get<LevelFrame>(*kept_));
    else
        port_->showFrame(MatrixOutput::halfLevelFrame(std::get<LevelFrame>(*kept_)));
}
