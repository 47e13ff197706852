#include "port/SwitchablePort.h"

void SwitchablePort::showFrame(const PackedFrame& frame) {
    kept_ = frame;
    if (!testing_)
        port_->showFrame(frame);
}

void SwitchablePort::blank() {
    kept_.reset();
    if (!testing_)
        port_->blank();
}

void SwitchablePort::replace(std::unique_ptr<PortIo> port) {
    port_.reset();
    port_ = std::move(port);
    testing_ = false;
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

void SwitchablePort::showKept() {
    if (kept_)
        port_->showFrame(*kept_);
    else
        port_->blank();
}
