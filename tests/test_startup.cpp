// Start-up, shut-down and the single-instance check of the editor, with the lock
// file it keeps; the program itself for what a refused start leaves alone and
// where it keeps its settings.
#include "support/FakeServices.h"

#include "files/LedFormat.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <optional>
#ifdef QUENTARO_HAVE_NETWORK
#include <QUdpSocket>
#endif

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

// The program in a child process, with its lock, settings and state below `home`.
class Program {
public:
    Program(const QTemporaryDir& home, const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
            env.remove(name);
        env.insert("HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        process_.start(QUENTARO_PROGRAM, arguments);
    }
    ~Program() {
        process_.kill();
        process_.waitForFinished();
    }
    QString said() {
        said_ += process_.readAllStandardError();
        return QString::fromLocal8Bit(said_);
    }
    bool ended() const { return process_.state() == QProcess::NotRunning; }
    int status() {
        process_.waitForFinished(20000);
        return ended() ? process_.exitCode() : -1;
    }

private:
    QProcess process_;
    QByteArray said_;
};

// Every file under `folder` by its path there, with what it holds.
using Files = QMap<QString, QByteArray>;
Files filesUnder(const QString& folder) {
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files[QDir(folder).relativeFilePath(file.fileName())] =
            file.open(QIODevice::ReadOnly) ? file.readAll() : "unreadable";
    }
    return files;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        std::ofstream(led_.toStdString(), std::ios::binary)
            << LedFormat::write(std::vector<std::uint8_t>(256, 0));
    }
    void portReceivesStartupSequenceThenNulreg();
    void panelAfterStartup();
    void noTimerRunsAfterStartupAndTheTickIsPrecise();
    void pauseWaitsAtLeastItsTimeAndKeepsEventsFlowing();
    void closingDarkensTheMatrixAndEndsEverything();
    void secondInstanceReportsAfterItsPortWritesAndEnds();
    void lockFileIsJudged_data();
    void lockFileIsJudged();
    void refusedStartsLeaveThePanelAndTheSettingsAlone_data();
    void refusedStartsLeaveThePanelAndTheSettingsAlone();
    void oldSettingsAreMovedOnce_data();
    void oldSettingsAreMovedOnce();
    void exportToQanimKeepsTheInterval();

private:
    QTemporaryDir dir_;
    QString led_ = dir_.filePath("dark.led");
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

// Refused: a second editor or player while another runs, or bad values. Nothing
// reaches the network panel and the settings stay as they were.
void StartupTest::refusedStartsLeaveThePanelAndTheSettingsAlone_data() {
    QTest::addColumn<bool>("anotherRuns");
    QTest::addColumn<QStringList>("args"); // %1: the panel's UDP port
    QTest::addColumn<int>("status");       // -1: still showing its message
    QTest::addColumn<QString>("said");
    const QString panel = "ddp:127.0.0.1:%1";
    const QString running = "another quentaro editor or player is running";
    QTest::newRow("second editor")
        << true << QStringList{"--port", panel, "--map", "columns", "--colour", "blue"} << -1
        << running;
    QTest::newRow("second player")
        << true << QStringList{"--play", led_, "--port", panel, "--colour", "blue"} << 1 << running;
    QTest::newRow("a port that names no host")
        << false << QStringList{"--port", "ddp:my panel", "--colour", "blue"} << 2
        << "\"my panel\" is not a host name";
    QTest::newRow("an empty port")
        << false << QStringList{"--play", led_, "--port", ""} << 2 << "--port takes an output";
    QTest::newRow("a colour in C") << false << QStringList{"--port", panel, "--colour", "#0x00ff"}
                                   << 2 << "--colour takes #RRGGBB";
}

void StartupTest::refusedStartsLeaveThePanelAndTheSettingsAlone() {
#ifndef QUENTARO_HAVE_NETWORK
    QSKIP("this build has no network outputs");
#else
    QFETCH(bool, anotherRuns);
    QFETCH(QStringList, args);
    QFETCH(QString, said);
    QTemporaryDir home;
    QUdpSocket firstPanel, panel;
    QVERIFY(firstPanel.bind(QHostAddress::LocalHost) && panel.bind(QHostAddress::LocalHost));
    std::optional<Program> first;
    if (anotherRuns) {
        first.emplace(
            home, QStringList{"--port", QString("ddp:127.0.0.1:%1").arg(firstPanel.localPort())});
        // Its panel is lit once it has started and kept what it keeps.
        QTRY_VERIFY_WITH_TIMEOUT(firstPanel.hasPendingDatagrams(), 20000);
    }
    const Files settings = filesUnder(home.filePath(".config"));
    Program second(home, args.replaceInStrings("%1", QString::number(panel.localPort())));
    QTRY_VERIFY_WITH_TIMEOUT(
        second.ended() || second.said().contains(said) || panel.hasPendingDatagrams(), 20000);
    QTest::qWait(300); // for anything sent late
    QVERIFY2(!panel.hasPendingDatagrams(), "the refused program sent to the panel");
    QVERIFY2(second.said().contains(said), qPrintable(second.said()));
    QFETCH(int, status);
    if (status < 0)
        QVERIFY(!second.ended());
    else
        QCOMPARE(second.status(), status);
    QCOMPARE(filesUnder(home.filePath(".config")), settings);
#endif
}

// Settings kept where Qt puts them for a program without an organisation move
// to ~/.config/quentaro once, and never over newer ones.
void StartupTest::oldSettingsAreMovedOnce_data() {
    QTest::addColumn<Files>("before"); // under ~/.config
    QTest::addColumn<Files>("after");
    QTest::addColumn<bool>("said");
    const QString old = "Unknown Organization/quentaro.conf", now = "quentaro/quentaro.conf";
    const QByteArray a = "[editor]\nsidePanelOpen=true\n", b = "[editor]\nsidePanelOpen=false\n";
    QTest::newRow("in the old place") << Files{{old, a}} << Files{{now, a}} << false;
    QTest::newRow("in both places")
        << Files{{old, a}, {now, b}} << Files{{old, a}, {now, b}} << false;
    QTest::newRow("a file where the new folder goes")
        << Files{{old, a}, {"quentaro", ""}} << Files{{old, a}, {"quentaro", ""}} << true;
}

void StartupTest::oldSettingsAreMovedOnce() {
    QFETCH(Files, before);
    QTemporaryDir home;
    const QDir config(home.filePath(".config"));
    for (auto [name, text] : before.asKeyValueRange()) {
        QFile file(config.filePath(name));
        QVERIFY(config.mkpath(QFileInfo(name).path()) && file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
    }
    Program player(home, {"--play", led_, "--port", home.filePath("no port")});
    QCOMPARE(player.status(), 1);
    QTEST(filesUnder(config.path()), "after");
    QTEST(player.said().contains("could not be moved"), "said");
}

// --interval is the speed a .qanim from --export keeps.
void StartupTest::exportToQanimKeepsTheInterval() {
    QTemporaryDir home;
    const QString in = home.filePath("in.led"), out = home.filePath("out.qanim");
    const std::vector<std::uint8_t> frame(256, 1);
    std::ofstream(in.toStdString(), std::ios::binary) << LedFormat::write(frame);
    Program program(home, {"--export", out, in, "--interval", "145"});
    QVERIFY2(program.status() == 0, qPrintable(program.said()));
    const QByteArray written = filesUnder(home.path()).value("out.qanim");
    QVERIFY2(written.contains("\nspeed-ms 145\n"), written.constData());
}

QTEST_GUILESS_MAIN(StartupTest)
#include "test_startup.moc"
