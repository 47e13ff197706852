#include "port/PpdevPort.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t DirectionBit = 0x20;
constexpr std::uint8_t ControlLines = 0x0F;

constexpr long ClaimTimeoutMicroseconds = 300000;

void ignoreAlarm(int) {}

// The driver's claim sleeps until whoever holds the port lets it go, which for
// another running editor is never. An alarm interrupts the wait, and a port
// still held after it counts as busy.
int claimWithTimeout(int fd) {
    struct sigaction onAlarm {};
    onAlarm.sa_handler = ignoreAlarm; // no SA_RESTART: the ioctl returns EINTR
    sigemptyset(&onAlarm.sa_mask);
    struct sigaction previous {};
    sigaction(SIGALRM, &onAlarm, &previous);
    itimerval timer{};
    timer.it_value.tv_usec = ClaimTimeoutMicroseconds;
    setitimer(ITIMER_REAL, &timer, nullptr);
    const int result = ::ioctl(fd, PPCLAIM);
    const int err = errno;
    timer = {};
    setitimer(ITIMER_REAL, &timer, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    errno = result != 0 && err == EINTR ? EBUSY : err;
    return result;
}

class RealPpdevSystem final : public PpdevSystem {
public:
    int open(const char* path) override { return ::open(path, O_RDWR | O_CLOEXEC); }
    int ioctl(int fd, unsigned long request, void* arg) override {
        if (request == PPCLAIM)
            return claimWithTimeout(fd);
        return ::ioctl(fd, request, arg);
    }
    void close(int fd) override { ::close(fd); }
};

std::string describe(const char* device, const char* step, int err) {
    std::string text = std::string(device) + ": " + step + " failed: " + std::strerror(err);
    if (err == EACCES || err == EPERM)
        text += " (join the group 'lp' to reach the port)";
    else if (err == ENOENT || err == ENODEV || err == ENXIO)
        text += " (load the modules parport_pc and ppdev)";
    else if (err == EBUSY)
        text += " (another program holds the port)";
    else if (err == ENOTTY)
        text += " (not a parallel port; a USB bridge is named bridge:DEVICE)";
    return text;
}

} // namespace

PpdevSystem& realPpdevSystem() {
    static RealPpdevSystem system;
    return system;
}

PpdevPort::OpenResult PpdevPort::open(PpdevSystem& system, const char* device) {
    const int fd = system.open(device);
    if (fd < 0)
        return {nullptr, describe(device, "open", errno)};
    if (system.ioctl(fd, PPCLAIM, nullptr) != 0) {
        const int err = errno;
        system.close(fd);
        return {nullptr, describe(device, "PPCLAIM", err)};
    }
    std::unique_ptr<PpdevPort> port(new PpdevPort(system, fd));
    port->setReverse(false);
    return {std::move(port), {}};
}

PpdevPort::PpdevPort(PpdevSystem& system, int fd) : system_(system), fd_(fd) {}

PpdevPort::~PpdevPort() {
    system_.ioctl(fd_, PPRELEASE, nullptr);
    system_.close(fd_);
}

void PpdevPort::writeData(std::uint8_t value) {
    unsigned char byte = value;
    system_.ioctl(fd_, PPWDATA, &byte);
}

void PpdevPort::writeControl(std::uint8_t value) {
    const bool reverse = (value & DirectionBit) != 0;
    if (reverse != reverse_)
        setReverse(reverse);
    unsigned char lines = value & ControlLines;
    system_.ioctl(fd_, PPWCONTROL, &lines);
}

void PpdevPort::setReverse(bool reverse) {
    int direction = reverse ? 1 : 0;
    system_.ioctl(fd_, PPDATADIR, &direction);
    reverse_ = reverse;
}
