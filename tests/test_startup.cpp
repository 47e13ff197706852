// Start-up, shut-down and the single-instance check of the editor, with the lock
// file it keeps.
#include "support/FakeServices.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using W = PortWrite;

namespace {

// Sees every timer event of the application and keeps the QTimer it went to.
class TimerSpy final : public QObject {
public:
    TimerSpy() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer)
            if (auto* timer = qobject_cast<QTimer*>(watched))
                fired.append(timer);
        return false;
    }
    QList<QTimer*> fired;
};

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void portReceivesStartupSequenceThenNulreg();
    void panelAfterStartup();
    void noTimerRunsAfterStartupAndTheTickIsPrecise();
    void pauseWaitsAtLeastItsTimeAndKeepsEventsFlowing();
    void closingDarkensTheMatrixAndEndsEverything();
    void secondInstanceReportsAfterItsPortWritesAndEnds();
    void lockFileIsJudged_data();
    void lockFileIsJudged();
};

void StartupTest::portReceivesStartupSequenceThenNulreg() {
    EditorFixture f;
    std::vector<PortWrite> expected{W::control(247), W::control(0)};
    for (int i = 0; i < 15; ++i) {
        expected.push_back(W::control(251));
        expected.push_back(W::control(0));
    }
    for (W w : {W::control(2), W::data(0), W::control(1), W::data(0)})
        expected.push_back(w);
    QCOMPARE(f.port.writes(), expected);
    QCOMPARE(f->working().Counter, 16);
    QCOMPARE(f.instance.checks, 1);
    QVERIFY(!f->hasEnded());
}

void StartupTest::panelAfterStartup() {
    EditorFixture f;
    const Panel& p = f.panel();
    QCOMPARE(p.caption, QStringLiteral("QUENTARO - NEW"));
    QCOMPARE(p.label1, QStringLiteral("3,3 Hz"));
    QCOMPARE(p.label2, QStringLiteral("1/1"));

    const QList<Control> hidden{Control::FirstImage, Control::PreviousImage, Control::NextImage,
                                Control::LastImage, Control::DeleteImage};
    for (const ButtonEntry& entry : Buttons) {
        QVERIFY2(p.isShown(entry.control) == !hidden.contains(entry.control), entry.name);
        QVERIFY2(!p.tooltip(entry.control).isEmpty(), entry.name);
    }

    const struct {
        Control control;
        Picture picture;
        const char* tooltip;
    } toggles[] = {{Control::SetOrClearAll, Store::Image4, "Set all"},
                   {Control::StartStop, Store::Image6, "Start"},
                   {Control::LptButton, Store::Image9, "LPT on"},
                   {Control::MatrixButton, Store::Image10, "Matrix off"}};
    for (const auto& t : toggles) {
        QVERIFY2(p.picture(t.control) == t.picture, entryOf(t.control).name);
        QCOMPARE(p.tooltip(t.control), QString::fromUtf8(t.tooltip));
    }

    QVERIFY(!f.timer->isActive());
    QVERIFY(!p.timerEnabled);
    QCOMPARE(f.timer->interval(), 1000);
    QCOMPARE(p.timerInterval, 1000);

    QCOMPARE(f->animation().frames(), std::vector<std::uint8_t>(256, 0));
    QCOMPARE(f->animation().currentImage(), 1);
    QCOMPARE(f->animation().imageCount(), 1);
    QCOMPARE(f->playback().intervalMs(), std::int16_t(301));
    QCOMPARE(f->working().Cell, 256);
    QCOMPARE(p.shownCount(), 0);
}

void StartupTest::noTimerRunsAfterStartupAndTheTickIsPrecise() {
    TimerSpy spy;
    EditorFixture f;
    QTest::qWait(30);
    QVERIFY(spy.fired.isEmpty());
    f.timer->setInterval(1);
    f.timer->start();
    QTRY_VERIFY(!spy.fired.isEmpty());
    QCOMPARE(spy.fired.first()->timerType(), Qt::PreciseTimer);
}

void StartupTest::pauseWaitsAtLeastItsTimeAndKeepsEventsFlowing() {
    EditorFixture f;
    f.clock.setStep(std::chrono::microseconds(7));
    QObject guard; // drops what is still queued when the test ends
    bool ran = false;
    QTimer::singleShot(0, &guard, [&] { ran = true; });
    const int before = f.clock.reads();
    f->Pause(0.00005f);
    // 50 us at 7 us a reading: the deadline is passed on the eighth reading after the start.
    QCOMPARE(f.clock.reads() - before, 9);
    QVERIFY(ran);

    ran = false;
    QTimer::singleShot(0, &guard, [&] { ran = true; });
    f->Pause(0);
    QVERIFY(!ran);
}

void StartupTest::closingDarkensTheMatrixAndEndsEverything() {
    EditorFixture f;
    f->Command33_Click(); // playing
    QVERIFY(f.timer->isActive() && f.panel().timerEnabled);
    f.port.clear();
    f->close();
    const std::vector<PortWrite> nulreg{W::control(2), W::data(0), W::control(1), W::data(0)};
    QCOMPARE(f.port.writes(), nulreg);
    QVERIFY(f->hasEnded());
    QCOMPARE(f.programEnds, 1);
    QVERIFY(!f.timer->isActive());
    QVERIFY(!f.panel().timerEnabled);

    // Nothing reaches the port any more, from a click or from a handler in progress.
    f->click(Control::ShiftUp);
    f->Nulreg();
    QCOMPARE(f.port.count(), std::size_t(4));
}

void StartupTest::secondInstanceReportsAfterItsPortWritesAndEnds() {
    EditorFixture f(true);
    QCOMPARE(f.messages.size(), std::size_t(1));
    const Message& message = f.messages.front();
    QCOMPARE(message.title, QStringLiteral("Attention!"));
    QCOMPARE(message.text, QStringLiteral("Program already started!!!"));
    QVERIFY(message.kind == Message::Kind::Critical);
    QVERIFY(f->hasEnded());
    QCOMPARE(f.programEnds, 1);
    // Its start-up writes went out before the message: 32 control writes and a clear.
    QCOMPARE(f.port.count(), std::size_t(36));
    f->close();
    QCOMPARE(f.port.count(), std::size_t(36));

    // The same start with the writes counted when the message is given.
    RecordingPort port;
    FakeDialog dialog;
    FakeClock clock;
    FakeInstanceCheck instance;
    instance.anotherRunning = true;
    const std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    std::vector<std::size_t> writesAtMessage;
    Editor editor(EditorServices{port,
                                 dialog,
                                 clock,
                                 instance,
                                 *timer,
                                 {},
                                 {},
                                 [&](const Message&) { writesAtMessage.push_back(port.count()); },
                                 [] {}});
    editor.Form_Load();
    QCOMPARE(writesAtMessage, std::vector<std::size_t>{36});
}

void StartupTest::lockFileIsJudged_data() {
    QTest::addColumn<QString>("found"); // where the lock goes
    QTest::addColumn<bool>("fromBeforeBoot");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("namesTheFile");
    QTest::newRow("held by a running program") << "held" << false << true << false;
    QTest::newRow("empty, from before the boot") << "empty" << true << false << false;
    QTest::newRow("damaged, since the boot") << "\x01\n" << false << true << true;
    QTest::newRow("a folder that cannot be made") << "no folder" << false << true << true;
}

void StartupTest::lockFileIsJudged() {
    QFETCH(QString, found);
    QFETCH(bool, fromBeforeBoot);
    QTemporaryDir dir;
    const QString folder = dir.filePath(found == "no folder" ? "lock/folder" : "");
    // For "no folder" the lock's folder would lie below a file.
    QFile lock(dir.filePath(found == "no folder" ? "lock" : "quentaro.lock"));
    LockFileInstanceCheck running(folder);
    if (found == "held") {
        QVERIFY(!running.anotherInstanceRunning());
    } else if (lock.open(QIODevice::WriteOnly) && found != "empty") {
        lock.write(found.toLatin1());
        lock.flush();
    }
    if (fromBeforeBoot)
        QVERIFY(lock.setFileTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                                 QFileDevice::FileModificationTime));
    LockFileInstanceCheck check(folder);
    QTEST(check.anotherInstanceRunning(), "refused");
    QTEST(check.refusal().contains(QDir(folder).filePath("quentaro.lock")), "namesTheFile");
}

QTEST_GUILESS_MAIN(StartupTest)
#include "test_startup.moc"
