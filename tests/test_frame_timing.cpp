// Hold times and play modes: the hold times follow their frames through every
// frame operation and its undo, and the editor and the player show each frame
// for its own time in the order of the play mode.
#include "support/FakeServices.h"

#include "cli/CommandLine.h"
#include "files/NativeFormat.h"
#include "player/Player.h"
#include "player/SignalPipe.h"

#include <QTemporaryDir>
#include <QtTest>
#include <bit>
#include <csignal>
#include <fstream>

namespace {

using Op = std::function<QString(Editor&)>;

QList<int> numbers(const QString& list) {
    QList<int> out;
    for (const QString& n : list.split(',', Qt::SkipEmptyParts))
        out << n.toInt();
    return out;
}

// Each image as its lit LED ("-" when dark) and its hold time: "1/100 2/200".
QString timedOrder(const EditorFixture& f) {
    QStringList images;
    for (int image = 1; image <= f.editor->animation().imageCount(); ++image) {
        const FrameStore::Frame frame = f.editor->animation().frame(image);
        const auto lit = std::find(frame.begin(), frame.end(), FrameStore::Lit);
        images << QStringLiteral("%1/%2")
                      .arg(lit == frame.end() ? QStringLiteral("-")
                                              : QString::number(lit - frame.begin()))
                      .arg(f.editor->animation().holdMs(image));
    }
    return images.join(' ');
}

// `holds.size()` frames, frame n with LED n lit and held holds[n - 1] ms.
void timedFrames(EditorFixture& f, const QList<int>& holds) {
    std::vector<FrameStore::Frame> frames(std::size_t(holds.size()));
    for (std::size_t n = 0; n < frames.size(); ++n)
        frames[n][n + 1] = FrameStore::Lit;
    QCOMPARE(f->importFrames(frames, true), QString());
    for (int n = 1; n <= holds.size(); ++n)
        if (holds[n - 1] != 0)
            QCOMPARE(f->setHoldTimes({n}, holds[n - 1]), QString());
}

// Start, then `ticks` ticks: the timer's interval at Start, then each image
// shown with the interval the timer then has, or "stop N" where the playback
// stopped on image N. "!" flags a panel that shows another interval.
QString played(EditorFixture& f, int ticks) {
    const auto interval = [&] {
        const int ms = f.timer->interval();
        return QString::number(ms) + (f.panel().timerInterval == ms ? "" : "!");
    };
    f->click(Control::StartStop);
    QString text = "@" + interval();
    for (int i = 0; i < ticks; ++i) {
        f->tick();
        const int image = f->animation().currentImage();
        if (!f->playback().playing())
            return text + QStringLiteral(" stop %1").arg(image);
        text += QStringLiteral(" %1@").arg(image) + interval();
    }
    return text;
}

// An output that multiplexes the board itself: each frame it is given, as
// its number of lit LEDs, with the animation timer's interval at that moment.
class FrameCountPort final : public PortIo {
public:
    explicit FrameCountPort(const AnimationTimer& timer) : timer_(timer) {}
    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
    bool refreshesItself() const override { return true; }
    void showFrame(const PackedFrame& frame) override {
        int lit = 0;
        for (std::uint8_t byte : frame)
            lit += std::popcount(byte);
        shown << QStringLiteral("%1:%2").arg(lit).arg(timer_.interval());
        if (afterFrame)
            afterFrame(int(shown.size()));
    }
    QStringList shown;
    std::function<void(int)> afterFrame;

private:
    const AnimationTimer& timer_;
};

} // namespace

Q_DECLARE_METATYPE(Op)

class FrameTimingTest : public QObject {
    Q_OBJECT
private slots:
    void holdTimesFollowTheirFrames_data();
    void holdTimesFollowTheirFrames();
    void playModesAndHoldTimes_data();
    void playModesAndHoldTimes();
    void playerPlaysModesAndHoldTimes_data();
    void playerPlaysModesAndHoldTimes();
    void exitAtEndGoesWithPlay();
};

void FrameTimingTest::holdTimesFollowTheirFrames_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("after"); // empty when refused
    FrameStore::Frame seven{};
    seven[7] = FrameStore::Lit;
    const FrameStore::Frame dark{};
    const auto click = [](Control control) {
        return Op([control](Editor& e) {
            e.click(control);
            return QString();
        });
    };
    QTest::newRow("insert") << Op([=](Editor& e) { return e.insertFrames(2, std::span(&dark, 1)); })
                            << "1/100 -/0 2/200 3/300 4/400";
    QTest::newRow("duplicate") << Op([](Editor& e) { return e.duplicateFrame(2); })
                               << "1/100 2/200 2/200 3/300 4/400";
    QTest::newRow("delete several") << Op([](Editor& e) {
        return e.deleteFrames({1, 3});
    }) << "2/200 4/400";
    QTest::newRow("move one") << Op([](Editor& e) { return e.moveFrame(1, 4); })
                              << "2/200 3/300 4/400 1/100";
    QTest::newRow("move several") << Op([](Editor& e) {
        return e.moveFrames({1, 3}, 5);
    }) << "2/200 4/400 1/100 3/300";
    QTest::newRow("Add image") << click(Control::AddImage) << "1/100 2/200 3/300 4/400 -/0";
    QTest::newRow("Delete image") << click(Control::DeleteImage) << "1/100 2/200 3/300";
    QTest::newRow("New file") << click(Control::NewFile) << "-/0";
    QTest::newRow("import after") << Op([=](Editor& e) {
        return e.importFrames(std::vector{seven}, false);
    }) << "1/100 2/200 7/0 3/300 4/400";
    QTest::newRow("import in place") << Op([=](Editor& e) {
        return e.importFrames(std::vector{seven, dark}, true);
    }) << "7/0 -/0";
    QTest::newRow("draw") << Op([=](Editor& e) { return e.drawFrame(seven); })
                          << "1/100 7/200 3/300 4/400";
    QTest::newRow("hold several") << Op([](Editor& e) {
        return e.setHoldTimes({3, 1, 3}, 40);
    }) << "1/40 2/200 3/40 4/400";
    QTest::newRow("refused: 39 ms") << Op([](Editor& e) { return e.setHoldTimes({1}, 39); }) << "";
    QTest::newRow("refused: 65536 ms")
        << Op([](Editor& e) { return e.setHoldTimes({1}, 65536); }) << "";
    QTest::newRow("refused: no image 5") << Op([](Editor& e) {
        return e.setHoldTimes({1, 5}, 100);
    }) << "";
}

// One step each, undone and redone with the hold times where their frames are.
void FrameTimingTest::holdTimesFollowTheirFrames() {
    QFETCH(Op, op);
    QFETCH(QString, after);
    EditorFixture f;
    timedFrames(f, {100, 200, 300, 400});
    f->goToImage(2);
    const QString before = timedOrder(f);
    QCOMPARE(before, "1/100 2/200 3/300 4/400");
    const std::size_t steps = f->history().undoCount();
    const QString refusal = op(*f);
    if (after.isEmpty()) {
        QCOMPARE(timedOrder(f), before);
        QCOMPARE(f->history().undoCount(), steps);
        return;
    }
    QCOMPARE(refusal, QString());
    QCOMPARE(timedOrder(f), after);
    QCOMPARE(f->history().undoCount(), steps + 1);
    f->undo();
    QCOMPARE(timedOrder(f), before);
    f->redo();
    QCOMPARE(timedOrder(f), after);
}

void FrameTimingTest::playModesAndHoldTimes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("holds"); // one per frame
    QTest::addColumn<QString>("expected");
    const int loop = int(PlayMode::Loop), pingPong = int(PlayMode::PingPong),
              once = int(PlayMode::Once);
    // Without hold times the first tick waits the timer's start-up second.
    QTest::newRow("loop") << loop << "0,0,0"
                          << "@1000 2@301 3@301 1@301 2@301 3@301 1@301";
    QTest::newRow("loop, held") << loop << "0,500,2000"
                                << "@301 2@500 3@2000 1@301 2@500 3@2000 1@301";
    QTest::newRow("ping-pong") << pingPong << "0,0,0"
                               << "@1000 2@301 3@301 2@301 1@301 2@301 3@301";
    QTest::newRow("ping-pong, held") << pingPong << "500,0,40"
                                     << "@500 2@301 3@40 2@301 1@500 2@301 3@40";
    QTest::newRow("ping-pong, two frames") << pingPong << "0,0"
                                           << "@1000 2@301 1@301 2@301 1@301 2@301 1@301";
    QTest::newRow("ping-pong, one frame") << pingPong << "0"
                                          << "@1000 1@301 1@301 1@301 1@301 1@301 1@301";
    QTest::newRow("once") << once << "0,0,0"
                          << "@1000 2@301 3@301 stop 3";
    QTest::newRow("once, held") << once << "0,0,1500"
                                << "@301 2@301 3@1500 stop 3";
    QTest::newRow("once, one frame") << once << "0"
                                     << "@1000 stop 1";
}

void FrameTimingTest::playModesAndHoldTimes() {
    QFETCH(int, mode);
    QFETCH(QString, holds);
    QFETCH(QString, expected);
    EditorFixture f;
    timedFrames(f, numbers(holds));
    QCOMPARE(f->setPlayMode(PlayMode(mode)), QString());
    QCOMPARE(f->animation().playMode(), PlayMode(mode));
    QCOMPARE(played(f, 6), expected);
    if (!expected.contains("stop"))
        return;
    // Stopped as Stop stops it; Start plays it again from the first frame.
    QVERIFY(!f.timer->isActive() && !f.panel().timerEnabled);
    QCOMPARE(f.panel().tooltip(Control::StartStop), "Start");
    QCOMPARE(f.board(), f.frame(f->animation().currentImage()));
    QVERIFY(f->playback().playedToEnd());
    // Without hold times (cleared) the speed rules from the first frame on.
    QCOMPARE(f->setHoldTimes({1, 2, 3}, 0).isEmpty(), f->animation().imageCount() == 3);
    f->click(Control::StartStop);
    QCOMPARE(f->animation().currentImage(), 1);
    QVERIFY(f->playback().playing() && !f->playback().playedToEnd());
    QCOMPARE(f.timer->interval(), 301);
}

void FrameTimingTest::playerPlaysModesAndHoldTimes_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("holds");
    QTest::addColumn<int>("fileSpeed");
    QTest::addColumn<int>("interval"); // --interval; 0 when not given
    QTest::addColumn<bool>("exitAtEnd");
    QTest::addColumn<int>("signalAfter"); // frames, 0 for none
    QTest::addColumn<QString>("shown");
    // A tick shows its frame and only then gives the timer that frame's time:
    // a frame goes out while the timer still has the time of the one before.
    QTest::newRow("once, exit at the end")
        << "once"
        << "0,120,0" << 301 << 40 << true << 0 << "1:40 2:40 3:120 3:40";
    QTest::newRow("once, stays on the last frame")
        << "once"
        << "0,0,0" << 301 << 40 << false << -4 << "1:40 2:40 3:40 3:40";
    QTest::newRow("ping-pong, held")
        << "ping-pong"
        << "0,0,80" << 301 << 40 << false << 6 << "1:40 2:40 3:40 2:80 1:40 2:40";
    QTest::newRow("the file's speed")
        << "loop"
        << "0,0,0" << 200 << 0 << false << 4 << "1:200 2:200 3:200 1:200";
    QTest::newRow("--interval over the file's speed")
        << "loop"
        << "0,0,0" << 200 << 40 << false << 4 << "1:40 2:40 3:40 1:40";
    QTest::newRow("--interval 301, the start step, over the file's speed")
        << "loop"
        << "0,0,0" << 200 << 301 << false << 4 << "1:301 2:301 3:301 1:301";
}

void FrameTimingTest::playerPlaysModesAndHoldTimes() {
    QFETCH(QString, mode);
    QFETCH(QString, holds);
    QFETCH(int, fileSpeed);
    QFETCH(int, interval);
    QFETCH(bool, exitAtEnd);
    QFETCH(int, signalAfter);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QList<int> times = numbers(holds);
    NativeAnimation animation;
    animation.playMode = mode == "once"        ? NativeAnimation::PlayMode::Once
                         : mode == "ping-pong" ? NativeAnimation::PlayMode::PingPong
                                               : NativeAnimation::PlayMode::Loop;
    animation.speedMs = fileSpeed;
    animation.levels.assign(std::size_t(times.size()) * 256, 0);
    for (int n = 1; n <= times.size(); ++n) {
        std::fill_n(animation.levels.begin() + (n - 1) * 256, n, NativeFormat::MaxLevel);
        animation.holdMs.push_back(std::uint16_t(times[n - 1]));
    }
    const QString file = dir.filePath("timed.qanim");
    std::ofstream(file.toStdString(), std::ios::binary) << NativeFormat::write(animation);

    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    FrameCountPort port(*timer);
    FakeClock clock;
    FakeInstanceCheck instance;
    SignalPipe stopSignals;
    QStringList errors;
    // A negative count: the signal comes a while after that many frames.
    port.afterFrame = [&](int frames) {
        if (frames == signalAfter)
            std::raise(SIGTERM);
        if (frames == -signalAfter)
            QTimer::singleShot(300, [] { std::raise(SIGTERM); });
    };
    QTimer guard; // a player that would not end fails the row instead of hanging it
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { std::raise(SIGTERM); });
    guard.start(10000);
    Player player(
        {port, clock, instance, *timer, stopSignals, [&](const QString& line) { errors << line; }});
    QCOMPARE(
        player.run(file, interval > 0 ? interval : SpeedLadder::StartMs, {exitAtEnd, interval > 0}),
        0);
    QCOMPARE(errors, QStringList());
    QCOMPARE(port.shown.join(' '), shown);
}

// Read with --play, refused without it.
void FrameTimingTest::exitAtEndGoesWithPlay() {
    QTemporaryDir dir;
    const QString led = dir.filePath("a.led");
    std::ofstream(led.toStdString()) << " 0 ";
    QVERIFY(parseCommandLine({"quentaro", "--play", led, "--exit-at-end"}).exitAtEnd);
    QVERIFY(!parseCommandLine({"quentaro", "--play", led}).exitAtEnd);
    const CommandLine editor = parseCommandLine({"quentaro", "--exit-at-end"});
    QCOMPARE(editor.error, "--exit-at-end goes with --play");
    QVERIFY(editor.helpText.contains("--exit-at-end"));
}

QTEST_GUILESS_MAIN(FrameTimingTest)
#include "test_frame_timing.moc"
