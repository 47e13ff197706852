// What the owners of the editor's state keep whatever their callers do.
#include "frames/Animation.h"
#include "playback/AnimationTimer.h"
#include "playback/Playback.h"
#include "playback/Slideshow.h"

#include <QtTest>
#include <algorithm>

namespace {

// Counts what the timer is asked to do; starting a running QTimer restarts it.
class CountingTimer final : public AnimationTimer {
public:
    void start() override { ++starts, active = true; }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    int interval() const override { return ms; }
    void setInterval(int value) override { ms = value, ++intervalsSet; }
    void setHandler(std::function<void()>) override {}
    bool active = false;
    int ms = 1000, starts = 0, intervalsSet = 0;
};

} // namespace

class StateOwnersTest : public QObject {
    Q_OBJECT
private slots:
    void animationNeverReachesPastItsStore_data();
    void animationNeverReachesPastItsStore();
    void timerRunsExactlyWhilePlaying();
    void slideshowPositions_data();
    void slideshowPositions();
};

void StateOwnersTest::animationNeverReachesPastItsStore_data() {
    QTest::addColumn<int>("storeBytes");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("cellsInStore"); // of the current frame
    QTest::newRow("whole frame 2") << 512 << 2 << 256;
    QTest::newRow("frame 2 cut short") << 300 << 2 << 44;
    QTest::newRow("past the store") << 256 << 2 << 0;
    QTest::newRow("frame 0") << 512 << 0 << 0;
    QTest::newRow("negative frame") << 512 << -3 << 0;
}

void StateOwnersTest::animationNeverReachesPastItsStore() {
    QFETCH(int, storeBytes);
    QFETCH(int, current);
    QFETCH(int, cellsInStore);
    Animation a;
    a.replaceStore(Animation::Store(std::size_t(storeBytes), 1));
    a.setCurrentImage(current);
    FrameStore::Frame dark{};
    a.storeCurrentFrame(dark);
    QCOMPARE(a.frames().size(), std::size_t(storeBytes));
    QCOMPARE(int(std::count(a.frames().begin(), a.frames().end(), 0)), cellsInStore);
    a.setCell(255, 1);
    const FrameStore::Frame read = a.currentFrame();
    QCOMPARE(int(std::count(read.begin(), read.end(), 1)), cellsInStore == 256 ? 1 : 0);
    // A part reaching past the store comes back short and goes back in place.
    const Animation::Store part = a.part(std::size_t(storeBytes) - 10, 256);
    QCOMPARE(part.size(), std::size_t(10));
    a.restorePart(std::size_t(storeBytes), std::size_t(storeBytes) - 10, part);
    QCOMPARE(a.frames().size(), std::size_t(storeBytes));
}

void StateOwnersTest::timerRunsExactlyWhilePlaying() {
    CountingTimer timer;
    Playback p(timer);
    p.play();
    p.play(); // a running timer keeps its rhythm
    QVERIFY(p.playing() && timer.active);
    QCOMPARE(timer.starts, 1);
    p.stop();
    QVERIFY(!p.playing() && !timer.active);
    for (const auto& [asked, kept] :
         {std::pair{10, 40}, std::pair{301, 301}, std::pair{9000, 2672}}) {
        p.setIntervalMs(asked);
        QCOMPARE(int(p.intervalMs()), kept);
    }
    QVERIFY(p.applyInterval());
    QVERIFY(!p.applyInterval()); // unchanged: the timer is left alone
    QCOMPARE(timer.intervalsSet, 1);
}

void StateOwnersTest::slideshowPositions_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("chosen"); // after wrapAtEnd and chooseEntry; empty when refused
    QTest::newRow("one line repeats") << 1 << 1 << "e0.led";
    QTest::newRow("last line wraps") << 3 << 2 << "e0.led";
    QTest::newRow("middle plays") << 3 << 1 << "e1.led";
    QTest::newRow("negative refused") << 3 << -1 << "";
    QTest::newRow("last place of the longest") << 1001 << 1000 << "e0.led";
    QTest::newRow("past the capacity refused") << 1002 << 1001 << "";
}

void StateOwnersTest::slideshowPositions() {
    QFETCH(int, lines);
    QFETCH(int, position);
    QFETCH(QString, chosen);
    std::vector<std::string> names;
    for (int i = 0; i < lines; ++i)
        names.push_back("e" + std::to_string(i));
    Slideshow s;
    s.take(names, "show.pat");
    QCOMPARE(s.count(), std::min(lines, Slideshow::Capacity));
    s.setPosition(position);
    s.wrapAtEnd();
    QCOMPARE(s.chooseEntry(), !chosen.isEmpty());
    QCOMPARE(QString::fromStdString(s.fileName()), chosen);
}

QTEST_GUILESS_MAIN(StateOwnersTest)
#include "test_state_owners.moc"
