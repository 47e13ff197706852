// The on-screen matrix's brightness: how long each LED was lit, decoded from the
// write stream of the refresh loop as the board would see it.
#include "port/LitTime.h"
#include "port/PortSequences.h"
#include "port/RecordingPort.h"
#include "port/RefreshPass.h"

#include <QtTest>

namespace {

using namespace std::chrono_literals;

// Feeds the writes of `passes` refresh passes of `frame`, each write taking 1 us
// and each row held 40 us, then `idle` with nothing written.
std::array<float, 256> brightnessAfter(const std::vector<std::uint8_t>& frame, int passes,
                                       LitTime::Clock::duration idle) {
    RecordingPort port;
    int counter = 0;
    PortSequences::startup(
        port, [](float) {}, counter);
    LitTime lit;
    auto now = LitTime::Clock::time_point{} + 1s;
    for (const PortWrite& w : port.writes())
        lit.feed(w, now += 1us);
    lit.takeBrightness(now);
    for (int pass = 0; pass < passes; ++pass) {
        port.clear();
        const int image = 1;
        RefreshPass::run(port, frame, image, [](float) {});
        // The row hold falls before each row's last write.
        for (std::size_t i = 0; i < port.writes().size(); ++i) {
            const bool lastOfRow = i >= 4 && (i - 4) % PortSequences::WritesPerRow == 12;
            lit.feed(port.writes()[i], now += lastOfRow ? 40us : 1us);
        }
        now += idle;
    }
    return lit.takeBrightness(now);
}

} // namespace

class LitTimeTest : public QObject {
    Q_OBJECT
private slots:
    void litLedsAreBrightAndDarkOnesDark_data();
    void litLedsAreBrightAndDarkOnesDark();
};

void LitTimeTest::litLedsAreBrightAndDarkOnesDark_data() {
    QTest::addColumn<QByteArray>("frame");
    QByteArray checker(256, 0), corner(256, 0);
    for (int i = 0; i < 256; ++i)
        checker[i] = char((i + i / 16) % 2);
    corner[0] = 1;
    corner[255] = 1;
    QTest::newRow("checkerboard") << checker;
    QTest::newRow("two corners") << corner;
    QTest::newRow("all lit") << QByteArray(256, 1);
    QTest::newRow("dark") << QByteArray(256, 0);
}

void LitTimeTest::litLedsAreBrightAndDarkOnesDark() {
    QFETCH(QByteArray, frame);
    const std::vector<std::uint8_t> cells(frame.begin(), frame.end());
    const auto brightness = brightnessAfter(cells, 50, 0us);
    for (int cell = 0; cell < 256; ++cell) {
        if (cells[std::size_t(cell)] == 1)
            QVERIFY2(brightness[std::size_t(cell)] > 0.6f, qPrintable(QString::number(cell)));
        else
            QVERIFY2(brightness[std::size_t(cell)] == 0.0f, qPrintable(QString::number(cell)));
    }
}

QTEST_APPLESS_MAIN(LitTimeTest)
#include "test_lit_time.moc"
