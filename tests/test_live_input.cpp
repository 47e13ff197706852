// "Live input…" fed by the program's own outputs on 127.0.0.1: what arrives
// shows on the board and leaves the animation alone; Record puts each change
// in as a frame with its hold time, all in one step; refusals are one line.
// (A frame sent again need not come through as a frame of its own, so repeats
// are checked on the take itself.)
#include "network/NetworkPort.h"
#include "support/FakeServices.h"
#include "ui/BoardView.h"
#include "ui/Form1.h"
#include "ui/network/LiveInputDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QStandardPaths>
#include <QToolButton>
#include <QUdpSocket>
#include <QtTest>

using namespace std::chrono_literals;
using Levels = PortIo::LevelFrame;

namespace {

Levels levelsAt(std::initializer_list<std::pair<int, int>> cellLevels) {
    Levels levels{};
    for (auto [cell, level] : cellLevels)
        levels[std::size_t(cell)] = std::uint8_t(level);
    return levels;
}

// White at full brightness: levels come back exactly as sent.
PanelMapping white() {
    PanelMapping m;
    m.colour = {255, 255, 255};
    m.brightness = 100;
    return m;
}

quint16 freePort() {
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

// The board as it looks with `levels` over it, or with nothing shown.
QImage boardWith(std::optional<Levels> levels, QSize size) {
    BoardView view;
    view.resize(size);
    view.setPreview(levels);
    return view.grab().toImage();
}

QImage boardOf(Form1& form) {
    return form.Image1->grab().toImage();
}

struct Window {
    RecordingPort port;
    FakeDialog files;
    FakeClock clock;
    FakeInstanceCheck instance;
    Form1 form{{port, files, clock, instance, [] {}}};
};

// Picks the protocol (0 E1.31, 1 Art-Net, 2 DDP) and the universe.
void choose(LiveInputDialog& dialog, int protocol, int universe) {
    dialog.findChildren<QComboBox*>().at(0)->setCurrentIndex(protocol);
    dialog.findChild<QSpinBox*>()->setValue(universe);
}

} // namespace

class TestLiveInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The frames A, B, C: each shows on the board, the animation unchanged;
    // Record (on while A shows) gives A, B, C after the current image with grey
    // levels and hold times (40 and 65535 at the ends of the range), one step
    // undone whole; Stop shows the animation again.
    void showsAndRecords_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<NetworkTarget::Protocol>("sent");
        QTest::addColumn<int>("universe");
        QTest::newRow("E1.31") << 0 << NetworkTarget::Protocol::E131 << 5;
        QTest::newRow("Art-Net") << 1 << NetworkTarget::Protocol::ArtNet << 3;
        QTest::newRow("DDP") << 2 << NetworkTarget::Protocol::Ddp << 0;
    }
    void showsAndRecords() {
        QFETCH(int, protocol);
        QFETCH(NetworkTarget::Protocol, sent);
        QFETCH(int, universe);
        Window window;
        Editor& editor = window.form.editor();
        const FrameStore::Frame lit = levelsAt({{0, 1}, {255, 1}}); // on/off bytes
        QCOMPARE(editor.insertFrames(2, std::span(&lit, 1)), QString());
        editor.goToImage(1);
        const Animation::Store before = editor.animation().frames();
        const QImage shownBefore = boardOf(window.form);
        FakeClock recordClock(0ns);
        LiveInputDialog dialog(window.form, &recordClock);
        const quint16 port = freePort();
        dialog.setListenAt(QHostAddress::LocalHost, port);
        choose(dialog, protocol, universe);
        QCOMPARE(dialog.listen(), QString());
        NetworkPort sender({sent, "127.0.0.1", port, universe}, white(), [](const QString&) {});
        const QSize size = window.form.Image1->size();
        const Levels a = levelsAt({{0, 7}, {17, 15}}), b = levelsAt({{255, 3}}),
                     c = levelsAt({{1, 15}, {2, 15}});
        sender.showLevels(a);
        QTRY_COMPARE(boardOf(window.form), boardWith(a, size));
        QCOMPARE(editor.animation().frames(), before);
        QCOMPARE(dialog.setRecording(true), QString());
        recordClock.advance(10ms);
        sender.showLevels(b);
        QTRY_COMPARE(boardOf(window.form), boardWith(b, size));
        recordClock.advance(150ms);
        sender.showLevels(c);
        QTRY_COMPARE(boardOf(window.form), boardWith(c, size));
        recordClock.advance(70s);
        const std::size_t steps = editor.history().undoCount();
        QCOMPARE(dialog.setRecording(false), QString("3 frames recorded"));
        QCOMPARE(editor.history().undoCount(), steps + 1);
        const Animation& animation = editor.animation();
        QCOMPARE(animation.imageCount(), 5);
        QVERIFY(animation.hasLevels());
        const std::vector<int> holds{40, 150, 65535};
        const std::array<Levels, 3> recorded{a, b, c};
        for (int i = 0; i < 3; ++i) {
            const Levels& levels = recorded[std::size_t(i)];
            for (int cell = 0; cell < 256; ++cell)
                QCOMPARE(FrameStore::levelOf(animation.frame(2 + i)[std::size_t(cell)]),
                         int(levels[std::size_t(cell)]));
            QCOMPARE(animation.holdMs(2 + i), holds[std::size_t(i)]);
        }
        QCOMPARE(animation.frame(5), lit);
        editor.undo();
        QCOMPARE(editor.animation().frames(), before);
        QVERIFY(!editor.animation().hasLevels());
        dialog.stop();
        QCOMPARE(boardOf(window.form), shownBefore);
    }

    // One line in the dialog and nothing else: no listening, no recording,
    // the board and the animation as they were.
    void refusesInOneLine_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("universe");
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<QString>("line"); // its start
        QTest::newRow("port taken")
            << 0 << 1 << true << false << "E1.31: cannot listen on 127.0.0.1:";
        QTest::newRow("universe out of range") << 1 << 40000 << false << false << "Art-Net: ";
        QTest::newRow("Record while it plays")
            << 2 << 0 << false << true << "the animation cannot be changed while it plays";
    }
    void refusesInOneLine() {
        QFETCH(int, protocol);
        QFETCH(int, universe);
        QFETCH(bool, portTaken);
        QFETCH(bool, playing);
        QFETCH(QString, line);
        Window window;
        Editor& editor = window.form.editor();
        const Animation::Store before = editor.animation().frames();
        const QImage shownBefore = boardOf(window.form);
        QUdpSocket taker;
        QVERIFY(taker.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress));
        LiveInputDialog dialog(window.form);
        dialog.setListenAt(QHostAddress::LocalHost, portTaken ? taker.localPort() : freePort());
        choose(dialog, protocol, universe);
        QString said = dialog.listen();
        if (playing) {
            QCOMPARE(said, QString());
            window.form.button(Control::StartStop)->click();
            QVERIFY(editor.playback().playing());
            said = dialog.setRecording(true);
            window.form.button(Control::StartStop)->click();
        }
        QVERIFY2(said.startsWith(line), qPrintable(said));
        QVERIFY(!said.contains('\n'));
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [&said](const QLabel* label) { return label->text() == said; }));
        QCOMPARE(dialog.listening(), playing);
        QVERIFY(!dialog.recording());
        QCOMPARE(editor.animation().frames(), before);
        QCOMPARE(boardOf(window.form), shownBefore);
    }

    // A take stops at the room the animation has left; a repeat takes none.
    void recordingStopsAtTheRoomLeft() {
        LiveRecording recording(2);
        QVERIFY(recording.take(levelsAt({{0, 3}}), 0ns));
        QVERIFY(recording.take(levelsAt({{1, 3}}), 1ms));
        QVERIFY(recording.take(levelsAt({{1, 3}}), 2ms));
        QVERIFY(!recording.take(levelsAt({{2, 3}}), 3ms));
        QCOMPARE(recording.finish(4ms).frames.size(), std::size_t(2));
    }
};

QTEST_MAIN(TestLiveInput)
#include "test_live_input.moc"
