// The "sim" window against the writes of a refresh that shows grey levels by
// binary code modulation: bit planes of a ramp, each pass holding its rows for
// the plane's weight, on a clock the test moves.
#include "port/PortSequences.h"
#include "ui/MatrixWindow.h"

#include <QSignalSpy>
#include <QtTest>
#include <array>
#include <chrono>
#include <cmath>

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
    void closingTheWindowIsSaid();
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

// Closing the window tells the player, as Ctrl+C does.
void MatrixWindowTest::closingTheWindowIsSaid() {
    MatrixWindow window;
    QSignalSpy closed(&window, &MatrixWindow::closed);
    window.show();
    window.close();
    QCOMPARE(closed.size(), 1);
}

QTEST_MAIN(MatrixWindowTest)
#include "test_matrix_window.moc"
