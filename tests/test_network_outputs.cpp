// The network outputs without a lighting daemon: the panel mapping, the bytes of
// each protocol against its published layout, and what goes out when, caught by
// a receiver on the loopback address, and the faults it reports.
#include "network/NetworkPackets.h"
#include "network/NetworkPort.h"
#include "support/LoopbackPeers.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>
#include <set>

namespace {

PortIo::PackedFrame litAt(int row, int column) {
    PortIo::PackedFrame f{};
    f[std::size_t(row * 2 + column / 8)] = std::uint8_t(1 << (column % 8));
    return f;
}

NetworkTarget localTarget(NetworkTarget::Protocol protocol, std::uint16_t port) {
    return {protocol, QStringLiteral("127.0.0.1"), port, 1};
}

int big16(const QByteArray& d, int at) {
    return std::uint8_t(d[at]) << 8 | std::uint8_t(d[at + 1]);
}

} // namespace

Q_DECLARE_METATYPE(NetworkTarget::Protocol)

class TestNetworkOutputs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Where one lit LED of the picture lands on the strip, in red at 20 %.
    void mapping_data() {
        QTest::addColumn<QString>("map");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("index");
        QTest::newRow("rows from top-left") << "top-left,rows" << 0 << 1 << 1;
        QTest::newRow("serpentine second row runs back") << "top-left" << 1 << 0 << 31;
        QTest::newRow("straight second row") << "top-left,straight" << 1 << 0 << 16;
        QTest::newRow("columns") << "top-left,columns,straight" << 0 << 1 << 16;
        QTest::newRow("columns serpentine") << "columns" << 0 << 1 << 31;
        QTest::newRow("top-right") << "top-right,straight" << 0 << 0 << 15;
        QTest::newRow("bottom-left") << "bottom-left,straight" << 0 << 0 << 240;
        QTest::newRow("rotate-90") << "rotate-90,straight" << 0 << 0 << 15;
        QTest::newRow("rotate-180") << "rotate-180,straight" << 0 << 0 << 255;
        QTest::newRow("mirror") << "mirror,straight" << 0 << 1 << 14;
        QTest::newRow("mirror then turned") << "mirror,rotate-90,straight" << 0 << 0 << 255;
    }
    void mapping() {
        QFETCH(QString, map);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, index);
        const ParsedWiring parsed = parsePanelWiring(map);
        QVERIFY2(parsed.wiring, qPrintable(parsed.error));
        PanelMapping m;
        m.wiring = *parsed.wiring;
        QCOMPARE(m.ledIndex(row, column), index);
        const PanelMapping::Rgb rgb = m.rgb(litAt(row, column));
        QCOMPARE(std::count_if(rgb.begin(), rgb.end(), [](auto v) { return v != 0; }), 1);
        QCOMPARE(rgb[std::size_t(index * 3)], std::uint8_t(51));
    }

    // What is kept for an output comes back; what cannot be read gives the
    // default, a number out of range the nearest allowed.
    void storedSetup_data() {
        QTest::addColumn<QStringList>("kept"); // map, colour, brightness, max-fps, sync as stored
        QTest::addColumn<QString>("read");
        QTest::newRow("as kept")
            << QStringList{"bottom-right,columns,straight,rotate-180,mirror", "#102030", "55", "25",
                           "true"}
            << "bottom-right,columns,straight,rotate-180,mirror #102030 55 25 1";
        QTest::newRow("unreadable") << QStringList{"zigzag", "purple", "lots", "fast", "maybe"}
                                    << "top-left,rows,serpentine,rotate-0 #ff0000 20 40 0";
        QTest::newRow("out of range") << QStringList{"columns", "blue", "500", "0", "false"}
                                      << "top-left,columns,serpentine,rotate-0 #0000ff 100 1 0";
    }
    void storedSetup() {
        QFETCH(QStringList, kept);
        QFETCH(QString, read);
        QSettings settings;
        settings.beginGroup(QStringLiteral("panel/ddp:panel|x"));
        for (int i = 0; i < 5; ++i)
            settings.setValue(QStringList{"map", "colour", "brightness", "max-fps", "sync"}[i],
                              kept[i]);
        settings.sync();
        const PanelSetup s = storedPanelSetup(QStringLiteral("ddp:panel/x"));
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(panelWiringText(s.mapping.wiring), panelColourText(s.mapping.colour))
                     .arg(s.mapping.brightness)
                     .arg(s.maxFps)
                     .arg(int(s.syncUniverses)),
                 read);
    }

    // "host port universe [group]" as read, or a piece of the error.
    void target_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("read");
        QTest::newRow("ddp") << "ddp:panel.local"
                             << "panel.local 4048 0";
        QTest::newRow("ddp port") << "ddp:10.0.0.5:5000"
                                  << "10.0.0.5 5000 0";
        QTest::newRow("ddp bad port") << "ddp:h:70000"
                                      << "65535";
        QTest::newRow("e131") << "e131:10.0.0.5"
                              << "10.0.0.5 5568 1";
        QTest::newRow("e131 multicast") << "e131:multicast,7"
                                        << "multicast 5568 7 239.255.0.7 239.255.0.8";
        QTest::newRow("e131 group high byte") << "e131:multicast,255"
                                              << "multicast 5568 255 239.255.0.255 239.255.1.0";
        QTest::newRow("e131 last") << "e131:multicast,63998"
                                   << "multicast 5568 63998 239.255.249.254 239.255.249.255";
        QTest::newRow("e131 universe 0") << "e131:h,0"
                                         << "from 1 to 63998";
        QTest::newRow("artnet") << "artnet:h"
                                << "h 6454 0";
        QTest::newRow("artnet last") << "artnet:h,32767"
                                     << "0 to 32766";
        QTest::newRow("no host") << "artnet:,2"
                                 << "names no host";
        QTest::newRow("not a host") << "ddp:my panel"
                                    << "\"my panel\" is not a host name";
        const QString label63(63, QLatin1Char('a'));
        const QString name253 = QStringList{label63, label63, label63, QString(61, 'b')}.join('.');
        QTest::newRow("253 characters") << "ddp:" + name253 << name253 + " 4048 0";
        QTest::newRow("254 characters") << "ddp:" + name253 + "b"
                                        << "at most 253 characters, this one 254";
        QTest::newRow("300 in one part") << "ddp:" + QString(300, 'a') << "at most 253 characters";
        QTest::newRow("64 in one part") << "artnet:" + label63 + "a.local"
                                        << "at most 63 characters";
        QTest::newRow("part starts with -") << "ddp:panel.-x"
                                            << "cannot start or end with";
        QTest::newRow("not an address") << "ddp:300.1.1.1"
                                        << "not an IPv4 address either";
        QTest::newRow("0") << "ddp:0"
                           << "the unspecified address (0.0.0.0)";
        QTest::newRow("0.0.0.0") << "e131:0.0.0.0,3"
                                 << "the unspecified address";
        QTest::newRow("this network") << "ddp:0.1.2.3:9"
                                      << "0.0.0.0/8";
        QTest::newRow("broadcast") << "artnet:255.255.255.255,1"
                                   << "the broadcast address";
        QTest::newRow("a group typed") << "e131:239.255.0.1"
                                       << "a multicast group";
        QTest::newRow("localhost") << "ddp:127.0.0.1"
                                   << "127.0.0.1 4048 0";
    }
    void target() {
        QFETCH(QString, argument);
        QFETCH(QString, read);
        const ParsedTarget parsed = parseNetworkTarget(argument);
        QString got = parsed.error;
        if (const auto& t = parsed.target) {
            got = QStringLiteral("%1 %2 %3").arg(t->host).arg(t->port).arg(t->universe);
            for (int part : {0, 1}) {
                if (t->multicast)
                    got += QLatin1Char(' ') + destination(*t, {}, part).toString();
            }
        }
        QVERIFY2(parsed.target ? got == read : got.contains(read), qPrintable(got));
    }

    // The DDP header as published by 3waylabs, the strip's bytes after it, and
    // the sequence running 1 ... 15 and round again.
    void ddpOnTheWire() {
        Receiver panel;
        NetworkPort port(localTarget(NetworkTarget::Protocol::Ddp, panel.socket.localPort()), {},
                         {}, {1000, 5000, 5000});
        QList<QByteArray> got = panel.take(1); // dark at the start
        for (int i = 1; i <= 16; ++i) {
            port.showFrame(litAt(0, (i + 1) % 2));
            got += panel.take(1);
        }
        QCOMPARE(got.size(), 17);
        const QByteArray& last = got.last();
        QCOMPARE(last.size(), 10 + 768);
        QCOMPARE(last.left(10), QByteArray::fromHex("41020b01000000000300")); // the 17th: 2
        QCOMPARE(std::uint8_t(got[15][1]), std::uint8_t(1));
        QCOMPARE(last.mid(10, 4), QByteArray::fromHex("00000033")); // LED 1 lit, red
    }

    // One LED at a grey level: its channels are the colour at the brightness
    // times level / 15, level 15 exactly the bytes of the on/off frame.
    void levelsOnTheWire_data() {
        QTest::addColumn<QString>("colour");
        QTest::addColumn<int>("brightness");
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("rgb");
        QTest::newRow("red 20 %, full level") << "red" << 20 << 15 << QByteArray("330000");
        QTest::newRow("red 20 %, level 8") << "red" << 20 << 8 << QByteArray("1b0000");
        QTest::newRow("white 100 %, level 1") << "white" << 100 << 1 << QByteArray("111111");
        QTest::newRow("white 100 %, level 0") << "white" << 100 << 0 << QByteArray("000000");
        QTest::newRow("orange 50 %, level 7") << "orange" << 50 << 7 << QByteArray("3c1e00");
        QTest::newRow("odd colour 55 %, full level")
            << "#102030" << 55 << 15 << QByteArray("09121a");
        QTest::newRow("above the top level") << "red" << 20 << 200 << QByteArray("330000");
    }
    void levelsOnTheWire() {
        QFETCH(QString, colour);
        QFETCH(int, brightness);
        QFETCH(int, level);
        QFETCH(QByteArray, rgb);
        PanelMapping mapping;
        mapping.colour = *parsePanelColour(colour);
        mapping.brightness = brightness;
        Receiver panel;
        NetworkPort port(localTarget(NetworkTarget::Protocol::Ddp, panel.socket.localPort()),
                         mapping, {}, {1000, 5000, 5000});
        panel.take(1); // dark at the start
        PortIo::LevelFrame levels{};
        levels[1] = std::uint8_t(level); // row 0, column 1: LED 1 of the strip
        port.showLevels(levels);
        const QList<QByteArray> got = panel.take(1);
        QCOMPARE(got.size(), 1);
        const QByteArray strip = got[0].mid(10);
        QCOMPARE(strip.mid(3, 3).toHex(), rgb);
        QCOMPARE(strip.count('\0') - strip.mid(3, 3).count('\0'), 765); // the rest dark
        if (level >= 15) {
            const PanelMapping::Rgb onOff = mapping.rgb(litAt(0, 1));
            QCOMPARE(strip, QByteArray(reinterpret_cast<const char*>(onOff.data()), 768));
        }
    }

    // Field by field as ANSI E1.31-2018 lays out the data packet.
    void e131Layout() {
        for (const int count : {510, 258}) {
            NetworkPackets::E131Source source{QUuid::createUuid(), QStringLiteral("quentaro"), 100};
            const QByteArray p =
                NetworkPackets::e131(source, 0x1234, 9, 0x40, QByteArray(count, char(7)));
            QCOMPARE(p.size(), 126 + count);
            const auto flagsAndLength = [&p](int from) {
                return QByteArray::number(0x7000 | (p.size() - from), 16);
            };
            const QByteArray expected =
                "00100000" + QByteArray("ASC-E1.17\0\0\0", 12).toHex() + flagsAndLength(16) +
                "00000004" + source.cid.toRfc4122().toHex() + flagsAndLength(38) + "00000002" +
                QByteArray("quentaro").leftJustified(64, '\0').toHex() + "640000" + "0940" +
                "1234" + flagsAndLength(115) + "02a100000001" +
                QByteArray::number(0x10000 | (count + 1), 16).mid(1) + "0007";
            QCOMPARE(p.left(127).toHex(), expected);
        }
    }

    void artNetLayout() {
        const QByteArray p = NetworkPackets::artDmx(0x0123, 5, QByteArray(3, char(9)));
        QCOMPARE(p.toHex(), QByteArray("4172742d4e6574000050000e05002301000409090900"));
        // Three ports, the last one input only: two universes on Net 1, Sub-Net 2.
        const QByteArray reply =
            artPollReply(QByteArray::fromHex("0a000207"), "panel", 1, 2,
                         QByteArray::fromHex("808040"), QByteArray::fromHex("030405"));
        const std::optional<NetworkPackets::ArtNode> node = NetworkPackets::artPollReply(reply);
        QVERIFY(node);
        QCOMPARE(node->address + node->shortName + node->longName,
                 QStringLiteral("10.0.2.7panelLED panel"));
        QCOMPARE(node->universes, (std::vector<int>{0x123, 0x124}));
        QVERIFY(!NetworkPackets::artPollReply(NetworkPackets::artPoll()));
    }

    // Twenty changes within a quarter of a second go out at the cap at most;
    // a still picture is sent again within the keep-alive.
    void rateCapAndKeepAlive_data() {
        QTest::addColumn<int>("cap");
        QTest::newRow("40 frames/s, the default") << 40;
        QTest::newRow("12 frames/s") << 12;
    }
    void rateCapAndKeepAlive() {
        QFETCH(int, cap);
        Receiver panel;
        NetworkPort port(localTarget(NetworkTarget::Protocol::Ddp, panel.socket.localPort()), {},
                         {}, {cap, 300, 5000});
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 20; ++i) {
            port.showFrame(litAt(i % 16, i % 16));
            QTest::qWait(12);
        }
        const qint64 spent = clock.elapsed();
        // The frame held back, too: it goes out up to a frame's time after the last one
        // (less than the keep-alive's 300 ms).
        const QList<QByteArray> burst = panel.take(1000, 1000 / cap + 100);
        QVERIFY2(burst.size() <= spent / (1000 / cap) + 2,
                 qPrintable(QString::number(burst.size())));
        QVERIFY(burst.size() >= 3);
        QCOMPARE(
            burst.last().mid(10),
            QByteArray(reinterpret_cast<const char*>(PanelMapping().rgb(litAt(3, 3)).data()), 768));
        QSignalSpy sent(&port, &NetworkPort::sent);
        QVERIFY(sent.wait(450));
    }

    // With synchronisation a frame is its two universes and then, on E1.31, a
    // universe synchronisation packet (ANSI E1.31-2018 6.3) for the universe
    // after the panel's two, named in both data packets; on Art-Net an ArtSync.
    // Without it the frame is the two data packets alone, sync address 0.
    void syncOnTheWire_data() {
        QTest::addColumn<NetworkTarget::Protocol>("protocol");
        QTest::addColumn<int>("universe");
        QTest::addColumn<bool>("sync");
        QTest::addColumn<int>("syncAddress"); // E1.31, in the data packets
        QTest::addColumn<QByteArray>("last"); // after the CID on E1.31
        const auto e = NetworkTarget::Protocol::E131;
        const auto a = NetworkTarget::Protocol::ArtNet;
        QTest::newRow("E1.31") << e << 1 << true << 3
                               << QByteArray("700b00000001020003"
                                             "0000");
        QTest::newRow("E1.31 at the top")
            << e << 63998 << true << 63997 << QByteArray("700b0000000102f9fd0000");
        QTest::newRow("E1.31 without") << e << 1 << false << 0 << QByteArray();
        QTest::newRow("Art-Net") << a << 1 << true << 0
                                 << QByteArray("4172742d4e6574000052000e0000");
        QTest::newRow("Art-Net without") << a << 1 << false << 0 << QByteArray();
    }
    void syncOnTheWire() {
        QFETCH(NetworkTarget::Protocol, protocol);
        QFETCH(int, universe);
        QFETCH(bool, sync);
        QFETCH(int, syncAddress);
        QFETCH(QByteArray, last);
        Receiver panel;
        NetworkTarget target = localTarget(protocol, panel.socket.localPort());
        target.universe = universe;
        NetworkPort port(target, {}, {}, {1000, 5000, 5000});
        port.setSetup({{}, 1000, sync});
        const int perFrame = sync ? 3 : 2;
        QCOMPARE(panel.take(perFrame, 300).size(), perFrame); // dark at the start
        port.showFrame(litAt(0, 0));
        const QList<QByteArray> got = panel.take(perFrame + 1, 300);
        QCOMPARE(got.size(), perFrame);
        if (protocol == NetworkTarget::Protocol::E131) {
            QCOMPARE(big16(got[0], 109), syncAddress);
            QCOMPARE(big16(got[1], 109), syncAddress);
        }
        if (!sync)
            return;
        if (protocol == NetworkTarget::Protocol::ArtNet) {
            QCOMPARE(got[2].toHex(), last);
            return;
        }
        const QByteArray cid = got[0].mid(22, 16);
        QCOMPARE(got[2].toHex(), "00100000" + QByteArray("ASC-E1.17\0\0\0", 12).toHex() +
                                     "702100000008" + cid.toHex() + last);
    }

    // The end: the dark frame, then "stream terminated" three times a universe.
    void e131Goodbye() {
        Receiver panel;
        {
            NetworkPort port(localTarget(NetworkTarget::Protocol::E131, panel.socket.localPort()),
                             {}, {});
            panel.take(2);
            port.showFrame(litAt(0, 0));
            QCOMPARE(panel.take(2).size(), 2);
        }
        const QList<QByteArray> got = panel.take(8);
        QCOMPARE(got.size(), 8);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(big16(got[i], 113), 1 + i % 2);
            QCOMPARE(std::uint8_t(got[i][112]), std::uint8_t(i < 2 ? 0 : 0x40));
            QCOMPARE(got[i].mid(126).count('\0'), got[i].size() - 126);
        }
    }

    // No turn or mirror of the test picture looks like another.
    void testPictureTellsEveryTurnAndMirror() {
        std::set<PanelMapping::Rgb> seen;
        PanelMapping m;
        for (int rotation : {0, 90, 180, 270}) {
            for (bool mirror : {false, true}) {
                m.wiring.rotation = rotation;
                m.wiring.mirror = mirror;
                seen.insert(m.rgb(panelTestPicture()));
            }
        }
        QCOMPARE(seen.size(), std::size_t(8));
    }

    // Nothing listens on the port: one line while the output goes on sending,
    // and "sending again" once a panel listens there.
    void refusedPortIsOneLineAndRecovers() {
        quint16 closed = 0;
        {
            Receiver probe;
            closed = probe.socket.localPort();
        }
        QStringList lines;
        NetworkPort port(localTarget(NetworkTarget::Protocol::Ddp, closed), {},
                         [&lines](const QString& l) { lines << l; }, {40, 40, 5000, 300});
        for (int i = 0; i < 8; ++i) {
            port.showFrame(litAt(i, i));
            QTest::qWait(30);
        }
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(QStringLiteral(":%1: refused").arg(closed)),
                 qPrintable(lines[0]));
        Receiver panel(closed);
        QVERIFY(panel.bound);
        QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 2, 3000);
        QVERIFY2(lines[1].endsWith(QStringLiteral("sending again")), qPrintable(lines[1]));
        QVERIFY(!panel.take(1).isEmpty());
    }

    void unknownHostIsOneLine() {
        QStringList lines;
        NetworkTarget t = localTarget(NetworkTarget::Protocol::ArtNet, 6454);
        t.host = QStringLiteral("no-such-panel.invalid");
        QElapsedTimer clock;
        clock.start();
        NetworkPort port(t, {}, [&lines](const QString& l) { lines << l; }, {40, 800, 200});
        QVERIFY(clock.elapsed() < 100); // the lookup does not hold the caller
        port.showFrame(litAt(1, 1));
        QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 1, 3000);
        QTest::qWait(500); // tried again twice: still one line
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(QStringLiteral("cannot find no-such-panel.invalid")),
                 qPrintable(lines[0]));
        QVERIFY(!port.resolved());
    }
};

QTEST_GUILESS_MAIN(TestNetworkOutputs)
#include "test_network_outputs.moc"
