// The network menu of the window, against peers on 127.0.0.1: the Art-Net node
// found and chosen in the panel dialog, a flood of replies, the panel switched
// while the editor runs and "LPT on" offered, and the mapping dialog's changes
// and test picture on the wire. Outside text, <img src=...> here, is shown as
// it is: not rendered, and no file it names is read.
#include "Outputs.h"
#include "cli/CommandLine.h"
#include "network/NetworkPackets.h"
#include "network/NetworkPort.h"
#include "port/MatrixOutput.h"
#include "port/RefreshEngine.h"
#include "port/SwitchablePort.h"
#include "support/FakeServices.h"
#include "support/LoopbackPeers.h"
#include "ui/Form1.h"
#include "ui/MatrixWindow.h"
#include "ui/SidePanel.h"
#include "ui/network/NetworkMenu.h"
#include "ui/network/NetworkPanelDialog.h"
#include "ui/network/PanelMappingDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QtEndian>
#include <QtTest>
#include <atomic>
#include <future>
#include <map>
#include <thread>

namespace {

constexpr int ListedAtMost = 500; // nodes
const QString Markup = QStringLiteral("<img src='/nonexistent/quentaro.png'>");

PortIo::PackedFrame litAt(int row, int column) {
    PortIo::PackedFrame f{};
    f[std::size_t(row * 2 + column / 8)] = std::uint8_t(1 << (column % 8));
    return f;
}

// The DDP datagram a panel gets for a frame with this mapping.
QByteArray ddpBytes(const PanelMapping& m, const PortIo::PackedFrame& frame) {
    const PanelMapping::Rgb rgb = m.rgb(frame);
    return QByteArray(reinterpret_cast<const char*>(rgb.data()), qsizetype(rgb.size()));
}

// Runs `act` on the modal dialog of type T once it is open.
template <typename T> void whenOpen(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(*dialog);
    });
}

// Runs `act` on the modal dialog of type T once it is shown, looking for a
// second at most.
template <typename T> void whenShown(std::function<void(T&)> act, int triesLeft = 100) {
    QTimer::singleShot(10, [act, triesLeft] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(*dialog);
        else if (triesLeft > 0)
            whenShown<T>(act, triesLeft - 1);
    });
}

// What Qt shows of a text: one it takes for rich text is rendered.
QString shown(const QString& text, Qt::TextFormat format = Qt::AutoText) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// Answers the poll with replies of ever new nodes (10.x.y.z) as fast as it
// can, for `forMs` at most, on a thread of its own: only the window's thread
// has to keep up.
void flood(std::stop_token stop, std::promise<quint16> port, std::atomic<int>& sent, int forMs) {
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    port.set_value(socket.localPort());
    if (!socket.waitForReadyRead(3000))
        return;
    const QNetworkDatagram poll = socket.receiveDatagram();
    QByteArray reply = artPollReply(QByteArray(4, '\0'), "flood", 0, 1, "\x80", "\x05");
    QElapsedTimer clock;
    clock.start();
    for (quint32 i = 1; !stop.stop_requested() && clock.elapsed() < forMs; ++i) {
        qToBigEndian(0x0A000000u | i, reply.data() + 10);
        socket.writeDatagram(reply, poll.senderAddress(), quint16(poll.senderPort()));
        sent = int(i);
    }
}

// The USB bridge as the editor sees it: it keeps the board lit, takes grey
// levels and dims the board itself.
class BridgeStandIn final : public PortIo {
public:
    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
    bool refreshesItself() const override { return true; }
    bool takesLevels() const override { return true; }
    void showLevels(const LevelFrame& shown) override { levels = shown; }
    void setBrightness(int percent) override { brightness = percent; }
    LevelFrame levels{};
    int brightness = 0;
};

// Every kind of output opened as the program opens it, but a network panel on
// 127.0.0.1 and the USB bridge a stand-in; each tells the levels it shows of
// LEDs 0, 1 and 2 and how bright, in percent.
class OutputBench {
public:
    OpenedOutput open(const QString& argument, const PanelSetup& setup) {
        if (argument == QStringLiteral("sim")) {
            return {std::make_unique<MatrixWindow>(), {}};
        }
        std::optional<NetworkTarget> target = parseNetworkTarget(argument).target;
        if (!target) {
            auto bridge = std::make_unique<BridgeStandIn>();
            bridges_[argument] = bridge.get();
            return {std::move(bridge), {}};
        }
        auto& panel = panels_[argument] = std::make_unique<Receiver>();
        target->host = QStringLiteral("127.0.0.1");
        target->port = panel->socket.localPort();
        return {NetworkPort::open(*target, setup, {}), {}};
    }
    QList<int> seen(const QString& argument) {
        if (BridgeStandIn* bridge = bridges_[argument])
            return {bridge->levels[0], bridge->levels[1], bridge->levels[2], bridge->brightness};
        const QList<QByteArray> got = panels_.at(argument)->take(1000, 300);
        const auto protocol = parseNetworkTarget(argument).target->protocol;
        const int perFrame = protocol == NetworkTarget::Protocol::Ddp ? 1 : 2;
        const int header = protocol == NetworkTarget::Protocol::Ddp    ? 10
                           : protocol == NetworkTarget::Protocol::E131 ? 126
                                                                       : 18;
        const QByteArray last = got.value(got.size() - perFrame).mid(header);
        const auto red = [&last](int led) { return double(std::uint8_t(last.at(3 * led))); };
        // The default colour is red; level 15 is the red of the panel's brightness.
        return {15, qRound(red(1) * 15 / red(0)), qRound(red(2) * 15 / red(0)),
                qRound(red(0) * 100 / 255)};
    }

private:
    std::map<QString, BridgeStandIn*> bridges_;
    std::map<QString, std::unique_ptr<Receiver>> panels_;
};

} // namespace

class TestNetworkEditor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    // Two replies of one node: listed once with all its output universes;
    // choosing it gives Art-Net to its address from its first universe. A node
    // that gives no address is listed by where it answered from; with port
    // 6454 (here another) held by a program alone, answers to the sending port
    // are still heard and the search says what it missed. A node at an address
    // no panel can have is not listed; one on the last universe fills it in,
    // and the check says why a panel cannot start there.
    void panelDialogListsTheNodes_data() {
        QTest::addColumn<QByteArray>("firstIp"); // of the first reply
        QTest::addColumn<QByteArray>("ip");
        QTest::addColumn<QList<int>>("universes"); // of the two replies
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("problem");
        const QByteArray ip = QByteArray::fromHex("0a000207");
        const QByteArray none(4, '\0');
        QTest::newRow("two replies")
            << ip << ip << QList{21, 20} << false << "panel|10.0.2.7|20, 21|20|artnet:10.0.2.7,20"
            << "";
        QTest::newRow("no address, port taken") << none << none << QList{21, 20} << true
                                                << "panel|127.0.0.1|20, 21|20|artnet:127.0.0.1,20"
                                                << "is taken";
        QTest::newRow("broadcast address") << QByteArray::fromHex("ffffffff") << ip << QList{21, 20}
                                           << false << "panel|10.0.2.7|20|20|artnet:10.0.2.7,20"
                                           << "";
        QTest::newRow("multicast address") << QByteArray::fromHex("effffe01") << ip << QList{21, 20}
                                           << false << "panel|10.0.2.7|20|20|artnet:10.0.2.7,20"
                                           << "";
        QTest::newRow("the last two universes")
            << ip << ip << QList{32767, 32766} << false
            << "panel|10.0.2.7|32766, 32767|32766|artnet:10.0.2.7,32766"
            << "";
        QTest::newRow("only the last universe")
            << ip << ip << QList{32767, 32767} << false << "panel|10.0.2.7|32767|32767|"
            << "";
    }
    void panelDialogListsTheNodes() {
        QFETCH(QByteArray, firstIp);
        QFETCH(QByteArray, ip);
        QFETCH(QList<int>, universes);
        QFETCH(bool, portTaken);
        QFETCH(QString, listed);
        QFETCH(QString, problem);
        // A long name with markup and a right-to-left override.
        const QByteArray LongName = (Markup + QChar(0x202E)).toUtf8();
        FakeArtNetNode node;
        for (int i : {0, 1}) {
            const int u = universes[i];
            node.replies << artPollReply(i == 0 ? firstIp : ip, "panel", u >> 8, u >> 4 & 0xF,
                                         "\x80", QByteArray(1, char(u & 0xF)))
                                .replace(44, LongName.size(), LongName);
        }
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress));
        ArtPollOptions poll{{QHostAddress::LocalHost},
                            node.socket.localPort(),
                            QHostAddress::LocalHost,
                            quint16(portTaken ? holder.localPort() : 0),
                            300};
        NetworkPanelDialog dialog(QStringLiteral("/dev/parport0"), poll, true, nullptr);
        QSignalSpy finished(&dialog.discovery(), &ArtNetDiscovery::finished);
        QVERIFY(finished.wait(3000));
        const QString said = finished.first().first().toString();
        QVERIFY2(problem.isEmpty() ? said.isEmpty() : said.contains(problem), qPrintable(said));
        QTreeWidget* list = dialog.nodeList();
        QCOMPARE(list->topLevelItemCount(), 1);
        QTreeWidgetItem* item = list->topLevelItem(0);
        list->setCurrentItem(item);
        const QString universe = QString::number(dialog.findChild<QSpinBox*>()->value());
        QCOMPARE(
            QStringList({item->text(0), item->text(1), item->text(2), universe, dialog.argument()})
                .join(QLatin1Char('|')),
            listed);
        QCOMPARE(shown(item->toolTip(0)), Markup + QChar(0xFFFD)); // not rendered, not reordered
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QVERIFY(!dialog.argument().isEmpty() ||
                std::any_of(labels.begin(), labels.end(),
                            [](QLabel* l) { return l->text().contains("from 0 to 32766"); }));
    }

    // Replies of ever new nodes, faster than they can be read: the search ends
    // on time, the window's timers keep running, the list grows without being
    // made anew and stops at its cap, and the line under it says so.
    void replyFloodEndsOnTime() {
        const int collectMs = 800;
        std::atomic<int> sent = 0;
        std::promise<quint16> port;
        std::future<quint16> known = port.get_future();
        const std::jthread flooder(flood, std::move(port), std::ref(sent), collectMs + 4000);
        NetworkPanelDialog dialog(
            QStringLiteral("/dev/parport0"),
            {{QHostAddress::LocalHost}, known.get(), QHostAddress::LocalHost, 0, collectMs}, true,
            nullptr);
        QSignalSpy finished(&dialog.discovery(), &ArtNetDiscovery::finished);
        QSignalSpy remade(dialog.nodeList()->model(), &QAbstractItemModel::modelReset);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(finished.wait(collectMs + 10000));
        const qint64 took = clock.elapsed();
        QVERIFY2(took < collectMs + 1500, qPrintable(QString::number(took)));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QVERIFY2(sent > 2 * ListedAtMost, qPrintable(QString::number(sent)));
        QCOMPARE(dialog.nodeList()->topLevelItemCount(), ListedAtMost);
        QCOMPARE(remade.size(), 0);
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
            return l->text().contains("Only the first 500 are listed");
        }));
    }

    // After "Use" the panel is dark until "LPT on": the editor says so and
    // presses it when asked, and "LPT on" then runs as if pressed by hand.
    void useOffersLptOn() {
        Receiver panel;
        RecordingPort port;
        FakeDialog files;
        FakeClock clock;
        FakeInstanceCheck instance;
        Form1 form({port, files, clock, instance, [] {}});
        SwitchablePort output(std::make_unique<NullPort>());
        NetworkMenu network(&form, form.sharingMenu(), &output, QStringLiteral("/dev/parport0"),
                            {});
        network.setPollOptions({{QHostAddress::LocalHost}, 9, QHostAddress::LocalHost, 0, 10});
        bool onWhileRunning = false;
        port.setAfterWrite([&](std::size_t n) {
            if (n != 50)
                return;
            onWhileRunning = form.editor().outputModes().lptOn();
            form.button(Control::LptButton)->click();
        });
        QString offered;
        const quint16 to = panel.socket.localPort();
        whenShown<NetworkPanelDialog>([&offered, to](NetworkPanelDialog& d) {
            d.findChild<QComboBox*>()->setCurrentIndex(2); // DDP
            d.findChild<QLineEdit*>()->setText(QStringLiteral("127.0.0.1"));
            d.findChild<QSpinBox*>()->setValue(to);
            d.accept();
            whenShown<QMessageBox>([&offered](QMessageBox& box) {
                offered = box.text();
                for (QAbstractButton* b : box.buttons()) {
                    if (b->text() == QStringLiteral("LPT on"))
                        b->click();
                }
            });
        });
        network.choosePanel();
        QCOMPARE(network.portArgument(), QStringLiteral("ddp:127.0.0.1:%1").arg(to));
        QVERIFY2(offered.contains(QStringLiteral("until \"LPT on\" (P) is pressed")),
                 qPrintable(offered));
        QTRY_VERIFY(onWhileRunning);
        QVERIFY(!form.editor().outputModes().lptOn());
    }

    // Each kind of output the editor drives, alone and two together: a grey
    // frame goes out in its levels and each board at its own brightness, the
    // side panel's box naming the first board and the others following it
    // from theirs, and each kept for its output. A network panel is lit at its
    // mapping's brightness.
    void everyOutputTakesLevelsAndBrightness_data() {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QList<int>>("kept"); // each port's brightness as last set, 0 none
        QTest::addColumn<int>("given");       // --brightness, 0 none
        QTest::addColumn<int>("box");         // the side panel's brightness set then, 0 none
        QTest::addColumn<QList<int>>("seen"); // each port's LEDs 0, 1, 2 and brightness
        QTest::newRow("on-screen matrix")
            << QStringList{"sim"} << QList{0} << 0 << 40 << QList{15, 8, 3, 40};
        QTest::newRow("USB bridge")
            << QStringList{"bridge:/dev/a"} << QList{70} << 0 << 45 << QList{15, 8, 3, 45};
        QTest::newRow("DDP") << QStringList{"ddp:panel"} << QList{0} << 40 << 0
                             << QList{15, 8, 3, 40};
        QTest::newRow("E1.31") << QStringList{"e131:panel,1"} << QList{0} << 60 << 0
                               << QList{15, 8, 3, 60};
        QTest::newRow("Art-Net") << QStringList{"artnet:panel,0"} << QList{0} << 0 << 0
                                 << QList{15, 8, 3, 20};
        QTest::newRow("two bridges, each its own")
            << QStringList{"bridge:/dev/a", "bridge:/dev/b"} << QList{70, 30} << 0 << 0
            << QList{15, 8, 3, 70, 15, 8, 3, 30};
        QTest::newRow("two bridges, the box halves both")
            << QStringList{"bridge:/dev/a", "bridge:/dev/b"} << QList{70, 30} << 0 << 35
            << QList{15, 8, 3, 35, 15, 8, 3, 15};
        QTest::newRow("a panel and a bridge")
            << QStringList{"ddp:panel", "bridge:/dev/a"} << QList{0, 80} << 0 << 50
            << QList{15, 8, 3, 20, 15, 8, 3, 50};
    }
    void everyOutputTakesLevelsAndBrightness() {
        QFETCH(QStringList, ports);
        QFETCH(QList<int>, kept);
        QFETCH(int, given);
        QFETCH(int, box);
        QFETCH(QList<int>, seen);
        QSettings().clear();
        QStringList arguments{"quentaro", "--no-realtime"};
        for (qsizetype i = 0; i < ports.size(); ++i) {
            arguments << "--port" << ports[i];
            if (kept[i] > 0)
                storeBrightness(ports[i], kept[i]);
        }
        if (given > 0)
            arguments << "--brightness" << QString::number(given);
        const CommandLine line = parseCommandLine(arguments);
        QVERIFY2(line.ok(), qPrintable(line.error));
        OutputBench bench;
        EditorOutput output =
            openEditorOutput(line, {}, [&bench](const QString& argument, const PanelSetup& setup) {
                return bench.open(argument, setup);
            });
        FakeDialog files;
        FakeClock clock;
        FakeInstanceCheck instance;
        Form1 form({output.io(), files, clock, instance, [] {}, output.matrix()});
        offerBrightness(form, output, line);
        if (box > 0)
            form.sidePanel()->brightnessBox()->setValue(box);
        MatrixOutput::LevelFrame grey{15, 8, 3};
        output.matrix()->showLevels(grey);
        output.matrix()->refresh(true, [] {});
        for (qsizetype i = 0; i < ports.size(); ++i) {
            const QList<int> expected = seen.mid(4 * i, 4);
            if (ports[i] != "sim")
                QCOMPARE(bench.seen(ports[i]), expected);
            else // its light depends on the machine's load; its brightness is the engine's
                QCOMPARE(dynamic_cast<RefreshEngine&>(*output.matrix()).brightness(), expected[3]);
            if (!ports[i].contains(':') || ports[i].startsWith("bridge:"))
                QCOMPARE(storedBrightness(ports[i]), expected[3]);
        }
        output.matrix()->close();
    }

    // The dialog starts from the panel the editor sends to; any other output's
    // name is no host and leaves the host empty, the hint naming none.
    void dialogStartsFromThePanelOnly_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("host");
        QTest::newRow("on-screen matrix") << "sim" << QString();
        QTest::newRow("USB bridge") << "bridge:ttyACM0" << QString();
        QTest::newRow("parallel port") << "/dev/parport0" << QString();
        QTest::newRow("Art-Net panel") << "artnet:10.0.0.7,3" << QString("10.0.0.7");
        QTest::newRow("DDP panel") << "ddp:wled.local:4049" << QString("wled.local");
    }
    void dialogStartsFromThePanelOnly() {
        QFETCH(QString, current);
        QFETCH(QString, host);
        NetworkPanelDialog dialog(
            current, {{QHostAddress::LocalHost}, 9, QHostAddress::LocalHost, 0, 10}, true, nullptr);
        QCOMPARE(dialog.findChild<QLineEdit*>()->text(), host);
        QCOMPARE(dialog.argument().isEmpty(), host.isEmpty());
        const QString name = current.mid(current.indexOf(':') + 1).section(',', 0, 0);
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            QVERIFY2(host.isEmpty() ? !label->text().contains(name)
                                    : !label->text().contains("Type the panel's host"),
                     qPrintable(label->text()));
    }

    // An address typed in: the --port value for each protocol, or why not.
    void typedAddress_data() {
        QTest::addColumn<int>("protocol"); // as listed: Art-Net, E1.31, DDP
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("art-net") << 0 << "10.0.0.7" << 3 << "artnet:10.0.0.7,3";
        QTest::newRow("e1.31 multicast") << 1 << "multicast" << 7 << "e131:multicast,7";
        QTest::newRow("ddp port") << 2 << " wled.local " << 4049 << "ddp:wled.local:4049";
        QTest::newRow("blank in the name") << 2 << "my panel" << 4048 << "is not a host name";
        QTest::newRow("nothing") << 0 << "" << 0 << "Type the panel's host";
        QTest::newRow("markup, shown as typed") << 2 << Markup << 4048 << Markup;
    }
    void typedAddress() {
        QFETCH(int, protocol);
        QFETCH(QString, host);
        QFETCH(int, number);
        QFETCH(QString, expected);
        NetworkPanelDialog dialog(QStringLiteral("/dev/parport0"),
                                  {{QHostAddress::LocalHost}, 9, QHostAddress::LocalHost, 0, 10},
                                  true, nullptr);
        dialog.findChild<QComboBox*>()->setCurrentIndex(protocol);
        dialog.findChild<QLineEdit*>()->setText(host);
        dialog.findChild<QSpinBox*>()->setValue(number);
        const bool valid = expected.contains(QLatin1Char(':'));
        QCOMPARE(dialog.argument(), valid ? expected : QString());
        QCOMPARE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled(),
                 valid);
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) {
            return shown(l->text(), l->textFormat()).contains(expected);
        }));
    }

    // The editor's frame moves to the panel chosen, mapped as kept for it; the
    // mapping dialog shows each change and the test picture at once, and OK
    // keeps the change for that panel while Cancel puts back what was, before
    // the editor's frame, which waited meanwhile, goes out again.
    void panelSwitchedAndMappedWhileRunning() {
        Receiver panel;
        const QString argument = QStringLiteral("ddp:127.0.0.1:%1").arg(panel.socket.localPort());
        PanelSetup kept;
        kept.mapping.brightness = 100;
        storePanelSetup(argument, kept);
        SwitchablePort port(std::make_unique<NullPort>());
        QWidget window;
        QMenu menu;
        NetworkMenu network(&window, &menu, &port, QStringLiteral("/dev/parport0"), {});
        PortIo::PackedFrame shown = litAt(0, 1);
        port.showFrame(shown);
        QSignalSpy named(&network, &NetworkMenu::outputChanged);
        QVERIFY(network.use(argument));
        QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(kept.mapping, shown));
        QCOMPARE(named.value(0).value(0).toString(), argument); // the side panel's output line

        // The editor's frames wait while the test picture is on the panel.
        for (const bool accept : {false, true}) {
            PanelMapping turned = kept.mapping;
            turned.wiring.rotation = 90;
            whenOpen<PanelMappingDialog>([&](PanelMappingDialog& d) {
                d.findChildren<QComboBox*>().at(2)->setCurrentIndex(1); // turn the picture
                QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(turned, shown));
                d.testPicture()->setChecked(true);
                QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(turned, panelTestPicture()));
                port.showFrame(shown = litAt(2, accept ? 3 : 4));
                QVERIFY(panel.take(1, 100).isEmpty());
                accept ? d.accept() : d.reject();
            });
            network.editMapping();
            const PanelMapping now = accept ? turned : kept.mapping;
            const QList<QByteArray> got = panel.take(2);
            QCOMPARE(got.value(0).mid(10), ddpBytes(now, panelTestPicture()));
            QCOMPARE(got.value(1).mid(10), ddpBytes(now, shown));
            QCOMPARE(storedPanelSetup(argument).mapping, now);
        }
    }

    // The dialog's "Synchronise universes" shows what is kept and, ticked, has
    // the panel's frame go out again with an ArtSync after its two ArtDmx.
    void mappingDialogSynchronises() {
        Receiver panel;
        NetworkPort port({NetworkTarget::Protocol::ArtNet, QStringLiteral("127.0.0.1"),
                          panel.socket.localPort(), 1},
                         {}, {}, {1000, 5000, 5000});
        QCOMPARE(panel.take(3, 300).size(), 2); // dark, not synchronised
        PanelMappingDialog dialog(port.setup(), nullptr);
        connect(&dialog, &PanelMappingDialog::changed, &port, &NetworkPort::setSetup);
        QCheckBox* sync = nullptr;
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
            if (box->text() == QStringLiteral("Synchronise universes"))
                sync = box;
        QVERIFY(sync && !sync->isChecked());
        sync->setChecked(true);
        const QList<QByteArray> got = panel.take(3);
        QCOMPARE(got.size(), 3);
        QCOMPARE(got[2], NetworkPackets::artSync());
        QVERIFY(dialog.setup().syncUniverses && port.setup().syncUniverses);
    }

    // A port the refresh thread multiplexes stays: the command line is given,
    // and the port's name shown as it is.
    void fixedOutputGivesTheCommandLine() {
        QWidget window;
        QMenu menu;
        NetworkMenu network(&window, &menu, nullptr, "/dev/" + Markup, {});
        QString told;
        whenOpen<QMessageBox>([&told](QMessageBox& box) {
            told = shown(box.text(), box.textFormat());
            box.accept();
        });
        QVERIFY(!network.use(QStringLiteral("artnet:10.0.0.7,1")));
        QVERIFY2(told.contains(QStringLiteral("quentaro --port artnet:10.0.0.7,1")),
                 qPrintable(told));
        QVERIFY2(told.contains("/dev/" + Markup), qPrintable(told));
        QCOMPARE(network.portArgument(), "/dev/" + Markup);
    }
};

QTEST_MAIN(TestNetworkEditor)
#include "test_network_editor.moc"
