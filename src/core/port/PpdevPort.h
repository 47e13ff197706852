#pragma once

#include "port/PortIo.h"

#include <memory>
#include <string>

// The handful of system calls the ppdev driver needs, behind an interface so the
// register translation can be checked without a parallel port.
class PpdevSystem {
public:
    virtual ~PpdevSystem() = default;
    virtual int open(const char* path) = 0; // returns a descriptor or -1, errno set
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void close(int fd) = 0;
};

// The real calls on /dev/parportN.
PpdevSystem& realPpdevSystem();

// Linux ppdev access to a parallel port. Control writes reproduce what a raw
// register write gives the connector: the driver keeps only bits 0 to 3 of
// PPWCONTROL and wants the data direction (bit 5) through PPDATADIR.
class PpdevPort final : public PortIo {
public:
    struct OpenResult {
        std::unique_ptr<PpdevPort> port; // null on failure
        std::string error;               // why, for one line on standard error
    };

    static constexpr const char* DefaultDevice = "/dev/parport0";
    static OpenResult open(PpdevSystem& system, const char* device = DefaultDevice);

    ~PpdevPort() override;
    void writeData(std::uint8_t value) override;
    void writeControl(std::uint8_t value) override;

private:
    PpdevPort(PpdevSystem& system, int fd);
    void setReverse(bool reverse);

    PpdevSystem& system_;
    int fd_;
    bool reverse_ = false;
};
