// The board as a network node: the E1.31, Art-Net and DDP decoders against
// hostile and valid datagrams, the merge and timing rules on a clock of the
// test's own, frames from the program's own outputs over 127.0.0.1 through a
// mapping that is not the default, the ArtPollReply read by the program's own
// Art-Net search, and E1.31 from the Open Lighting Architecture's daemon in a
// network namespace of the test's own (skipped where it cannot be made).
#include "network/ArtNetDiscovery.h"
#include "network/NetworkPackets.h"
#include "network/NetworkPort.h"
#include "network/receive/NetworkReceiver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <sched.h>
#include <thread>
#include <unistd.h>

using namespace ReceivedPackets;
using namespace std::chrono_literals;

namespace {

QByteArray at(QByteArray bytes, int offset, int value) {
    bytes[offset] = char(value);
    return bytes;
}

QByteArray e131Bytes(int universe = 1, std::uint8_t options = 0, int count = 510) {
    const NetworkPackets::E131Source source{
        QUuid::fromString(QStringLiteral("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}")),
        QStringLiteral("desk"), 100};
    return NetworkPackets::e131(source, std::uint16_t(universe), 7, options,
                                QByteArray(count, char(9)));
}

QByteArray e131Sync(int address, int length = 49) {
    QByteArray d = e131Bytes().left(38);
    d[21] = 0x08; // extended
    d.append(QByteArray::fromHex("700b"
                                 "00000001") +
             QByteArray(5, '\0'));
    d[44] = 3;
    d[45] = char(address >> 8);
    d[46] = char(address);
    d.resize(length, '\0');
    d[16] = char(0x70);
    d[17] = char(length - 16);
    d[39] = char(length - 38);
    return d;
}

QByteArray artBytes(int op, QByteArray body = QByteArray::fromHex("000e0000")) {
    return QByteArray("Art-Net\0", 8) + char(op & 0xFF) + char(op >> 8) + body;
}

QByteArray ddpBytes(int flags, int type, int destination, int length, int present) {
    QByteArray d = QByteArray::fromHex("00000000000000000000");
    d[0] = char(flags);
    d[1] = 5;
    d[2] = char(type);
    d[3] = char(destination);
    d[8] = char(length >> 8);
    d[9] = char(length);
    return d + QByteArray(present, char(0x80));
}

// What a decoder made of a datagram, in a few words.
QString described(const Packet& p) {
    if (const auto* r = std::get_if<Refused>(&p))
        return (r->forOthers ? QStringLiteral("ignored: ") : QStringLiteral("refused: ")) + r->why;
    if (const auto* d = std::get_if<E131Data>(&p))
        return QStringLiteral("E1.31 data u%1 p%2 s%3 n%4 \"%5\"%6")
            .arg(d->universe)
            .arg(d->priority)
            .arg(d->sequence)
            .arg(d->values.size())
            .arg(d->sourceName, d->streamTerminated ? QStringLiteral(" terminated") : QString());
    if (const auto* s = std::get_if<E131Sync>(&p))
        return QStringLiteral("E1.31 sync a%1 s%2").arg(s->syncAddress).arg(s->sequence);
    if (const auto* a = std::get_if<ArtDmx>(&p))
        return QStringLiteral("ArtDmx u%1 n%2").arg(a->portAddress).arg(a->values.size());
    if (std::holds_alternative<ArtSync>(p))
        return QStringLiteral("ArtSync");
    if (const auto* poll = std::get_if<ArtPoll>(&p))
        return poll->targetRange ? QStringLiteral("ArtPoll targeted %1-%2")
                                       .arg(poll->targetRange->first)
                                       .arg(poll->targetRange->second)
                                 : QStringLiteral("ArtPoll");
    if (const auto* q = std::get_if<DdpStatusQuery>(&p))
        return QStringLiteral("DDP status s%1").arg(q->sequence);
    const auto& d = std::get<DdpData>(p);
    return QStringLiteral("DDP data%1 o%2 n%3 t%4%5 first %6")
        .arg(d.push ? QStringLiteral(" push") : QString())
        .arg(d.offset)
        .arg(d.data.size())
        .arg(d.dataType)
        .arg(d.timecode ? QStringLiteral(" tc") : QString())
        .arg(d.data.isEmpty() ? -1 : std::uint8_t(d.data[0]));
}

// One step of a state machine row: a packet at a time, or the clock alone.
struct Step {
    int ms = 0;
    std::optional<Packet> packet;
    QString from = QStringLiteral("10.0.0.1");
};
using Script = std::vector<Step>;

Step e131(int ms, char source, int universe, int sequence, int value, int priority = 100,
          int sync = 0, bool terminated = false, bool force = false) {
    E131Data d;
    d.cid = QUuid::fromRfc4122(QByteArray(16, source));
    d.sourceName = QString(QLatin1Char(source));
    d.universe = std::uint16_t(universe);
    d.sequence = std::uint8_t(sequence);
    d.priority = std::uint8_t(priority);
    d.syncAddress = std::uint16_t(sync);
    d.streamTerminated = terminated;
    d.forceSynchronization = force;
    d.values = QByteArray(510, char(value));
    return {ms, d};
}
Step sync(int ms, char source, int address, int sequence) {
    return {ms, E131Sync{QUuid::fromRfc4122(QByteArray(16, source)), std::uint8_t(sequence),
                         std::uint16_t(address)}};
}
Step art(int ms, const char* from, int universe, int value) {
    return {ms, ArtDmx{1, 0, std::uint16_t(universe), QByteArray(510, char(value))},
            QLatin1String(from)};
}
Step artSync(int ms, const char* from) {
    return {ms, ArtSync{}, QLatin1String(from)};
}
Step ddp(int ms, int offset, const QByteArray& data, bool push) {
    return {ms, DdpData{push, 1, DdpRgb8, DdpDisplay, std::uint32_t(offset), std::nullopt, data}};
}
Step tick(int ms) {
    return {ms, std::nullopt};
}

// A frame as the levels of its top-left LED and its bottom-right one (the
// first in universe 1, the other in universe 2 with RGB).
QString summary(const std::optional<PortIo::LevelFrame>& frame) {
    return frame ? QStringLiteral("%1/%2").arg((*frame)[0]).arg((*frame)[255])
                 : QStringLiteral("-");
}

// A wiring that puts most LEDs elsewhere on the strip than the default does.
PanelMapping unusualMapping() {
    PanelMapping m;
    m.wiring = *parsePanelWiring(QStringLiteral("top-right,columns,straight,rotate-90")).wiring;
    m.colour = {255, 255, 255}; // level * 17 in every channel: read back exactly
    m.brightness = 100;
    return m;
}

PortIo::LevelFrame pattern(int seed) {
    PortIo::LevelFrame f{};
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = std::uint8_t((i * 7 + std::size_t(seed)) % 16);
    return f;
}

// The output's bytes of a frame, as comma-separated values for ola_streaming_client.
QString values(const PanelMapping::Rgb& rgb, int from, int count) {
    QStringList out;
    for (int i = from; i < from + count; ++i)
        out << QString::number(rgb[std::size_t(i)]);
    return out.join(QLatin1Char(','));
}

int ledsMovedFromDefault(const PanelMapping& m) {
    int moved = 0;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column)
            moved += m.ledIndex(row, column) != PanelMapping().ledIndex(row, column);
    }
    return moved;
}

// What a step of the receiver gave: nothing, a refusal, the dark frame or
// which pattern.
QString seen(const ReceivedFrames::Outcome& o) {
    if (!o.refused.isEmpty())
        return QStringLiteral("x");
    if (!o.frame)
        return QStringLiteral("-");
    for (int seed : {1, 2}) {
        if (*o.frame == pattern(seed))
            return QStringLiteral("p%1").arg(seed);
    }
    return *o.frame == PortIo::LevelFrame{} ? QStringLiteral("dark") : QStringLiteral("?");
}

bool run(const QString& program, const QStringList& args, QString* output = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(ReceivedPackets::Protocol)
Q_DECLARE_METATYPE(NetworkTarget::Protocol)

class TestNetworkReceive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void decoders_data() {
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("expected"); // contained in what the decoder made of it
        const auto e = Protocol::E131;
        const QByteArray d = e131Bytes();
        QTest::newRow("E1.31 data") << e << d << "E1.31 data u1 p100 s7 n510 \"desk\"";
        QTest::newRow("E1.31 512 values") << e << e131Bytes(63999, 0, 512) << "u63999 p100 s7 n512";
        QTest::newRow("E1.31 terminated") << e << e131Bytes(2, 0x40, 0) << "n0 \"desk\" terminated";
        QTest::newRow("E1.31 37 bytes") << e << d.left(37) << "refused: E1.31: 37 bytes, too short";
        QTest::newRow("preamble") << e << at(d, 1, 0x11) << "refused: E1.31: preamble size 17";
        QTest::newRow("postamble") << e << at(d, 3, 1) << "postamble size 1, not 0";
        QTest::newRow("ACN identifier") << e << at(d, 8, 'X') << "no ACN packet identifier";
        QTest::newRow("root flags") << e << at(d, 16, 0x50) << "root layer flags 5, not 0x7";
        QTest::newRow("root length")
            << e << d + '\0' << "root layer says 620 bytes, the datagram has 621";
        QTest::newRow("root vector") << e << at(d, 21, 5) << "root vector 0x00000005";
        QTest::newRow("framing vector") << e << at(d, 43, 3) << "framing vector 0x00000003";
        QTest::newRow("framing length") << e << at(d, 39, 0) << "framing layer says";
        QTest::newRow("priority 201") << e << at(d, 108, 201) << "priority 201, above 200";
        QTest::newRow("universe 0") << e << at(d, 114, 0) << "universe 0, not 1 ... 63999";
        QTest::newRow("universe 64000") << e << e131Bytes(64000) << "universe 64000, not";
        QTest::newRow("preview") << e << at(d, 112, 0x80) << "ignored: E1.31: preview data";
        QTest::newRow("DMP vector") << e << at(d, 117, 1) << "DMP vector 1, not 2";
        QTest::newRow("DMP type") << e << at(d, 118, 0xA2) << "address and data type 0xa2";
        QTest::newRow("first address") << e << at(d, 120, 1) << "first property address 1";
        QTest::newRow("increment") << e << at(d, 122, 2) << "and increment 2";
        QTest::newRow("value count") << e << at(d, 124, 0) << "256 property values announced, 511";
        QTest::newRow("start code") << e << at(d, 125, 0xDD) << "start code 0xdd, not 0";
        QTest::newRow("513 values") << e << e131Bytes(1, 0, 513) << "data packet of 639 bytes";
        QTest::newRow("sync") << e << e131Sync(7) << "E1.31 sync a7 s3";
        QTest::newRow("sync address 0") << e << e131Sync(0) << "synchronisation address 0";
        QTest::newRow("sync 50 bytes") << e << e131Sync(7, 50) << "synchronisation packet of 50";
        QTest::newRow("discovery")
            << e << at(e131Sync(7), 43, 2) << "ignored: E1.31: universe discovery";
        QTest::newRow("Art-Net in E1.31") << e << NetworkPackets::artPoll() << "refused: E1.31";

        const auto a = Protocol::ArtNet;
        const QByteArray dmx = NetworkPackets::artDmx(0x7FFF, 1, QByteArray(3, '\1'));
        QTest::newRow("ArtDmx 15-bit") << a << dmx << "ArtDmx u32767 n4";
        QTest::newRow("ArtDmx Net bit 7") << a << at(dmx, 15, 0xFF) << "ArtDmx u32767";
        QTest::newRow("ArtDmx split")
            << a << NetworkPackets::artDmx(0x1234, 1, QByteArray(8, 'a')) << "u4660 n8";
        QTest::newRow("no Art-Net id")
            << a << at(dmx, 3, '_') << "refused: Art-Net: no \"Art-Net\"";
        QTest::newRow("11 bytes") << a << dmx.left(11) << "no \"Art-Net\" header";
        QTest::newRow("version 13") << a << at(dmx, 11, 13) << "protocol version 13, older";
        QTest::newRow("ArtDmx header") << a << dmx.left(17) << "ArtDmx of 17 bytes";
        QTest::newRow("length 0") << a << at(at(dmx, 16, 0), 17, 0) << "ArtDmx length 0";
        QTest::newRow("length 513") << a << at(at(dmx, 16, 2), 17, 1) << "ArtDmx length 513";
        QTest::newRow("length past end") << a << dmx.left(21) << "says 4 values, has 3";
        QTest::newRow("ArtSync") << a << artBytes(0x5200) << "ArtSync";
        QTest::newRow("ArtSync short") << a << artBytes(0x5200).left(13) << "ArtSync of 13 bytes";
        QTest::newRow("ArtPoll") << a << NetworkPackets::artPoll() << "ArtPoll";
        QTest::newRow("ArtPoll 12 bytes") << a << NetworkPackets::artPoll().left(12) << "ArtPoll";
        QTest::newRow("ArtPoll targeted") << a
                                          << artBytes(0x2000, QByteArray::fromHex("000e2000"
                                                                                  "0004"
                                                                                  "0003"))
                                          << "ArtPoll targeted 3-4";
        QTest::newRow("ArtPollReply")
            << a << artBytes(0x2100) << "ignored: Art-Net: an ArtPollReply";
        QTest::newRow("OpTodRequest")
            << a << artBytes(0x8000) << "ignored: Art-Net: op code 0x8000";

        const auto p = Protocol::Ddp;
        QTest::newRow("DDP push") << p << NetworkPackets::ddp(3, QByteArray(768, 'z'))
                                  << "DDP data push o0 n768 t11 first 122";
        QTest::newRow("DDP legacy type") << p << ddpBytes(0x40, 1, 1, 3, 3) << "DDP data o0 n3 t1";
        QTest::newRow("DDP grey all") << p << ddpBytes(0x41, 0x23, 255, 2, 2) << "push o0 n2 t35";
        QTest::newRow("DDP timecode")
            << p << ddpBytes(0x51, 0x0B, 1, 1, 4) + '\7' << "n1 t11 tc first 7";
        QTest::newRow("DDP 9 bytes")
            << p << ddpBytes(0x41, 0x0B, 1, 0, 0).left(9) << "shorter than the 10-byte";
        QTest::newRow("DDP timecode short")
            << p << ddpBytes(0x51, 0x0B, 1, 0, 2) << "the 14-byte header";
        QTest::newRow("DDP version 2") << p << ddpBytes(0x81, 0x0B, 1, 0, 0) << "version 2, not 1";
        QTest::newRow("DDP reply") << p << ddpBytes(0x44, 0, 251, 0, 0) << "ignored: DDP: a reply";
        QTest::newRow("DDP storage") << p << ddpBytes(0x49, 0x0B, 1, 0, 0) << "storage flag";
        QTest::newRow("DDP status query") << p << ddpBytes(0x42, 0, 251, 0, 0) << "DDP status s5";
        QTest::newRow("DDP config query")
            << p << ddpBytes(0x42, 0, 250, 0, 0) << "query for destination 250";
        QTest::newRow("DDP destination")
            << p << ddpBytes(0x41, 0x0B, 2, 0, 0) << "destination 2, neither";
        QTest::newRow("DDP RGBW") << p << ddpBytes(0x41, 0x1B, 1, 4, 4) << "data type 0x1b";
        QTest::newRow("DDP length")
            << p << ddpBytes(0x41, 0x0B, 1, 768, 767) << "says 768 data bytes, has 767";
    }
    void decoders() {
        QFETCH(Protocol, protocol);
        QFETCH(QByteArray, datagram);
        QFETCH(QString, expected);
        const QString got = described(decode(protocol, datagram));
        QVERIFY2(got.contains(expected), qPrintable(got));
    }

    // Names from the network in a status line: nothing in them may reorder,
    // hide or break the line.
    void printableText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString x(QChar::ReplacementCharacter);
        QTest::newRow("overrides and embeddings")
            << u"desk\u202Eevil\u202A\u202B\u202C\u202D"_qs << "desk" + x + "evil" + x.repeated(4);
        QTest::newRow("isolates and marks")
            << u"\u2066a\u2067\u2068\u2069\u200E\u200F\u061C"_qs << x + "a" + x.repeated(6);
        QTest::newRow("controls, separators, a tag past the BMP")
            << u"a\tb\x1b[2J\n\u2028\U000E0001"_qs << "a" + x + "b" + x + "[2J" + x.repeated(3);
        QTest::newRow("names kept")
            << u"xLights — Bühne 2 ✓ 舞台"_qs << u"xLights — Bühne 2 ✓ 舞台"_qs;
    }
    void printableText() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(printable(text), shown);
    }

    // Each row: the packets and clock steps, and what each step gave: a frame
    // (top-left/bottom-right levels), "-" nothing to show, "x" refused, "i"
    // ignored as for another universe.
    void frames_data() {
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<bool>("holdLast");
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("expected");
        const auto e = Protocol::E131;
        QTest::newRow("both universes make a frame")
            << e << false << Script{e131(0, 'A', 1, 1, 255), e131(0, 'A', 2, 1, 136)} << "- 15/8";
        QTest::newRow("one universe twice shows")
            << e << false << Script{e131(0, 'A', 1, 1, 255), e131(5, 'A', 1, 2, 17)} << "- 1/0";
        QTest::newRow("highest priority wins")
            << e << false
            << Script{e131(0, 'A', 1, 1, 17, 150), e131(0, 'A', 2, 1, 17, 150),
                      e131(0, 'B', 1, 1, 255), e131(0, 'B', 2, 1, 255)}
            << "- 1/1 - 1/1";
        QTest::newRow("equal priorities merge HTP")
            << e << false
            << Script{e131(0, 'A', 1, 1, 17), e131(0, 'A', 2, 1, 255), e131(0, 'B', 1, 1, 255),
                      e131(0, 'B', 2, 1, 17)}
            << "- 1/15 - 15/15";
        QTest::newRow("stream terminated drops at once")
            << e << false
            << Script{e131(0, 'A', 1, 1, 255),
                      e131(0, 'A', 2, 1, 255),
                      e131(0, 'B', 1, 1, 17, 50),
                      e131(0, 'B', 2, 1, 17, 50),
                      e131(1, 'A', 1, 2, 0, 100, 0, true),
                      e131(1, 'A', 2, 2, 0, 100, 0, true)}
            << "- 15/15 - 15/15 1/15 1/1";
        QTest::newRow("late sequence dropped")
            << e << false
            << Script{e131(0, 'A', 1, 10, 255), e131(0, 'A', 2, 10, 255), e131(1, 'A', 1, 9, 17),
                      e131(1, 'A', 1, 10, 17),  e131(1, 'A', 1, 246, 17), e131(1, 'A', 2, 11, 17)}
            << "- 15/15 x x - 1/1";
        QTest::newRow("sync holds until the sync packet")
            << e << false << Script{e131(0, 'A', 1, 1, 255, 100, 7),
                                    e131(0, 'A', 2, 1, 255, 100, 7),
                                    sync(0, 'A', 7, 1),
                                    e131(10, 'A', 1, 2, 17, 100, 7),
                                    e131(10, 'A', 2, 2, 17, 100, 7),
                                    sync(20, 'A', 7, 2)}
            << "- 15/15 - - - 1/1";
        QTest::newRow("sync lost, forced: shown")
            << e << false
            << Script{sync(0, 'A', 7, 1), e131(100, 'A', 1, 1, 255, 100, 7, false, true),
                      e131(100, 'A', 2, 1, 255, 100, 7, false, true), tick(2499), tick(2500)}
            << "- - - - 15/15";
        QTest::newRow("sync lost, not forced: held")
            << e << false << Script{sync(0, 'A', 7, 1),
                                    e131(100, 'A', 1, 1, 255, 100, 7),
                                    e131(100, 'A', 2, 1, 255, 100, 7),
                                    tick(2500),
                                    e131(2500, 'A', 1, 2, 136, 100, 7),
                                    sync(2600, 'A', 7, 2)}
            << "- - - - - 8/15";
        QTest::newRow("timeout goes dark")
            << e << false
            << Script{e131(0, 'A', 1, 1, 255), e131(0, 'A', 2, 1, 255), tick(2499), tick(2500),
                      tick(5000)}
            << "- 15/15 - 0/0 -";
        QTest::newRow("timeout holds the last frame")
            << e << true << Script{e131(0, 'A', 1, 1, 255), e131(0, 'A', 2, 1, 255), tick(2500)}
            << "- 15/15 -";
        QTest::newRow("E1.31 other universe")
            << e << false << Script{e131(0, 'A', 3, 1, 255)} << "i";

        const auto a = Protocol::ArtNet;
        QTest::newRow("ArtSync holds and releases")
            << a << false << Script{art(0, "10.0.0.1", 1, 255), art(0, "10.0.0.1", 2, 255),
                                    artSync(0, "10.0.0.1"),     art(10, "10.0.0.1", 1, 17),
                                    art(10, "10.0.0.1", 2, 17), artSync(20, "10.0.0.1")}
            << "- 15/15 - - - 1/1";
        QTest::newRow("ArtSync from elsewhere")
            << a << false << Script{art(0, "10.0.0.1", 1, 255), artSync(0, "10.0.0.2")} << "- x";
        QTest::newRow("ArtSync stops: shown at once") << a << false
                                                      << Script{art(0, "10.0.0.1", 1, 255),
                                                                art(0, "10.0.0.1", 2, 255),
                                                                artSync(0, "10.0.0.1"),
                                                                art(2000, "10.0.0.1", 1, 17),
                                                                art(2000, "10.0.0.1", 2, 17),
                                                                tick(3999),
                                                                tick(4000),
                                                                art(4100, "10.0.0.1", 1, 136),
                                                                art(4100, "10.0.0.1", 2, 136)}
                                                      << "- 15/15 - - - - 1/1 - 8/8";
        QTest::newRow("two merge HTP, a third refused")
            << a << false
            << Script{art(0, "10.0.0.1", 1, 17), art(0, "10.0.0.2", 1, 136),
                      art(0, "10.0.0.3", 1, 255)}
            << "- 8/0 x";
        QTest::newRow("ArtSync ignored while merging")
            << a << false
            << Script{art(0, "10.0.0.1", 1, 17), art(0, "10.0.0.2", 1, 136), artSync(0, "10.0.0.2")}
            << "- 8/0 x";

        const auto p = Protocol::Ddp;
        QTest::newRow("DDP accumulates, push shows")
            << p << false
            << Script{ddp(0, 0, QByteArray(510, char(255)), false),
                      ddp(0, 510, QByteArray(258, char(136)), true)}
            << "- 15/8";
        QTest::newRow("DDP push alone shows the buffer")
            << p << false << Script{ddp(0, 720, "\x11", false), ddp(0, 0, {}, true)} << "- 0/1";
        QTest::newRow("DDP levels round")
            << p << false
            << Script{ddp(0, 0, QByteArray("\0\x09\x08", 3), false), ddp(0, 720, "\x80", true)}
            << "- 1/8";
        QTest::newRow("DDP clipped, past the end refused")
            << p << false
            << Script{ddp(0, 700, QByteArray(100, char(255)), true),
                      ddp(0, 768, QByteArray(3, char(255)), true)}
            << "0/15 x";
        QTest::newRow("DDP timeout goes dark")
            << p << false << Script{ddp(0, 0, QByteArray(768, char(255)), true), tick(2500)}
            << "15/15 0/0";
    }
    void frames() {
        QFETCH(Protocol, protocol);
        QFETCH(bool, holdLast);
        QFETCH(Script, script);
        QFETCH(QString, expected);
        ReceiveSetup setup;
        setup.protocol = protocol;
        setup.holdLast = holdLast;
        ReceivedFrames frames(setup);
        QStringList got;
        for (const Step& step : script) {
            const ReceivedFrames::Time now = std::chrono::milliseconds(step.ms);
            if (!step.packet) {
                got << summary(frames.advance(now));
                continue;
            }
            const ReceivedFrames::Outcome o = frames.take(now, {step.from, 5568}, *step.packet);
            got << (!o.refused.isEmpty()   ? QStringLiteral("x")
                    : !o.ignored.isEmpty() ? QStringLiteral("i")
                                           : summary(o.frame));
        }
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    // Made-up senders by the hundred thousand, all within the timeouts: what
    // is kept for them stays within the cap, and the source taken before the
    // flood is still held and released by its own synchronisation after it.
    void floodOfSendersStaysBounded_data() {
        QTest::addColumn<QString>("flood");
        QTest::addColumn<int>("count");
        QTest::newRow("sync, new CIDs") << "sync" << 1'000'000;
        QTest::newRow("sync, new CIDs and addresses") << "sync addresses" << 1'000'000;
        QTest::newRow("data, new CIDs") << "data" << 200'000;
        QTest::newRow("data, other universes, new sync addresses") << "other data" << 200'000;
    }
    void floodOfSendersStaysBounded() {
        QFETCH(QString, flood);
        QFETCH(int, count);
        ReceivedFrames frames{ReceiveSetup{}};
        QStringList got;
        const auto play = [&](const Step& step) {
            const ReceivedFrames::Outcome o =
                frames.take(std::chrono::milliseconds(step.ms), {step.from, 5568}, *step.packet);
            got << (o.refused.isEmpty() ? summary(o.frame) : QStringLiteral("x"));
        };
        for (const Step& step :
             {e131(0, 'A', 1, 1, 255, 100, 7), e131(0, 'A', 2, 1, 255, 100, 7), sync(0, 'A', 7, 1)})
            play(step);
        E131Data data = std::get<E131Data>(*e131(1, 'A', 1, 1, 0).packet);
        int most = 0;
        for (int i = 0; i < count; ++i) {
            const QUuid cid(uint(i), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10);
            const auto address = std::uint16_t(flood == "sync" ? 7 : 1 + i % 63999);
            Packet packet = E131Sync{cid, std::uint8_t(i), address};
            if (flood.endsWith("data")) {
                data.cid = cid;
                data.universe = std::uint16_t(flood == "data" ? 1 : 3 + i % 60000);
                data.syncAddress = flood == "data" ? 0 : address;
                packet = data;
            }
            frames.take(1ms, {QStringLiteral("10.0.0.2"), 5568}, packet);
            most = std::max(most, frames.stateEntries());
        }
        QVERIFY2(most <= frames.stateCapacity(),
                 qPrintable(QStringLiteral("%1 entries kept").arg(most)));
        QVERIFY(frames.stateCapacity() < 100);
        for (const Step& step :
             {e131(2, 'A', 1, 2, 17, 100, 7), e131(2, 'A', 2, 2, 17, 100, 7), sync(3, 'A', 7, 2)})
            play(step);
        QCOMPARE(got.join(QLatin1Char(' ')), QStringLiteral("- 15/15 - - - 1/1"));
    }

    // The program's own output sends a frame of levels through a mapping that
    // is not the default; the receiver, mapped the same, gives it back.
    void endToEnd_data() {
        QTest::addColumn<NetworkTarget::Protocol>("output");
        QTest::addColumn<Protocol>("listen");
        QTest::newRow("E1.31") << NetworkTarget::Protocol::E131 << Protocol::E131;
        QTest::newRow("Art-Net") << NetworkTarget::Protocol::ArtNet << Protocol::ArtNet;
        QTest::newRow("DDP") << NetworkTarget::Protocol::Ddp << Protocol::Ddp;
    }
    void endToEnd() {
        QFETCH(NetworkTarget::Protocol, output);
        QFETCH(Protocol, listen);
        const int moved = ledsMovedFromDefault(unusualMapping());
        QVERIFY2(moved >= 100, qPrintable(QString::number(moved)));
        ListenOptions options;
        options.setup.protocol = listen;
        options.setup.universe = 5;
        options.setup.mapping = unusualMapping();
        options.address = QHostAddress::LocalHost;
        options.port = 0;
        NetworkReceiver receiver(options);
        QCOMPARE(receiver.start(), QString());
        QVERIFY(receiver.groups().empty());
        std::optional<PortIo::LevelFrame> last;
        connect(&receiver, &NetworkReceiver::frameReceived,
                [&last](const PortIo::LevelFrame& f) { last = f; });
        NetworkPort port({output, QStringLiteral("127.0.0.1"), receiver.localPort(), 5},
                         unusualMapping(), {});
        for (int seed : {1, 2}) {
            port.showLevels(pattern(seed));
            QTRY_COMPARE(last, std::optional(pattern(seed)));
        }
        QTRY_VERIFY(receiver.statusLine().contains(QStringLiteral(" frames/s")));
        if (listen == Protocol::E131)
            QVERIFY2(receiver.statusLine().contains(QStringLiteral("from quentaro on ")),
                     qPrintable(receiver.statusLine()));
    }

    // The output's own datagrams with --sync, caught on the loopback address and
    // given one by one to the receiving side: each frame's universes are held
    // until its synchronisation packet comes (the dark frame at the start shows
    // at once: nothing was synchronised before it).
    void synchronisedOutputIsHeld_data() {
        QTest::addColumn<NetworkTarget::Protocol>("output");
        QTest::addColumn<Protocol>("listen");
        QTest::newRow("E1.31") << NetworkTarget::Protocol::E131 << Protocol::E131;
        QTest::newRow("Art-Net") << NetworkTarget::Protocol::ArtNet << Protocol::ArtNet;
    }
    void synchronisedOutputIsHeld() {
        QFETCH(NetworkTarget::Protocol, output);
        QFETCH(Protocol, listen);
        QUdpSocket wire;
        QVERIFY(wire.bind(QHostAddress::LocalHost, 0));
        NetworkPort port({output, QStringLiteral("127.0.0.1"), wire.localPort(), 5},
                         unusualMapping(), {}, {1000, 5000, 5000});
        port.setSetup({unusualMapping(), 1000, true});
        ReceiveSetup setup;
        setup.protocol = listen;
        setup.universe = 5;
        setup.mapping = unusualMapping();
        ReceivedFrames frames(setup);
        QStringList got;
        const auto receive = [&] {
            for (int i = 0; i < 3; ++i) {
                QTRY_VERIFY(wire.hasPendingDatagrams());
                const QByteArray bytes = wire.receiveDatagram().data();
                got << seen(
                    frames.take({}, {QStringLiteral("127.0.0.1"), 1}, decode(listen, bytes)));
            }
        };
        receive();
        for (int seed : {1, 2}) {
            port.showLevels(pattern(seed));
            receive();
        }
        QCOMPARE(got.join(QLatin1Char(' ')), QStringLiteral("- dark - - - p1 - - p2"));
    }

    // The replies, two as the universes 15 and 16 have different Sub-Nets,
    // read by the program's own Art-Net search; and DDP's status as JSON.
    void answers() {
        ListenOptions options;
        options.setup.protocol = Protocol::ArtNet;
        options.setup.universe = 15;
        options.address = QHostAddress::LocalHost;
        options.port = 0;
        options.longName = QStringLiteral("the board <b>here</b>");
        NetworkReceiver node(options);
        QCOMPARE(node.start(), QString());
        ArtPollOptions poll;
        poll.targets = {QHostAddress::LocalHost};
        poll.targetPort = node.localPort();
        poll.listenAddress = QHostAddress::LocalHost;
        poll.listenPort = 0;
        poll.collectMs = 500;
        ArtNetDiscovery search(poll);
        QSignalSpy finished(&search, &ArtNetDiscovery::finished);
        search.start();
        QVERIFY(finished.wait(3000));
        QCOMPARE(search.nodes().size(), std::size_t(1));
        const NetworkPackets::ArtNode& found = search.nodes().front();
        QCOMPARE(found.address, QStringLiteral("127.0.0.1"));
        QCOMPARE(found.shortName, QStringLiteral("Quentaro"));
        QCOMPARE(found.longName, options.longName);
        QCOMPARE(found.universes, (std::vector<int>{15, 16}));

        options.setup.protocol = Protocol::Ddp;
        NetworkReceiver display(options);
        QCOMPARE(display.start(), QString());
        QUdpSocket asker;
        asker.bind(QHostAddress::LocalHost, 0);
        asker.writeDatagram(ddpBytes(0x42, 0, 251, 0, 0), QHostAddress::LocalHost,
                            display.localPort());
        QTRY_VERIFY(asker.hasPendingDatagrams());
        const QByteArray reply = asker.receiveDatagram().data();
        QCOMPARE(reply.left(4), QByteArray::fromHex("44050"
                                                    "0fb"));
        QCOMPARE((std::uint8_t(reply[8]) << 8 | std::uint8_t(reply[9])), int(reply.size() - 10));
        const QJsonObject status =
            QJsonDocument::fromJson(reply.mid(10)).object()["status"].toObject();
        QCOMPARE(status["man"].toString(), QStringLiteral("Quentaro"));
        QCOMPARE(status["push"].toBool(), true);
    }

    // 10,000 datagrams a second for a second: the event loop keeps its turns
    // and frames keep coming.
    void floodLeavesTheLoopItsTurn() {
        ListenOptions options;
        options.setup.protocol = Protocol::Ddp;
        options.address = QHostAddress::LocalHost;
        options.port = 0;
        NetworkReceiver receiver(options);
        QCOMPARE(receiver.start(), QString());
        int frames = 0;
        connect(&receiver, &NetworkReceiver::frameReceived, [&frames] { ++frames; });
        const quint16 port = receiver.localPort();
        std::atomic<bool> done{false};
        std::thread sender([port, &done] {
            QUdpSocket s;
            const QByteArray packet = NetworkPackets::ddp(1, QByteArray(768, 'x'));
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < 10000; ++i) {
                s.writeDatagram(packet, QHostAddress::LocalHost, port);
                std::this_thread::sleep_until(start + i * 100us);
            }
            done = true;
        });
        QElapsedTimer clock;
        clock.start();
        qint64 longestGap = 0;
        qint64 last = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        beat.start(10);
        QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
        sender.join();
        QVERIFY2(longestGap < 200, qPrintable(QString::number(longestGap)));
        QTRY_VERIFY(frames > 1000);
        QTRY_VERIFY(receiver.status().packetsPerSecond > 1000);
    }

    // A data packet's synchronisation address is followed only for a source
    // taken on the board's universes: not for another universe, nor for a
    // source too many; and left once no source uses it. Multicast needs a
    // network namespace of the test's own, with a veth pair to carry it.
    void syncGroupsOnlyForSourcesTaken() {
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
            QSKIP("skipped: ip is not installed");
        if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
            QSKIP("skipped: no network namespace of its own can be made here");
        for (const char* command : {"link set lo up", "link add qr4 type veth peer name qr5",
                                    "addr add 10.255.2.1/24 dev qr4", "link set qr5 up",
                                    "link set qr4 up", "route add 224.0.0.0/4 dev qr4"})
            QVERIFY2(run(QStringLiteral("ip"), QString::fromLatin1(command).split(' ')), command);
        ListenOptions options; // 0.0.0.0:5568 of this namespace
        NetworkReceiver receiver(options);
        QCOMPARE(receiver.start(), QString());
        QUdpSocket sender;
        const auto send = [&](char source, int universe, int syncAddress) {
            const QUuid cid = QUuid::fromRfc4122(QByteArray(16, source));
            sender.writeDatagram(
                NetworkPackets::e131({cid, QString(source), 100}, std::uint16_t(universe), 1, 0,
                                     QByteArray(510, '\0'), std::uint16_t(syncAddress)),
                QHostAddress::LocalHost, receiver.localPort());
        };
        const auto groups = [&receiver] {
            QStringList out;
            for (const QHostAddress& group : receiver.groups())
                out << group.toString().section('.', 3);
            return out.join(' ');
        };
        const std::tuple<char, int, int> sources[] = {{'A', 1, 7},  {'B', 9, 300}, {'C', 1, 20},
                                                      {'D', 2, 21}, {'E', 1, 22},  {'F', 1, 23},
                                                      {'G', 1, 24}, {'H', 1, 25}};
        for (auto [source, universe, syncAddress] : sources)
            send(source, universe, syncAddress);
        QTRY_COMPARE(receiver.status().refused, quint64(2)); // G and H: a fifth source
        QCOMPARE(groups(), QStringLiteral("1 2 7 20 21 22 23"));
        QCOMPARE(receiver.groupProblem(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(groups(), QStringLiteral("1 2"), 5000);
    }

    // OLA's Art-Net plugin polls for the nodes of the universes it sends and
    // lists those that answer (ola_artnet -u). It skips whatever comes from its
    // own address, so olad runs in a second network namespace, joined to this
    // test's by a veth pair: 10.255.1.2 there, the board on 10.255.1.1 here.
    // OLA keeps a node's address alone, not its names. The test process stays
    // in its namespace: only fromOlad, which makes one of its own, follows.
    void olaFindsTheBoard() {
        for (const char* tool :
             {"olad", "ola_dev_info", "ola_patch", "ola_artnet", "ip", "unshare", "nsenter"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("skipped: %1 is not installed").arg(QLatin1String(tool))));
        if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
            QSKIP("skipped: no network namespace of its own can be made here");
        QProcess holder; // keeps olad's namespace while it is set up
        holder.start(QStringLiteral("unshare"),
                     {QStringLiteral("--net"), QStringLiteral("sleep"), QStringLiteral("60")});
        QVERIFY(holder.waitForStarted());
        const auto stopHolder = qScopeGuard([&holder] {
            holder.kill(); // by its process id
            holder.waitForFinished();
        });
        const QString ns = QStringLiteral("--net=/proc/%1/ns/net").arg(holder.processId());
        const auto there = [&ns](const char* program, const QStringList& args,
                                 QString* output = nullptr) {
            return run(QStringLiteral("nsenter"), QStringList{ns, QLatin1String(program)} + args,
                       output);
        };
        QTRY_VERIFY(there("ip", {QStringLiteral("link")})); // unshare has made it
        const auto words = [](const char* line) {
            return QString::fromLatin1(line).split(QLatin1Char(' '));
        };
        for (const char* command :
             {"link set lo up", "link add qr2 type veth peer name qr3",
              "addr add 10.255.1.1/24 broadcast 10.255.1.255 dev qr2", "link set qr2 up"})
            QVERIFY2(run(QStringLiteral("ip"), words(command)), command);
        QVERIFY(run(QStringLiteral("ip"), words("link set qr3 netns") +
                                              QStringList{QString::number(holder.processId())}));
        for (const char* command :
             {"link set lo up", "addr add 10.255.1.2/24 broadcast 10.255.1.255 dev qr3",
              "link set qr3 up"})
            QVERIFY2(there("ip", words(command)), command);

        ListenOptions options;
        options.setup.protocol = Protocol::ArtNet;
        options.setup.universe = 3;
        options.longName = QStringLiteral("the board on the veth");
        NetworkReceiver board(options); // 0.0.0.0:6454 of this namespace
        QCOMPARE(board.start(), QString());

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* plugin :
             {"dummy",      "e131",    "espnet",  "ftdidmx",   "gpio",
              "karate",     "kinet",   "milinst", "opendmx",   "osc",
              "pathport",   "renard",  "sandnet", "shownet",   "spi",
              "stageprofi", "uartdmx", "usbdmx",  "usbserial", "openpixelcontrol"}) {
            QFile f(dir.filePath(QStringLiteral("ola-%1.conf").arg(plugin)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("enabled = false\n") > 0);
        }
        QFile artnet(dir.filePath(QStringLiteral("ola-artnet.conf")));
        QVERIFY(artnet.open(QIODevice::WriteOnly));
        artnet.write("enabled = true\nip = 10.255.1.2\nnet = 0\nsubnet = 0\n"
                     "always_broadcast = false\nuse_limited_broadcast = false\n");
        artnet.close();
        QVERIFY(run(QStringLiteral("chmod"),
                    {QStringLiteral("-R"), QStringLiteral("a+rwX"), dir.path()}));
        QProcess olad;
        olad.start(QStringLiteral("nsenter"),
                   {ns, QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                    QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                    QStringLiteral("olad"), QStringLiteral("--config-dir"), dir.path(),
                    QStringLiteral("--no-http"), QStringLiteral("--no-register-with-dns-sd")});
        const auto stopOlad = qScopeGuard([&olad] {
            olad.terminate(); // by its process id
            if (!olad.waitForFinished(5000))
                olad.kill();
        });
        QString devices;
        QTRY_VERIFY_WITH_TIMEOUT(there("ola_dev_info", {}, &devices) &&
                                     devices.contains(QStringLiteral("ArtNet")),
                                 10000);
        const QRegularExpressionMatch device =
            QRegularExpression(QStringLiteral("^Device (\\d+): ArtNet"),
                               QRegularExpression::MultilineOption)
                .match(devices);
        QVERIFY2(device.hasMatch(), qPrintable(devices));
        // An output port of OLA on universe 3: it polls for the nodes that take 3.
        QVERIFY(
            there("ola_patch", {QStringLiteral("-d"), device.captured(1), QStringLiteral("-p"),
                                QStringLiteral("0"), QStringLiteral("-u"), QStringLiteral("3")}));
        QString nodes;
        QTRY_VERIFY2_WITH_TIMEOUT(there("ola_artnet",
                                        {QStringLiteral("-d"), device.captured(1),
                                         QStringLiteral("-u"), QStringLiteral("3")},
                                        &nodes) &&
                                      nodes.contains(QStringLiteral("10.255.1.1")),
                                  qPrintable(nodes), 10000);
    }

    // olad's E1.31 plugin sends to the universes' multicast groups, so this runs
    // in a network namespace of its own: loopback and a veth pair, nothing else.
    // It comes last: the test process stays in that namespace.
    void fromOlad() {
        for (const char* tool : {"olad", "ola_dev_info", "ola_patch", "ola_streaming_client", "ip"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("skipped: %1 is not installed").arg(QLatin1String(tool))));
        if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
            QSKIP("skipped: no network namespace of its own can be made here");
        for (const char* command : {"link set lo up", "link add qr0 type veth peer name qr1",
                                    "addr add 10.255.0.1/24 dev qr0", "link set qr1 up",
                                    "link set qr0 up", "route add 224.0.0.0/4 dev qr0"})
            if (!run(QStringLiteral("ip"), QString::fromLatin1(command).split(QLatin1Char(' '))))
                QSKIP(qPrintable(
                    QStringLiteral("skipped: ip %1 failed").arg(QLatin1String(command))));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* plugin : {"artnet", "dummy",      "espnet",  "ftdidmx", "gpio",
                                   "karate", "kinet",      "milinst", "opendmx", "openpixelcontrol",
                                   "osc",    "pathport",   "renard",  "sandnet", "shownet",
                                   "spi",    "stageprofi", "uartdmx", "usbdmx",  "usbserial"}) {
            QFile f(dir.filePath(QStringLiteral("ola-%1.conf").arg(plugin)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("enabled = false\n") > 0);
        }
        QFile e131(dir.filePath(QStringLiteral("ola-e131.conf")));
        QVERIFY(e131.open(QIODevice::WriteOnly));
        e131.write("enabled = true\nip = 10.255.0.1\ninput_ports = 0\noutput_ports = 2\n"
                   "revision = 0.46\nprepend_hostname = false\n");
        e131.close();
        QVERIFY(run(QStringLiteral("chmod"),
                    {QStringLiteral("-R"), QStringLiteral("a+rwX"), dir.path()}));
        QProcess olad;
        olad.start(QStringLiteral("setpriv"),
                   {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                    QStringLiteral("--clear-groups"), QStringLiteral("olad"),
                    QStringLiteral("--config-dir"), dir.path(), QStringLiteral("--no-http"),
                    QStringLiteral("--no-register-with-dns-sd")});
        const auto stopOlad = qScopeGuard([&olad] {
            olad.terminate(); // by its process id
            if (!olad.waitForFinished(5000))
                olad.kill();
        });
        QString devices;
        QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("ola_dev_info"), {}, &devices) &&
                                     devices.contains(QStringLiteral("E1.31")),
                                 10000);
        const QRegularExpressionMatch device =
            QRegularExpression(QStringLiteral("^Device (\\d+): E1.31"),
                               QRegularExpression::MultilineOption)
                .match(devices);
        QVERIFY2(device.hasMatch(), qPrintable(devices));
        for (int port : {0, 1})
            QVERIFY(run(QStringLiteral("ola_patch"),
                        {QStringLiteral("-d"), device.captured(1), QStringLiteral("-p"),
                         QString::number(port), QStringLiteral("-u"), QString::number(5 + port)}));

        ListenOptions options;
        options.setup.universe = 5;
        options.setup.mapping = unusualMapping();
        NetworkReceiver receiver(options); // 0.0.0.0:5568 of this namespace
        QCOMPARE(receiver.start(), QString());
        QCOMPARE(receiver.groups(), (std::vector<QHostAddress>{QHostAddress("239.255.0.5"),
                                                               QHostAddress("239.255.0.6")}));
        std::optional<PortIo::LevelFrame> last;
        connect(&receiver, &NetworkReceiver::frameReceived,
                [&last](const PortIo::LevelFrame& f) { last = f; });
        const PanelMapping::Rgb rgb = levelRgb(unusualMapping(), pattern(3));
        // ola_streaming_client quits without waiting for olad, which now and then
        // loses what it sent, and olad's E1.31 output repeats nothing: the frame
        // goes again until it arrives.
        const auto arrived = [&last] { return last == std::optional(pattern(3)); };
        for (int attempt = 0; attempt < 10 && !arrived(); ++attempt) {
            for (int part : {0, 1})
                QVERIFY(run(QStringLiteral("ola_streaming_client"),
                            {QStringLiteral("-u"), QString::number(5 + part), QStringLiteral("-d"),
                             values(rgb, part * 510, part == 0 ? 510 : 258)}));
            static_cast<void>(QTest::qWaitFor(arrived, 2000));
        }
        QCOMPARE(last, std::optional(pattern(3)));
        QTRY_VERIFY(receiver.statusLine().contains(QStringLiteral("from OLA")));
    }
};

QTEST_GUILESS_MAIN(TestNetworkReceive)
#include "test_network_receive.moc"
