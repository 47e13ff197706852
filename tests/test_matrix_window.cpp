// The "sim" window against the writes of a refresh that shows grey levels by
// binary code modulation: bit planes of a ramp, each pass holding its rows for
// the plane's weight, on a clock the test moves.
#include "files/LedFormat.h"
#include "port/PortSequences.h"
#include "ui/MatrixWindow.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>

namespace {

using Levels = std::array<std::uint8_t, 256>;

// Every level in every row and column, turned one column further a row down.
Levels rampLevels() {
    Levels levels{};
    for (std::size_t cell = 0; cell < levels.size(); ++cell)
        levels[cell] = std::uint8_t((cell % 16 + cell / 16) % 16);
    return levels;
}

PortSequences::RowBytes planeRow(const Levels& levels, int screenRow, int plane) {
    PortSequences::RowBytes row;
    for (int bit = 0; bit < 8; ++bit) {
        const auto at = [&](int column) {
            return (levels[std::size_t(screenRow * 16 + column)] >> plane) & 1;
        };
        row.low = std::uint8_t(row.low | at(bit) << bit);
        row.high = std::uint8_t(row.high | at(8 + bit) << bit);
    }
    return row;
}

} // namespace

class MatrixWindowTest : public QObject {
    Q_OBJECT
private slots:
    void levelsShowAsShades_data();
    void levelsShowAsShades();
    void playerShowsTheMatrix_data();
    void playerShowsTheMatrix();
};

void MatrixWindowTest::levelsShowAsShades_data() {
    QTest::addColumn<int>("unitUs"); // the lit time of plane 0
    QTest::addColumn<int>("cycles");
    QTest::newRow("187 cycles a second") << 22 << 4;
    QTest::newRow("slow, one cycle a window") << 500 << 1;
}

void MatrixWindowTest::levelsShowAsShades() {
    QFETCH(int, unitUs);
    QFETCH(int, cycles);
    LitTime::Clock::time_point now{std::chrono::seconds(1)};
    MatrixWindow window(nullptr, [&now] { return now; });
    const auto wait = [&now](std::chrono::microseconds d) { now += d; };
    int counter = 0;
    PortSequences::startup(
        window, [&](float s) { wait(std::chrono::microseconds(int(s * 1e6f))); }, counter);
    window.refresh(); // the start-up is not counted

    const Levels levels = rampLevels();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        for (int plane = 0; plane < 4; ++plane) {
            PortSequences::nulreg(window);
            for (int row = 0; row < 16; ++row)
                PortSequences::sendRow(window, planeRow(levels, 15 - row, plane), [&](float) {
                    wait(std::chrono::microseconds(unitUs << plane));
                });
        }
    }
    window.refresh();

    const QImage shown = window.grab().toImage();
    std::array<QColor, 16> shade;
    for (std::size_t cell = 0; cell < 256; ++cell) {
        const int level = levels[cell];
        QVERIFY2(std::abs(window.brightness()[cell] - level / 15.0f) < 0.01f,
                 qPrintable(QStringLiteral("LED %1 at level %2 shows %3")
                                .arg(cell)
                                .arg(level)
                                .arg(window.brightness()[cell])));
        const QPoint centre(8 + int(cell % 16) * 18 + 9, 8 + int(cell / 16) * 18 + 9);
        const QColor colour = shown.pixelColor(centre);
        if (cell < 16)
            shade[std::size_t(level)] = colour;
        QCOMPARE(colour, shade[std::size_t(level)]); // the same shade for the same level
    }
    QCOMPARE(shade[0], MatrixWindow::ledColour(0));
    QCOMPARE(shade[15], MatrixWindow::ledColour(1));
    // What the screen gives off, as the LED would: light in proportion to the level.
    const auto light = [](const QColor& c) {
        const auto linear = [](int v) {
            const double x = v / 255.0;
            return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
    };
    const double dark = light(shade[0]), span = light(shade[15]) - dark;
    for (std::size_t level = 1; level < 15; ++level) {
        const double share = (light(shade[level]) - dark) / span;
        QVERIFY2(
            std::abs(share - level / 15.0) < 0.02,
            qPrintable(QStringLiteral("level %1 gives %2 of the light").arg(level).arg(share)));
    }
    for (std::size_t level = 1; level < 16; ++level)
        QVERIFY2(qGray(shade[level].rgb()) > qGray(shade[level - 1].rgb()),
                 qPrintable(
                     QStringLiteral("level %1 is no brighter than %2").arg(level).arg(level - 1)));
}

void MatrixWindowTest::playerShowsTheMatrix_data() {
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("in a graphical session") << true << 0 << "passes/s, lowest";
    QTest::newRow("without one") << false << 1 << "needs a graphical session";
}

// The player on the on-screen matrix: the window's board is multiplexed, its
// rate told, until Ctrl+C ends the player as on any output; without a display
// it says why. Closing the window tells the player, as Ctrl+C does.
void MatrixWindowTest::playerShowsTheMatrix() {
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString file = dir.filePath("one.led");
    std::ofstream(file.toStdString(), std::ios::binary)
        << LedFormat::write(std::vector<std::uint8_t>(256, 1));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    if (display)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess player;
    player.setProcessEnvironment(env);
    player.start(QUENTARO_PROGRAM, {"--play", file, "--port", "sim", "--show-refresh"});
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
    if (!display)
        return;
    MatrixWindow window;
    QSignalSpy closed(&window, &MatrixWindow::closed);
    window.show();
    window.close();
    QCOMPARE(closed.size(), 1);
}

QTEST_MAIN(MatrixWindowTest)
#include "test_matrix_window.moc"
