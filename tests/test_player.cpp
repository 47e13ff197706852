// The player without a window: it plays as the editor plays, a signal darkens the
// matrix and ends it with status 0, and a second player is refused.
#include "support/FakeServices.h"

#include "files/LedFormat.h"
#include "player/Player.h"
#include "player/SignalPipe.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fstream>

#ifdef QUENTARO_HAVE_NETWORK
#include <QNetworkDatagram>
#include <QUdpSocket>
#endif

namespace {

// An output that multiplexes the board itself, keeping a log of everything it
// is given: register writes, frames and blanks.
class FrameLogPort final : public PortIo {
public:
    void writeData(std::uint8_t v) override { log.push_back("d" + QString::number(v)); }
    void writeControl(std::uint8_t v) override { log.push_back("c" + QString::number(v)); }
    bool refreshesItself() const override { return true; }
    void showFrame(const PackedFrame& frame) override {
        log.push_back("F" + QByteArray(reinterpret_cast<const char*>(frame.data()), 32).toHex());
        if (afterFrame)
            afterFrame(++frames);
    }
    void blank() override {
        log.push_back("B");
        if (afterBlank)
            afterBlank(++blanks);
    }
    QStringList log;
    int blanks = 0;
    int frames = 0;
    std::function<void(int)> afterBlank;
    std::function<void(int)> afterFrame;
};

// The player in this process, at 40 ms a step.
struct PlayerHere {
    FrameLogPort port;
    FakeClock clock;
    FakeInstanceCheck instance;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    SignalPipe stopSignals;
    QStringList errors;
    int run(const QString& file) {
        auto say = [this](const QString& line) { errors << line; };
        return Player({port, clock, instance, *timer, stopSignals, say}).run(file, 40);
    }
};

// Three frames: the first n cells lit in frame n.
QString writeThreeFrames(const QTemporaryDir& dir) {
    std::vector<std::uint8_t> frames(3 * 256, 0);
    for (int n = 1; n <= 3; ++n)
        std::fill_n(frames.begin() + (n - 1) * 256, n, 1);
    const QString path = dir.filePath("three.led");
    std::ofstream(path.toStdString(), std::ios::binary) << LedFormat::write(frames);
    return path;
}

// Start-up and load darken the board; then the first frame and one per tick:
// while the refresh runs, a tick's Nulreg and its frame are one frame.
constexpr int FramesToRun = 4;
const std::vector<std::pair<PortWrite::Register, std::uint8_t>> NulregWrites{
    {PortWrite::Register::Control, 2},
    {PortWrite::Register::Data, 0},
    {PortWrite::Register::Control, 1},
    {PortWrite::Register::Data, 0}};

struct Child {
    QProcess process;
    QByteArray out;
};

void startProgram(Child& child, const QString& runtimeDir, const QStringList& arguments,
                  const QString& program = QUENTARO_PROGRAM) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    child.process.setProcessEnvironment(env);
    child.process.start(program, arguments);
}

void startProbe(Child& child, const QString& runtimeDir, const QString& file) {
    startProgram(child, runtimeDir, {file, "40"}, PLAYER_PROBE);
}

} // namespace

class PlayerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playsAsTheEditorPlays();
    void signalDarkensAndEnds_data();
    void signalDarkensAndEnds();
    void secondPlayerIsRefused();
    void signalBeforeTheStartDarkensAndEnds();
    void eachSkippedEntryIsToldOnce();
    void outputThatCannotBeOpenedEndsThePlayer_data();
    void outputThatCannotBeOpenedEndsThePlayer();
    void onScreenMatrixNeedsAGraphicalSession_data();
    void onScreenMatrixNeedsAGraphicalSession();
    void firstImageHeldItsFullTimeOnANetworkPanel();

private:
    QTemporaryDir dir_;
    QString file_;
};

void PlayerTest::initTestCase() {
    file_ = writeThreeFrames(dir_);
    QFile::setPermissions(dir_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void PlayerTest::playsAsTheEditorPlays() {
    PlayerHere player;
    int firstFrameMs = 0; // the timer's interval when the animation is loaded
    player.port.afterBlank = [&](int blanks) {
        if (blanks == 2)
            firstFrameMs = player.timer->interval();
    };
    player.port.afterFrame = [&](int frames) {
        if (frames == FramesToRun)
            std::raise(SIGTERM);
    };
    QCOMPARE(player.run(file_), 0);
    QCOMPARE(player.errors, QStringList());
    QCOMPARE(firstFrameMs, 40);
    FrameLogPort& playerPort = player.port;

    FrameLogPort editorPort;
    FakeDialog dialog;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    Editor editor({editorPort, dialog, player.clock, player.instance, *timer, {}, {}, {}, [] {}});
    editorPort.afterFrame = [&](int frames) {
        if (frames == FramesToRun)
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [&] { editor.close(); }, Qt::QueuedConnection);
    };
    editor.Form_Load();
    editor.playback().setIntervalMs(40);
    QCOMPARE(editor.openAnimation(file_), QString());
    editor.Command33_Click();
    editor.Command19_Click();

    QCOMPARE(playerPort.log, editorPort.log);
    // Frame 1, then 2, 3 and 1 again after the wrap, with no blank between them;
    // the fourth frame ends the run, and the close darkens the board.
    const QStringList frames = playerPort.log.filter(QRegularExpression("^F"));
    QCOMPARE(frames.size(), 4);
    QCOMPARE(frames[0], frames[3]);
    QCOMPARE(playerPort.log.filter(QRegularExpression("^B")).size(), 3);
    QVERIFY(frames[0] != frames[1] && frames[1] != frames[2]);
    QCOMPARE(playerPort.log.last(), "B");
}

void PlayerTest::signalDarkensAndEnds_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void PlayerTest::signalDarkensAndEnds() {
    QFETCH(int, signal);
    Child child;
    startProbe(child, dir_.path(), file_);
    QVERIFY(child.process.waitForStarted());
    // Running the refresh loop: more than start-up's writes and a few passes.
    QTRY_VERIFY_WITH_TIMEOUT((child.out += child.process.readAllStandardOutput()).size() > 4000,
                             5000);
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ::kill(static_cast<pid_t>(child.process.processId()), signal);
    QVERIFY(child.process.waitForFinished(5000));
    const qint64 ms = sinceSignal.elapsed();
    child.out += child.process.readAllStandardOutput();
    QCOMPARE(child.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.process.exitCode(), 0);
    QVERIFY(child.out.size() % 2 == 0);
    const QByteArray tail = child.out.right(8);
    for (std::size_t i = 0; i < NulregWrites.size(); ++i) {
        const auto [reg, value] = NulregWrites[i];
        QCOMPARE(tail[qsizetype(2 * i)], char(reg == PortWrite::Register::Data ? 0 : 1));
        QCOMPARE(std::uint8_t(tail[qsizetype(2 * i + 1)]), value);
    }
    qInfo("signal to exit: %lld ms", ms);
}

void PlayerTest::secondPlayerIsRefused() {
    Child first, second;
    startProbe(first, dir_.path(), file_);
    QTRY_VERIFY_WITH_TIMEOUT(first.process.bytesAvailable() > 1000, 5000);
    startProbe(second, dir_.path(), file_);
    QVERIFY(second.process.waitForFinished(5000));
    QCOMPARE(second.process.exitCode(), 1);
    QVERIFY(second.process.readAllStandardError().contains("another quentaro"));
    first.process.terminate();
    QVERIFY(first.process.waitForFinished(5000));
    QCOMPARE(first.process.exitCode(), 0);
}

void PlayerTest::signalBeforeTheStartDarkensAndEnds() {
    PlayerHere player;
    std::raise(SIGTERM);
    QCOMPARE(player.run(file_), 0);
    QCOMPARE(player.port.log.last(), "B");
    QCOMPARE(player.port.log.filter(QRegularExpression("^F")), QStringList());
}

// One good animation of one frame and two missing ones: each tick is a cycle.
void PlayerTest::eachSkippedEntryIsToldOnce() {
    std::ofstream(dir_.filePath("one.led").toStdString())
        << LedFormat::write(std::vector<std::uint8_t>(256, 1));
    std::ofstream(dir_.filePath("gaps.pat").toStdString()) << "one\ngone1\ngone2\n\n";
    PlayerHere player;
    // The first frame, then one a tick.
    player.port.afterFrame = [&clock = player.clock](int frames) {
        if (frames == 1 + 3)
            clock.advance(std::chrono::seconds(61));
        if (frames == 1 + 5)
            std::raise(SIGTERM);
    };
    QCOMPARE(player.run(dir_.filePath("gaps.pat")), 0);
    QCOMPARE(player.errors, QStringList({"gone1.led: cannot be played, skipped",
                                         "gone2.led: cannot be played, skipped",
                                         "2 entries of the playlist are still skipped"}));
}

void PlayerTest::outputThatCannotBeOpenedEndsThePlayer_data() {
    QTest::addColumn<QString>("port");
    QTest::newRow("a missing device") << dir_.filePath("parport-absent");
    QTest::newRow("/dev/null") << "/dev/null";
    QTest::newRow("a regular file") << file_;
    QTest::newRow("a tty without bridge:") << "/dev/ptmx";
#ifdef QUENTARO_HAVE_BRIDGE
    QTest::newRow("bridge: on a regular file") << "bridge:" + file_;
#endif
}

// Refused in one line that names it; the player ends by itself.
void PlayerTest::outputThatCannotBeOpenedEndsThePlayer() {
    QFETCH(QString, port);
    Child child;
    startProgram(child, dir_.path(), {"--play", file_, "--port", port});
    QVERIFY(child.process.waitForFinished(10000));
    const QString said = child.process.readAllStandardError();
    QCOMPARE(child.process.exitCode(), 1);
    QCOMPARE(said.count('\n'), 1);
    QVERIFY2(said.contains(port.mid(port.indexOf('/'))), qPrintable(said));
}

void PlayerTest::onScreenMatrixNeedsAGraphicalSession_data() {
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("in a graphical session") << true << 0 << "passes/s, lowest";
    QTest::newRow("without one") << false << 1 << "needs a graphical session";
}

// On the on-screen matrix the window's board is multiplexed, its rate told,
// until Ctrl+C ends the player as on any output; without a display it says why.
void PlayerTest::onScreenMatrixNeedsAGraphicalSession() {
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QString, said);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    if (display)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("XDG_CONFIG_HOME", dir_.path());
    QProcess player;
    player.setProcessEnvironment(env);
    player.start(QUENTARO_PROGRAM, {"--play", file_, "--port", "sim", "--show-refresh"});
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += player.readAllStandardError()).contains(said.toUtf8()) ||
                                 player.state() == QProcess::NotRunning,
                             10000);
    if (player.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(player.processId()), SIGINT);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), QProcess::NotRunning, 5000);
    err += player.readAllStandardError();
    QVERIFY2(err.contains(said.toUtf8()), err.constData());
    QCOMPARE(player.exitCode(), status);
}

// A panel that takes at most 4 frames a second: the first image waits behind
// the dark of the start, and still stays its whole hold time, as the next does.
void PlayerTest::firstImageHeldItsFullTimeOnANetworkPanel() {
#ifdef QUENTARO_HAVE_NETWORK
    QUdpSocket panel; // the time each different picture arrives
    QVERIFY(panel.bind(QHostAddress::LocalHost, 0));
    QElapsedTimer clock;
    clock.start();
    QList<qint64> at;
    QByteArray shown;
    connect(&panel, &QUdpSocket::readyRead, [&] {
        while (panel.hasPendingDatagrams()) {
            const QByteArray picture = panel.receiveDatagram().data().mid(10); // past the header
            if (picture != std::exchange(shown, picture))
                at << clock.elapsed();
        }
    });
    QTemporaryDir home;
    std::string text = "QUENTARO-ANIMATION 1\nspeed-ms 301\nlevels 16\nframes 3\n";
    for (int image = 1; image <= 3; ++image) { // image n lights the top n rows
        text += "frame 400\n";
        for (int row = 0; row < 16; ++row)
            text += std::string(16, row < image ? 'f' : '0') + "\n";
    }
    std::ofstream(home.filePath("held.qanim").toStdString()) << text;
    Child child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path()); // where --max-fps is kept
    child.process.setProcessEnvironment(env);
    child.process.start(QUENTARO_PROGRAM,
                        {"--play", home.filePath("held.qanim"), "--port",
                         QStringLiteral("ddp:127.0.0.1:%1").arg(panel.localPort()), "--max-fps",
                         "4"});
    QTRY_VERIFY_WITH_TIMEOUT(at.size() >= 4, 5000); // the dark, then images 1, 2 and 3
    child.process.terminate();
    QVERIFY(child.process.waitForFinished(5000));
    QVERIFY2(
        at[2] - at[1] >= 390 && at[3] - at[2] >= 390,
        qPrintable(QStringLiteral("images at %1, %2, %3 ms").arg(at[1]).arg(at[2]).arg(at[3])));
#else
    QSKIP("skipped: this build has no network panels");
#endif
}

QTEST_GUILESS_MAIN(PlayerTest)
#include "test_player.moc"
