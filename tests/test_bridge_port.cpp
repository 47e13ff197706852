// The host side of the USB bridge against a pseudo-terminal playing the board:
// handshake, what goes out when, and a board that is unplugged and comes back.
#include "bridge/BridgePort.h"
#include "port/MatrixOutput.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Wait = 3000;

BridgeTiming fastTiming(const QString& byIdDirectory, int readyTimeoutMs) {
    BridgeTiming t;
    t.readyTimeoutMs = readyTimeoutMs;
    t.identTimeoutMs = 300;
    t.pingIntervalMs = 60;
    t.pollIntervalMs = 40;
    t.byIdDirectory = byIdDirectory;
    return t;
}

PortIo::PackedFrame frame(int fill) {
    PortIo::PackedFrame f;
    f.fill(std::uint8_t(fill));
    return f;
}

// The board end of a pseudo-terminal: decodes what the bridge sends and answers
// HELLO with IDENT of the given protocol version.
class FakeBoard {
public:
    explicit FakeBoard(int version = BP_PROTOCOL_VERSION) : version_(version) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0);
        path_ = QString::fromLocal8Bit(ptsname(master_));
        // Held open so that the master never sees a hang-up while the bridge is away.
        slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        bp_decoder_init(&decoder_);
        notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readAll(); });
    }
    ~FakeBoard() { unplug(); }

    void unplug() {
        notifier_.reset();
        for (int* fd : {&slave_, &master_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    void send(int type, QByteArray payload = {}, int seq = 0) {
        bp_packet p{};
        p.type = std::uint8_t(type);
        p.seq = std::uint8_t(seq);
        p.len = std::uint8_t(payload.size());
        std::copy(payload.begin(), payload.end(), p.payload);
        std::uint8_t wire[BP_MAX_ENCODED];
        const std::size_t n = bp_encode(&p, wire, sizeof wire);
        QCOMPARE(::write(master_, wire, n), ssize_t(n));
    }

    // Packet types received, PINGs left out.
    std::vector<int> types() const {
        std::vector<int> t;
        for (const bp_packet& p : packets) {
            if (p.type != BP_PING)
                t.push_back(p.type);
        }
        return t;
    }
    int count(int type) const {
        return int(std::count_if(packets.begin(), packets.end(),
                                 [type](const bp_packet& p) { return p.type == type; }));
    }
    PortIo::PackedFrame lastFrame() const {
        PortIo::PackedFrame f{};
        for (const bp_packet& p : packets) {
            if (p.type == BP_FRAME)
                std::copy(p.payload, p.payload + 32, f.begin());
        }
        return f;
    }

    // The levels of the last four planes received, in order, or nothing.
    std::optional<PortIo::LevelFrame> lastLevels() const {
        std::vector<bp_packet> planes;
        for (const bp_packet& p : packets) {
            if (p.type >= BP_LEVEL_PLANE0 && p.type < BP_LEVEL_PLANE(BP_LEVEL_PLANES))
                planes.push_back(p);
        }
        if (planes.size() < BP_LEVEL_PLANES)
            return std::nullopt;
        PortIo::LevelFrame levels{};
        for (int plane = 0; plane < BP_LEVEL_PLANES; ++plane) {
            const bp_packet& p = planes[planes.size() - BP_LEVEL_PLANES + std::size_t(plane)];
            if (p.type != BP_LEVEL_PLANE(plane))
                return std::nullopt;
            for (std::size_t led = 0; led < levels.size(); ++led)
                levels[led] |= std::uint8_t(((p.payload[led / 8] >> (led % 8)) & 1) << plane);
        }
        return levels;
    }

    QString path() const { return path_; }
    bool refusesLevels = false;  // as firmware without grey levels does
    bool refusesDimming = false; // as firmware without BRIGHTNESS does
    // Bytes the board's decoder holds without a delimiter: noise on the line.
    void holdNoise(const QByteArray& bytes) {
        for (char byte : bytes)
            take(std::uint8_t(byte));
    }
    std::vector<bp_packet> packets;

private:
    void readAll() {
        std::uint8_t buf[256];
        ssize_t n;
        while ((n = ::read(master_, buf, sizeof buf)) > 0) {
            for (ssize_t i = 0; i < n; ++i)
                take(buf[i]);
        }
    }
    void take(std::uint8_t byte) {
        bp_packet p;
        if (bp_decoder_feed(&decoder_, byte, &p) != BP_OK)
            return;
        packets.push_back(p);
        const bool plane = p.type >= BP_LEVEL_PLANE0 && p.type < BP_LEVEL_PLANE(BP_LEVEL_PLANES);
        if ((plane && refusesLevels) || (p.type == BP_BRIGHTNESS && refusesDimming))
            send(BP_NAK, QByteArray(1, char(BP_ERR_TYPE)), p.seq);
        if (p.type == BP_HELLO)
            send(BP_IDENT, QByteArray(1, char(version_)) + QByteArray("\0\3\x10\x10", 4), p.seq);
    }

    int version_;
    int master_ = -1;
    int slave_ = -1;
    QString path_;
    bp_decoder decoder_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

struct Bridge {
    QStringList errors;
    std::unique_ptr<BridgePort> port;

    Bridge(const QString& device, const QString& byIdDirectory, int readyTimeoutMs = 300)
        : port(std::make_unique<BridgePort>(
              device, [this](const QString& line) { errors << line; },
              fastTiming(byIdDirectory, readyTimeoutMs))) {}
};

// Takes the bridge from opening to an established link.
void handshake(Bridge& bridge, FakeBoard& board) {
    QTRY_COMPARE_WITH_TIMEOUT(bridge.port->link(), BridgePort::Link::AwaitingReady, Wait);
    board.send(BP_READY, QByteArray(1, char(BP_PROTOCOL_VERSION)));
    QTRY_COMPARE_WITH_TIMEOUT(bridge.port->link(), BridgePort::Link::Up, Wait);
}

void relink(const QString& link, const QString& target) {
    QFile::remove(link);
    QVERIFY(QFile::link(target, link));
}

} // namespace

class BridgePortTest : public QObject {
    Q_OBJECT
private slots:
    void handshake_data();
    void handshake();
    void noiseOnTheLineIsEndedBeforeHello();
    void framesGoOutOnlyWhenTheyChange_data();
    void framesGoOutOnlyWhenTheyChange();
    void pingsKeepOnlyAShownFrameAlive();
    void theBoardAsksForTheFrameAgain_data();
    void theBoardAsksForTheFrameAgain();
    void otherProtocolVersionsAreRefused_data();
    void otherProtocolVersionsAreRefused();
    void reconnectsAfterUnplugging_data();
    void reconnectsAfterUnplugging();
    void waitsForABoardNotPluggedInYet();
    void darkensTheBoardWhenClosed();
    void levelsGoOutAsPlanesOrAsOnOff_data();
    void levelsGoOutAsPlanesOrAsOnOff();
    void brightnessGoesOutAfterEveryHello_data();
    void brightnessGoesOutAfterEveryHello();
    void portArguments_data();
    void portArguments();

private:
    QTemporaryDir dir_;
};

void BridgePortTest::handshake_data() {
    QTest::addColumn<bool>("boardSaysReady");
    QTest::newRow("board reset by the open") << true;
    QTest::newRow("board already running") << false;
}

void BridgePortTest::handshake() {
    QFETCH(bool, boardSaysReady);
    FakeBoard board;
    QElapsedTimer clock;
    clock.start();
    Bridge bridge(board.path(), dir_.path(), 1000);
    QCOMPARE(bridge.port->link(), BridgePort::Link::AwaitingReady);
    if (boardSaysReady)
        board.send(BP_READY, QByteArray(1, char(BP_PROTOCOL_VERSION)));
    QTRY_COMPARE_WITH_TIMEOUT(bridge.port->link(), BridgePort::Link::Up, Wait);
    // Without READY the bridge waits out the boot time (its timer may be 5 % early).
    QVERIFY2(boardSaysReady ? clock.elapsed() < 800 : clock.elapsed() >= 940,
             qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(board.types(), (std::vector<int>{BP_HELLO, BP_BLANK}), Wait);
    QCOMPARE(int(board.packets.front().len), 1);
    QCOMPARE(int(board.packets.front().payload[0]), BP_PROTOCOL_VERSION);
    QVERIFY(bridge.errors.isEmpty());
}

void BridgePortTest::noiseOnTheLineIsEndedBeforeHello() {
    FakeBoard board;
    board.holdNoise(QByteArray("\x05\x81\x07\x33", 4));
    Bridge bridge(board.path(), dir_.path());
    ::handshake(bridge, board);
    QTRY_COMPARE_WITH_TIMEOUT(board.types(), (std::vector<int>{BP_HELLO, BP_BLANK}), Wait);
    QVERIFY(bridge.errors.isEmpty());
}

void BridgePortTest::framesGoOutOnlyWhenTheyChange_data() {
    QTest::addColumn<QString>("calls"); // a digit shows that frame, '-' blanks
    QTest::addColumn<QString>("sent");  // F: FRAME, B: BLANK, after the handshake
    QTest::newRow("same frame twice") << "11"
                                      << "F";
    QTest::newRow("two frames") << "12"
                                << "FF";
    QTest::newRow("same frame after a blank") << "1-1"
                                              << "FBF";
    QTest::newRow("repeated blanks") << "1---"
                                     << "FB";
    QTest::newRow("back to an earlier frame") << "1211"
                                              << "FFF";
    QTest::newRow("blank while dark already") << "--"
                                              << "";
}

void BridgePortTest::framesGoOutOnlyWhenTheyChange() {
    QFETCH(QString, calls);
    QFETCH(QString, sent);
    FakeBoard board;
    Bridge bridge(board.path(), dir_.path());
    ::handshake(bridge, board);
    QTRY_COMPARE(board.types().size(), std::size_t(2)); // HELLO, then the dark state
    for (const QChar c : calls) {
        if (c == '-')
            bridge.port->blank();
        else
            bridge.port->showFrame(frame(c.digitValue()));
    }
    // A last, different frame marks the end of what the calls sent.
    bridge.port->showFrame(frame(0xEE));
    QTRY_COMPARE(board.lastFrame(), frame(0xEE));
    QString got;
    for (std::size_t i = 2; i + 1 < board.types().size(); ++i)
        got += board.types()[i] == BP_FRAME ? 'F' : board.types()[i] == BP_BLANK ? 'B' : '?';
    QCOMPARE(got, sent);
}

void BridgePortTest::pingsKeepOnlyAShownFrameAlive() {
    FakeBoard board;
    Bridge bridge(board.path(), dir_.path());
    ::handshake(bridge, board);
    bridge.port->showFrame(frame(5));
    QTRY_VERIFY(board.count(BP_PING) >= 3);
    bridge.port->blank();
    QTRY_COMPARE(board.types().back(), BP_BLANK);
    const int pings = board.count(BP_PING);
    QTest::qWait(5 * 60);
    QCOMPARE(board.count(BP_PING), pings);
    QCOMPARE(board.count(BP_FRAME), 1);
}

void BridgePortTest::theBoardAsksForTheFrameAgain_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("hellos"); // a restarted board is greeted again
    QTest::newRow("the frame was refused") << BP_NAK << 1;
    QTest::newRow("the board restarted") << BP_READY << 2;
}

void BridgePortTest::theBoardAsksForTheFrameAgain() {
    QFETCH(int, type);
    QFETCH(int, hellos);
    FakeBoard board;
    Bridge bridge(board.path(), dir_.path());
    ::handshake(bridge, board);
    bridge.port->showFrame(frame(7));
    QTRY_COMPARE(board.count(BP_FRAME), 1);
    const char payload = type == BP_NAK ? char(BP_ERR_CRC) : char(BP_PROTOCOL_VERSION);
    board.send(type, QByteArray(1, payload), board.packets.back().seq);
    QTRY_COMPARE(board.count(BP_FRAME), 2);
    QCOMPARE(board.lastFrame(), frame(7));
    QCOMPARE(board.count(BP_HELLO), hellos);
    QCOMPARE(bridge.port->link(), BridgePort::Link::Up);
}

void BridgePortTest::otherProtocolVersionsAreRefused_data() {
    QTest::addColumn<int>("version");
    QTest::newRow("older") << 0;
    QTest::newRow("newer") << 2;
    QTest::newRow("far newer") << 255;
}

void BridgePortTest::otherProtocolVersionsAreRefused() {
    QFETCH(int, version);
    FakeBoard board(version);
    Bridge bridge(board.path(), dir_.path());
    QTRY_COMPARE(bridge.port->link(), BridgePort::Link::AwaitingReady);
    board.send(BP_READY, QByteArray(1, char(version)));
    QTRY_COMPARE(bridge.port->link(), BridgePort::Link::Refused);
    QCOMPARE(bridge.errors.size(), 1);
    QVERIFY2(bridge.errors[0].contains(
                 QStringLiteral("speaks bridge protocol %1, this program speaks 1").arg(version)),
             qPrintable(bridge.errors[0]));
    bridge.port->showFrame(frame(1));
    bridge.port->blank();
    QTest::qWait(200);
    QCOMPARE(board.types(), std::vector<int>{BP_HELLO});
}

void BridgePortTest::reconnectsAfterUnplugging_data() {
    QTest::addColumn<bool>("givenTheStableName"); // else the pts path, as with /dev/ttyACM0
    QTest::addColumn<bool>("darkAtTheEnd");
    QTest::newRow("stable name, frame") << true << false;
    QTest::newRow("stable name, dark") << true << true;
    QTest::newRow("device path, frame") << false << false;
    QTest::newRow("device path, dark") << false << true;
}

void BridgePortTest::reconnectsAfterUnplugging() {
    QFETCH(bool, givenTheStableName);
    QFETCH(bool, darkAtTheEnd);
    QTemporaryDir byId;
    const QString stableName = byId.filePath(QStringLiteral("usb-quentaro-bridge-if00"));
    auto board = std::make_unique<FakeBoard>();
    relink(stableName, board->path());
    Bridge bridge(givenTheStableName ? stableName : board->path(), byId.path());
    ::handshake(bridge, *board);
    if (QTest::currentTestFailed())
        return;
    bridge.port->showFrame(frame(1));
    QTRY_COMPARE(board->count(BP_FRAME), 1);

    // Replugged boards come back under a new device name; only the stable one follows.
    auto replugged = std::make_unique<FakeBoard>();
    board->unplug();
    QTRY_COMPARE(bridge.port->link(), BridgePort::Link::Waiting);
    QCOMPARE(bridge.errors.size(), 1);
    QVERIFY2(bridge.errors[0].contains(QStringLiteral("went away")), qPrintable(bridge.errors[0]));
    bridge.port->showFrame(frame(2));
    bridge.port->blank();
    if (!darkAtTheEnd)
        bridge.port->showFrame(frame(3));
    relink(stableName, replugged->path());

    ::handshake(bridge, *replugged);
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE(replugged->types().size(), std::size_t(2));
    QCOMPARE(replugged->types(), (std::vector<int>{BP_HELLO, darkAtTheEnd ? BP_BLANK : BP_FRAME}));
    if (!darkAtTheEnd)
        QCOMPARE(replugged->lastFrame(), frame(3));
    QCOMPARE(bridge.errors.size(), 1);
}

void BridgePortTest::waitsForABoardNotPluggedInYet() {
    QTemporaryDir byId;
    const QString stableName = byId.filePath(QStringLiteral("usb-later"));
    Bridge bridge(stableName, byId.path());
    QCOMPARE(bridge.port->link(), BridgePort::Link::Waiting);
    QCOMPARE(bridge.errors.size(), 1);
    QTest::qWait(200);
    QCOMPARE(bridge.errors.size(), 1);
    FakeBoard board;
    relink(stableName, board.path());
    ::handshake(bridge, board);
    QTRY_COMPARE(board.types().size(), std::size_t(2));
    QCOMPARE(board.types(), (std::vector<int>{BP_HELLO, BP_BLANK}));
}

void BridgePortTest::darkensTheBoardWhenClosed() {
    FakeBoard board;
    Bridge bridge(board.path(), dir_.path());
    ::handshake(bridge, board);
    bridge.port->showFrame(frame(4));
    QTRY_COMPARE(board.count(BP_FRAME), 1);
    bridge.port.reset();
    QTRY_COMPARE(board.types().back(), BP_BLANK);
}

void BridgePortTest::levelsGoOutAsPlanesOrAsOnOff_data() {
    QTest::addColumn<bool>("firmwareTakesLevels");
    QTest::newRow("firmware with grey levels") << true;
    QTest::newRow("older firmware") << false;
}

// Through the output the editor drives: levels as four planes, or after the
// firmware refused them once as the on/off frame of them, said once; an on/off
// frame as ever.
void BridgePortTest::levelsGoOutAsPlanesOrAsOnOff() {
    QFETCH(bool, firmwareTakesLevels);
    FakeBoard board;
    board.refusesLevels = !firmwareTakesLevels;
    Bridge bridge(board.path(), dir_.path());
    ::handshake(bridge, board);
    WholeFrameOutput output(*bridge.port);
    output.refresh(false, {});
    PortIo::LevelFrame ramp, other;
    for (std::size_t led = 0; led < ramp.size(); ++led) {
        ramp[led] = std::uint8_t((led + led / 16) % 16);
        other[led] = std::uint8_t(15 - ramp[led]);
    }
    const std::vector<int> planes{BP_LEVEL_PLANE(0), BP_LEVEL_PLANE(1), BP_LEVEL_PLANE(2),
                                  BP_LEVEL_PLANE(3)};
    std::vector<int> expected{BP_HELLO, BP_BLANK, BP_FRAME}; // the dark frame at the start
    expected.insert(expected.end(), planes.begin(), planes.end());

    output.showLevels(ramp);
    if (firmwareTakesLevels) {
        QTRY_COMPARE(board.types(), expected);
        QCOMPARE(board.lastLevels(), std::optional(ramp));
        output.showLevels(other);
        expected.insert(expected.end(), planes.begin(), planes.end());
        QTRY_COMPARE(board.types(), expected);
        QCOMPARE(board.lastLevels(), std::optional(other));
        QVERIFY(bridge.errors.isEmpty());
    } else {
        expected.push_back(BP_FRAME);
        QTRY_COMPARE(board.types(), expected);
        QCOMPARE(board.lastFrame(), MatrixOutput::halfLevelFrame(ramp));
        output.showLevels(other);
        expected.push_back(BP_FRAME);
        QTRY_COMPARE(board.types(), expected);
        QCOMPARE(board.lastFrame(), MatrixOutput::halfLevelFrame(other));
        QCOMPARE(bridge.errors.size(), 1);
        QVERIFY2(bridge.errors[0].contains(QStringLiteral("shows no grey levels")),
                 qPrintable(bridge.errors[0]));
    }
    output.show(frame(0x5A));
    expected.push_back(BP_FRAME);
    QTRY_COMPARE(board.types(), expected);
    QCOMPARE(board.lastFrame(), frame(0x5A));
    QTest::qWait(200); // pings only from here on
    QCOMPARE(board.types(), expected);
}

void BridgePortTest::brightnessGoesOutAfterEveryHello_data() {
    QTest::addColumn<bool>("firmwareDims");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("sent"); // 0: nothing to send at full light
    QTest::newRow("dimming firmware") << true << 40 << 40;
    QTest::newRow("dimming firmware, below the least") << true << 1 << 5;
    QTest::newRow("dimming firmware, full") << true << 100 << 0;
    QTest::newRow("older firmware") << false << 40 << 40;
    QTest::newRow("older firmware, full") << false << 100 << 0;
}

// Set before the link as at the start; sent after HELLO and again after a
// restart's HELLO, which puts the board back to full. A firmware that refuses
// it is said to be unable to dim, once, and the frames go on.
void BridgePortTest::brightnessGoesOutAfterEveryHello() {
    QFETCH(bool, firmwareDims);
    QFETCH(int, percent);
    QFETCH(int, sent);
    FakeBoard board;
    board.refusesDimming = !firmwareDims;
    Bridge bridge(board.path(), dir_.path());
    WholeFrameOutput output(*bridge.port);
    output.setBrightness(percent);
    ::handshake(bridge, board);
    std::vector<int> expected{BP_HELLO};
    const auto hello = [&](bool dimmed) {
        if (dimmed)
            expected.push_back(BP_BRIGHTNESS);
        expected.push_back(BP_BLANK);
        QTRY_COMPARE(board.types(), expected);
        if (dimmed)
            QCOMPARE(int(board.packets[board.packets.size() - 2].payload[0]), sent);
    };
    hello(sent != 0);
    // The refusal is read after the board has the packets.
    QTRY_COMPARE(bridge.errors.size(), !firmwareDims && sent ? 1 : 0);

    board.send(BP_READY, QByteArray(1, char(BP_PROTOCOL_VERSION)));
    expected.push_back(BP_HELLO);
    hello(sent != 0 && firmwareDims);

    output.setBrightness(60);
    bridge.port->showFrame(frame(7));
    if (firmwareDims || !sent)
        expected.push_back(BP_BRIGHTNESS);
    expected.push_back(BP_FRAME);
    QTRY_COMPARE(board.types(), expected);
    QTest::qWait(200);
    QCOMPARE(board.types(), expected);
    QCOMPARE(bridge.errors.size(), firmwareDims ? 0 : 1);
    if (!firmwareDims)
        QVERIFY2(bridge.errors[0].contains(QStringLiteral("cannot dim")),
                 qPrintable(bridge.errors[0]));
}

void BridgePortTest::portArguments_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("device"); // empty: not a bridge
    QTest::newRow("device path") << "bridge:/dev/ttyACM0"
                                 << "/dev/ttyACM0";
    QTest::newRow("stable name") << "bridge:/dev/serial/by-id/usb-Arduino_1-if00"
                                 << "/dev/serial/by-id/usb-Arduino_1-if00";
    QTest::newRow("bare name") << "bridge:ttyUSB1"
                               << "/dev/ttyUSB1";
    QTest::newRow("nothing after the colon") << "bridge:"
                                             << "";
    QTest::newRow("parallel port") << "/dev/parport0"
                                   << "";
    QTest::newRow("other scheme") << "serial:/dev/ttyACM0"
                                  << "";
    QTest::newRow("prefix not at the start") << "/dev/bridge:x"
                                             << "";
}

void BridgePortTest::portArguments() {
    QFETCH(QString, argument);
    QFETCH(QString, device);
    QCOMPARE(bridgeDevice(argument).value_or(QString()), device);
}

QTEST_GUILESS_MAIN(BridgePortTest)
#include "test_bridge_port.moc"
