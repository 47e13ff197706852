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
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
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
    // choosing it gives Art-Net to its address from its first universe.
    void panelDialogListsTheNodes() {
        FakeArtNetNode node;
        node.replies << artPollReply(QByteArray::fromHex("0a000207"), "panel", 0, 1, "\x80", "\x05")
                     << artPollReply(QByteArray::fromHex("0a000207"), "panel", 0, 1, "\x80",
                                     "\x04");
        ArtPollOptions poll{
            {QHostAddress::LocalHost}, node.socket.localPort(), QHostAddress::LocalHost, 0, 300};
        NetworkPanelDialog dialog(QStringLiteral("/dev/parport0"), poll, true, nullptr);
        QSignalSpy finished(&dialog.discovery(), &ArtNetDiscovery::finished);
        QVERIFY(finished.wait(3000));
        QCOMPARE(finished.first().first().toString(), QString());
        QTreeWidget* list = dialog.nodeList();
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("20, 21"));
        list->setCurrentItem(list->topLevelItem(0));
        QCOMPARE(dialog.argument(), QStringLiteral("artnet:10.0.2.7,20"));
    }

    // The editor's frame moves to the panel chosen, mapped as kept for it; the
    // mapping dialog shows each change and the test picture at once, and OK
    // keeps the change for that panel while Cancel puts back what was.
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
        port.showFrame(litAt(0, 1));
        QVERIFY(network.use(argument));
        QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(kept.mapping, litAt(0, 1)));

        for (const bool accept : {false, true}) {
            PanelMapping turned = kept.mapping;
            turned.wiring.rotation = 90;
            whenOpen<PanelMappingDialog>([&](PanelMappingDialog& d) {
                d.findChildren<QComboBox*>().at(2)->setCurrentIndex(1); // turn the picture
                QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(turned, litAt(0, 1)));
                d.testPicture()->setChecked(true);
                QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(turned, panelTestPicture()));
                accept ? d.accept() : d.reject();
            });
            network.editMapping();
            const PanelMapping now = accept ? turned : kept.mapping;
            QCOMPARE(panel.take(1).value(0).mid(10), ddpBytes(now, litAt(0, 1)));
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
