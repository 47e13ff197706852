// The network menu of the window, against peers on 127.0.0.1: the Art-Net node
// found and chosen in the panel dialog, the panel switched while the editor
// runs, and the mapping dialog's changes and test picture on the wire.
#include "network/NetworkPort.h"
#include "port/SwitchablePort.h"
#include "support/LoopbackPeers.h"
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
#include <QTreeWidget>
#include <QtTest>

namespace {

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
    // are still heard and the search says what it missed.
    void panelDialogListsTheNodes_data() {
        QTest::addColumn<QByteArray>("ip");
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("problem");
        QTest::newRow("two replies") << QByteArray::fromHex("0a000207") << false
                                     << "panel 10.0.2.7 20, 21 artnet:10.0.2.7,20"
                                     << "";
        QTest::newRow("no address, port taken")
            << QByteArray(4, '\0') << true << "panel 127.0.0.1 20, 21 artnet:127.0.0.1,20"
            << "is taken";
    }
    void panelDialogListsTheNodes() {
        QFETCH(QByteArray, ip);
        QFETCH(bool, portTaken);
        QFETCH(QString, listed);
        QFETCH(QString, problem);
        FakeArtNetNode node;
        node.replies << artPollReply(ip, "panel", 0, 1, "\x80", "\x05")
                     << artPollReply(ip, "panel", 0, 1, "\x80", "\x04");
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
        QCOMPARE(QStringList({item->text(0), item->text(1), item->text(2), dialog.argument()})
                     .join(QLatin1Char(' ')),
                 listed);
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
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [&](QLabel* l) { return l->text().contains(expected); }));
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
        QVERIFY(network.use(argument));
        QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(kept.mapping, shown));

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

    // A port the refresh thread multiplexes stays: the command line is given.
    void fixedOutputGivesTheCommandLine() {
        QWidget window;
        QMenu menu;
        NetworkMenu network(&window, &menu, nullptr, QStringLiteral("/dev/parport0"), {});
        QString told;
        whenOpen<QMessageBox>([&told](QMessageBox& box) {
            told = box.text();
            box.accept();
        });
        QVERIFY(!network.use(QStringLiteral("artnet:10.0.0.7,1")));
        QVERIFY2(told.contains(QStringLiteral("quentaro --port artnet:10.0.0.7,1")),
                 qPrintable(told));
        QCOMPARE(network.portArgument(), QStringLiteral("/dev/parport0"));
    }
};

QTEST_MAIN(TestNetworkEditor)
#include "test_network_editor.moc"
