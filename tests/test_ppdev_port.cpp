// The ppdev port must give the connector what a raw register write would.
#include "port/PpdevPort.h"

#include <QtTest>
#include <cerrno>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <vector>

namespace {

struct Call {
    unsigned long request;
    int value;
    bool operator==(const Call&) const = default;
};

class FakePpdev final : public PpdevSystem {
public:
    int open(const char*) override {
        if (openErrno != 0) {
            errno = openErrno;
            return -1;
        }
        return 7;
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        if (fd != 7)
            return -1;
        int value = -1;
        if (request == PPWDATA || request == PPWCONTROL)
            value = *static_cast<unsigned char*>(arg);
        else if (request == PPDATADIR)
            value = *static_cast<int*>(arg);
        calls.push_back({request, value});
        if (request == PPCLAIM && claimErrno != 0) {
            errno = claimErrno;
            return -1;
        }
        return 0;
    }
    void close(int) override { ++closes; }

    std::vector<Call> calls;
    int openErrno = 0;
    int claimErrno = 0;
    int closes = 0;
};

} // namespace

class PpdevPortTest : public QObject {
    Q_OBJECT
private slots:
    void claimsThenSetsDataForward();
    void controlKeepsTheLinesAndFollowsTheDirectionBit();
    void dataGoesOutUnchanged();
    void failuresSayWhyAndCloseTheDevice();
};

void PpdevPortTest::claimsThenSetsDataForward() {
    FakePpdev sys;
    auto result = PpdevPort::open(sys);
    QVERIFY(result.port);
    QCOMPARE(sys.calls, (std::vector<Call>{{PPCLAIM, -1}, {PPDATADIR, 0}}));
    result.port.reset();
    QCOMPARE(sys.calls.back(), (Call{PPRELEASE, -1}));
    QCOMPARE(sys.closes, 1);
}

void PpdevPortTest::controlKeepsTheLinesAndFollowsTheDirectionBit() {
    FakePpdev sys;
    auto port = std::move(PpdevPort::open(sys).port);
    sys.calls.clear();
    // The start of the start-up sequence: 247, 0, 251, 0, then the idle values.
    for (std::uint8_t v : {247, 0, 251, 0, 2, 1, 3})
        port->writeControl(v);
    const std::vector<Call> expected{
        {PPDATADIR, 1},     {PPWCONTROL, 0x07}, // 247: Init high, data lines to input
        {PPDATADIR, 0},     {PPWCONTROL, 0x00}, // 0: forward again
        {PPDATADIR, 1},     {PPWCONTROL, 0x0B}, // 251: Strobe, Auto Feed, Select In low
        {PPDATADIR, 0},     {PPWCONTROL, 0x00}, {PPWCONTROL, 0x02},
        {PPWCONTROL, 0x01}, {PPWCONTROL, 0x03},
    };
    QCOMPARE(sys.calls, expected);
}

void PpdevPortTest::dataGoesOutUnchanged() {
    FakePpdev sys;
    auto port = std::move(PpdevPort::open(sys).port);
    sys.calls.clear();
    port->writeData(0xA5);
    port->writeData(0);
    QCOMPARE(sys.calls, (std::vector<Call>{{PPWDATA, 0xA5}, {PPWDATA, 0}}));
}

void PpdevPortTest::failuresSayWhyAndCloseTheDevice() {
    FakePpdev noDevice;
    noDevice.openErrno = ENOENT;
    auto r1 = PpdevPort::open(noDevice);
    QVERIFY(!r1.port);
    QVERIFY(r1.error.find("ppdev") != std::string::npos);

    FakePpdev denied;
    denied.openErrno = EACCES;
    auto r2 = PpdevPort::open(denied);
    QVERIFY(!r2.port);
    QVERIFY(r2.error.find("'lp'") != std::string::npos);

    FakePpdev busy;
    busy.claimErrno = EBUSY;
    auto r3 = PpdevPort::open(busy);
    QVERIFY(!r3.port);
    QCOMPARE(busy.closes, 1);
    QVERIFY(r3.error.find("PPCLAIM") != std::string::npos);
}

QTEST_APPLESS_MAIN(PpdevPortTest)
#include "test_ppdev_port.moc"
