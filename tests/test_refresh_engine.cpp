// The refresh on its own thread: whole passes whatever is asked meanwhile, and
// the rate and its limit, on a clock that moves only when the engine waits.
#include "port/LitTime.h"
#include "port/MatrixDecoder.h"
#include "port/RecordingPort.h"
#include "port/RefreshEngine.h"

#include <QtTest>
#include <future>
#include <map>

using W = PortWrite;
using namespace std::chrono_literals;

namespace {

// Every wait ends at its deadline at once; the thread uses the CPU but while
// it sleeps.
class InstantTiming final : public RefreshTiming {
public:
    Clock::Duration now() override { return now_; }
    void waitUntil(Clock::Duration deadline) override {
        const Clock::Duration start = now_;
        wait(deadline);
        slept_ += now_ - start;
    }
    void spinUntil(Clock::Duration deadline) override {
        spins.push_back(deadline - now_);
        wait(deadline);
    }
    Clock::Duration threadCpu() override { return now_ - slept_; }
    void advance(Clock::Duration by) { now_ += by; }
    std::vector<Clock::Duration> waits, spins;
    std::map<std::size_t, Clock::Duration> stalls; // by the number of the wait
    // An interrupt every so often that stops the wait it falls in.
    Clock::Duration tickEvery{}, tickStall{};

private:
    void wait(Clock::Duration deadline) {
        Clock::Duration stall = stalls[waits.size()];
        waits.push_back(deadline - now_);
        const Clock::Duration end = std::max(now_, deadline);
        if (tickEvery > Clock::Duration{} && end / tickEvery != now_ / tickEvery)
            stall += tickStall;
        now_ = end + stall;
    }

    Clock::Duration now_{}, slept_{};
};

const std::vector<W> Nulreg{W::control(2), W::data(0), W::control(1), W::data(0)};

std::vector<W> rowWrites(std::uint8_t low, std::uint8_t high) {
    std::vector<W> w = Nulreg;
    w.insert(w.end(), {W::control(251), W::control(3), W::data(low), W::control(2), W::control(3),
                       W::data(high), W::control(1), W::control(3), W::data(0)});
    return w;
}

// The writes as 'P' for a whole pass and 'N' for a Nulreg, '?' for anything
// else; `rows` gets the rows of the first pass, bottom first, low | high << 8.
QString layout(const std::vector<W>& w, QList<int>& rows) {
    QString text;
    for (std::size_t at = 0; at < w.size();) {
        const bool nulreg = at + 4 <= w.size() && std::equal(Nulreg.begin(), Nulreg.end(),
                                                             w.begin() + std::ptrdiff_t(at));
        QList<int> pass;
        for (std::size_t row = at + 4; nulreg && row + 13 <= w.size() && pass.size() < 16;
             row += 13) {
            const std::vector<W> got(w.begin() + std::ptrdiff_t(row),
                                     w.begin() + std::ptrdiff_t(row + 13));
            if (got != rowWrites(got[6].value, got[9].value))
                break;
            pass.append(got[6].value | got[9].value << 8);
        }
        if (pass.size() == 16 && text.isEmpty())
            rows = pass;
        text += pass.size() == 16 ? 'P' : nulreg ? 'N' : '?';
        at += pass.size() == 16 ? 212 : nulreg ? 4 : 1;
    }
    return text;
}

// Runs the engine on its thread with the action `actionAfter` gives for each
// write (d: Nulreg, s: off, f: an all-lit frame, g: a grey ramp, column k at
// level k, 4: four bit planes from then on, x: Nulreg and the close, as the
// program ends; 0 for none) until it is closed. Each write
// takes `writeCost` on the clock; `seen` is shown each write at its time.
using Seen = std::function<void(const W&, Clock::Duration)>;
std::vector<W> run(RefreshEngine::Options options,
                   const std::function<char(std::size_t)>& actionAfter, InstantTiming& timing,
                   MatrixOutput::Rate& rate, Clock::Duration writeCost = {},
                   const Seen& seen = {}) {
    RecordingPort port;
    options.realtime = false;
    RefreshEngine engine(port, timing, options);
    std::promise<void> off;
    port.setAfterWrite([&](std::size_t n) {
        if (seen)
            seen(port.writes().back(), timing.now());
        timing.advance(writeCost);
        const char action = actionAfter(n);
        if (action == 'd' || action == 'x')
            engine.darken();
        if (action == 'x')
            off.set_value();
        if (action == 'f') {
            MatrixOutput::Frame lit;
            lit.fill(0xFF);
            engine.show(lit);
        }
        if (action == 'g') {
            MatrixOutput::LevelFrame ramp;
            for (std::size_t led = 0; led < ramp.size(); ++led)
                ramp[led] = std::uint8_t(led % 16);
            engine.showLevels(ramp);
        }
        if (action == '4')
            engine.setGreyPlanes(4);
        if (action == 's') {
            rate = engine.rate();
            engine.stop();
            off.set_value();
        }
    });
    engine.refresh(true, [] {});
    off.get_future().wait();
    engine.close();
    return port.writes();
}

std::vector<W> run(RefreshEngine::Options options, const std::map<std::size_t, char>& actions,
                   InstantTiming& timing, MatrixOutput::Rate& rate) {
    const auto actionAfter = [&actions](std::size_t n) {
        const auto action = actions.find(n);
        return action == actions.end() ? '\0' : action->second;
    };
    return run(options, actionAfter, timing, rate);
}

// The longest any row stayed lit, and the rows' holds, over 2.5 s of an
// all-lit frame under real time with writes that each take `writeCost`.
struct SlowPortRun {
    Clock::Duration longestLit{};
    std::vector<Clock::Duration> holds;
    MatrixOutput::Rate rate;
};

SlowPortRun runAllLit(Clock::Duration writeCost) {
    RefreshEngine::Options options;
    options.paceAsRealtime = true;
    options.realtimeShare = 0.95;
    InstantTiming timing;
    SlowPortRun result;
    MatrixDecoder board;
    Clock::Duration litSince{};
    bool wasLit = false, stopped = false;
    const auto seen = [&](const W& write, Clock::Duration at) {
        board.feed(write);
        const bool lit = board.latched() != 0;
        if (wasLit)
            result.longestLit = std::max(result.longestLit, at - litSince);
        if (lit != wasLit || write == W::control(251))
            litSince = at;
        wasLit = lit;
    };
    const auto actionAfter = [&](std::size_t n) {
        if (n == 1)
            return 'f';
        if (stopped || timing.now() < 2500ms)
            return '\0';
        stopped = true;
        return 's';
    };
    run(options, actionAfter, timing, result.rate, writeCost, seen);
    result.holds = timing.spins;
    return result;
}

} // namespace

class RefreshEngineTest : public QObject {
    Q_OBJECT
private slots:
    void passesStayWhole_data();
    void passesStayWhole();
    void darkPausesSetTheRate_data();
    void darkPausesSetTheRate();
    void aStalledRowPaysItBack();
    void slowWritesAreNoStall_data();
    void slowWritesAreNoStall();
    void greyLevelsAreLitInProportion_data();
    void greyLevelsAreLitInProportion();
    void aThreadThatCannotStartLeavesTheEngineClosed();
};

void RefreshEngineTest::passesStayWhole_data() {
    QTest::addColumn<QString>("actions"); // write:action, ...
    QTest::addColumn<QString>("layout");  // a pattern
    QTest::addColumn<int>("litFromRow");  // of the first pass; 16 when none is lit
    QTest::newRow("off in the first pass") << "100:s"
                                           << "PN" << 16;
    QTest::newRow("off in the last write of a pass") << "424:s"
                                                     << "PPN" << 16;
    QTest::newRow("Nulreg in a row pause") << "103:d,600:s"
                                           << "PNPPN" << 16;
    QTest::newRow("two Nulregs in one pass") << "20:d,21:d,300:s"
                                             << "PNNPN" << 16;
    QTest::newRow("Nulreg and off in one pass") << "50:d,51:s"
                                                << "PNN" << 16;
    QTest::newRow("a new frame between rows 5 and 6") << "82:f,100:s"
                                                      << "PN" << 6;
    QTest::newRow("a new frame inside row 5") << "80:f,100:s"
                                              << "PN" << 6;
    // Passes may go on until the close is seen; the last is followed by a Nulreg.
    QTest::newRow("closed while on") << "100:x"
                                     << "PNP*N" << 16;
}

void RefreshEngineTest::passesStayWhole() {
    QFETCH(QString, actions);
    QFETCH(QString, layout);
    QFETCH(int, litFromRow);
    std::map<std::size_t, char> steps;
    for (const QString& step : actions.split(',')) {
        const QStringList parts = step.split(':');
        steps[parts[0].toULong()] = parts[1].at(0).toLatin1();
    }
    InstantTiming timing;
    MatrixOutput::Rate rate;
    QList<int> rows;
    const QString got = ::layout(run({}, steps, timing, rate), rows);
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(layout)).match(got).hasMatch(),
             qPrintable(got));
    QList<int> expected(16, 0);
    std::fill(expected.begin() + litFromRow, expected.end(), 0xFFFF);
    QCOMPARE(rows, expected);
    // Every row is held for the row pause, and nothing else is waited for.
    QVERIFY(std::all_of(timing.waits.begin(), timing.waits.end(),
                        [](auto wait) { return wait == 40us; }));
}

// A pass of 16 row pauses takes 640 µs here. After it the board waits dark
// after a Nulreg: under real time for the 5 % of the time the kernel keeps
// from real-time threads and a margin of 1 %, and for the time the brightness
// took off the rows' holds, so the rate stays; with a limit until the pass's
// time slot is over. The rate counts whole seconds of passes.
void RefreshEngineTest::darkPausesSetTheRate_data() {
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("realtime");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<double>("pauseMicroseconds");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("holdNanoseconds"); // every row's read off the clock; 0: slept
    QTest::newRow("limit 500") << 500 << false << 100 << 1360.0 << 500.0 << 0;
    QTest::newRow("real time") << 0 << true << 100 << 40.851 << 1468.75 << 40000;
    QTest::newRow("real time, limit 500") << 500 << true << 100 << 1360.0 << 500.0 << 40000;
    QTest::newRow("real time, limit above its rate")
        << 1000 << true << 100 << 360.0 << 1000.0 << 40000;
    QTest::newRow("brightness 50") << 0 << false << 50 << 320.0 << 1562.5 << 20000;
    QTest::newRow("real time, brightness 50") << 0 << true << 50 << 360.851 << 1468.75 << 20000;
    QTest::newRow("real time, brightness 5") << 0 << true << 5 << 648.851 << 1468.75 << 2000;
    QTest::newRow("real time, brightness 1 taken as 5")
        << 0 << true << 1 << 648.851 << 1468.75 << 2000;
}

void RefreshEngineTest::darkPausesSetTheRate() {
    QFETCH(int, limit);
    QFETCH(bool, realtime);
    QFETCH(int, brightness);
    QFETCH(double, pauseMicroseconds);
    QFETCH(double, rate);
    QFETCH(int, holdNanoseconds);
    RefreshEngine::Options options;
    options.limitHz = limit;
    options.paceAsRealtime = realtime;
    options.realtimeShare = 0.95;
    options.brightness = brightness;
    InstantTiming timing;
    MatrixOutput::Rate got;
    QList<int> rows;
    const std::size_t passes = 1700;
    std::vector<Clock::Duration> writtenAt;
    const auto actionAfter = [](std::size_t n) { return n == passes * 216 - 100 ? 's' : '\0'; };
    const auto seen = [&](const W&, Clock::Duration at) { writtenAt.push_back(at); };
    QCOMPARE(layout(run(options, actionAfter, timing, got, {}, seen), rows),
             QString("PN").repeated(passes) + "N");
    QVERIFY2(qAbs(got.current - rate) < rate * 1e-4, qPrintable(QString::number(got.current)));
    QVERIFY2(qAbs(got.lowest - rate) < rate * 1e-4, qPrintable(QString::number(got.lowest)));
    // From the last write of the first pass to the first of the next.
    const std::chrono::duration<double, std::micro> pause = writtenAt[216] - writtenAt[211];
    QVERIFY2(qAbs(pause.count() - pauseMicroseconds) < 0.001,
             qPrintable(QString::number(pause.count())));
    QCOMPARE(timing.spins.size(), holdNanoseconds > 0 ? passes * 16 : 0);
    QVERIFY(std::all_of(timing.spins.begin(), timing.spins.end(), [&](auto hold) {
        return hold == std::chrono::nanoseconds(holdNanoseconds);
    }));
}

// Under real time, a stop of 300 µs in the fourth row sent leaves it lit 300 µs
// past its deadline; that row pays it back, held not at all in the next two
// passes, and the others are held as always.
void RefreshEngineTest::aStalledRowPaysItBack() {
    RefreshEngine::Options options;
    options.paceAsRealtime = true;
    options.realtimeShare = 0.95;
    InstantTiming timing;
    timing.stalls[3] = 300us;
    MatrixOutput::Rate rate;
    QList<int> rows;
    QCOMPARE(layout(run(options, {{3 * 216 - 100, 's'}}, timing, rate), rows), "PNPNPNN");
    QList<qint64> held; // µs
    for (Clock::Duration hold : timing.spins)
        held.append(std::chrono::duration_cast<std::chrono::microseconds>(hold).count());
    QList<qint64> expected(3 * 16, 40);
    expected[16 + 3] = expected[32 + 3] = 0;
    QCOMPARE(held, expected);
}

// However long a write takes, every row is held for the row pause alone and
// stays lit no longer than at 1 µs a write but for its extra write time; the
// rate follows the port.
void RefreshEngineTest::slowWritesAreNoStall_data() {
    QTest::addColumn<int>("writeNanoseconds");
    QTest::addColumn<double>("rate");
    QTest::newRow("0.5 µs") << 500 << 1256.68;
    QTest::newRow("1 µs") << 1000 << 1098.13;
    QTest::newRow("2 µs") << 2000 << 876.87;
    QTest::newRow("4 µs") << 4000 << 625.00;
    QTest::newRow("8 µs") << 8000 << 396.96;
}

void RefreshEngineTest::slowWritesAreNoStall() {
    QFETCH(int, writeNanoseconds);
    QFETCH(double, rate);
    const Clock::Duration writeCost{writeNanoseconds};
    static const Clock::Duration litAt1us = runAllLit(1us).longestLit;
    const SlowPortRun got = runAllLit(writeCost);
    QVERIFY(
        std::all_of(got.holds.begin(), got.holds.end(), [](auto hold) { return hold == 40us; }));
    const Clock::Duration extraWriteTime = std::max<Clock::Duration>(writeCost - 1us, {});
    QVERIFY2(got.longestLit <= litAt1us + PortSequences::WritesPerRow * extraWriteTime,
             qPrintable(QString::number(got.longestLit.count())));
    QVERIFY2(qAbs(got.rate.lowest - rate) < 0.01, qPrintable(QString::number(got.rate.lowest)));
}

// A grey ramp under real time with 1 µs writes, for two virtual seconds: every
// plane is a pass of the specified form, the LEDs of each level are lit in
// proportion to the level shown for it (within 10 %, rising with the level;
// with 16 levels, also when chosen while a frame is shown, each level 3 %
// above the one below, with 8 levels 14 and 15 alike), even when interrupts
// stop the rows, or dimmed at the brightness's share of its light at full
// brightness (within 10 %), and the cycle of planes, as the flashes of an LED
// at level 8 (one plane) show it, runs at least 150 times a second when no
// interrupt stops it; so do the passes of an all-lit frame dimmed.
struct GreyRun {
    MatrixOutput::Rate rate;
    std::array<double, 16> byLevel{}; // brightness by level
    double flashes = 0;               // of the level 8 LED in the bottom row, a second
    bool wellFormed = false;
};

// `picture`: 'g' the grey ramp, '4' the ramp then four planes, 'f' every LED lit.
GreyRun runGreyRamp(RefreshEngine::Options options, Clock::Duration tickEvery, char picture) {
    options.paceAsRealtime = true;
    options.realtimeShare = 0.95;
    InstantTiming timing;
    timing.tickEvery = tickEvery;
    timing.tickStall = 30us;
    LitTime lit;
    MatrixDecoder board;
    const auto at = [](Clock::Duration virtualTime) {
        return LitTime::Clock::time_point{} + 1s + virtualTime;
    };
    bool stopped = false, level8Lit = false;
    int flashes = 0;
    const auto actionAfter = [&](std::size_t n) {
        if (n == 1)
            return picture == '4' ? 'g' : picture;
        if (n == 2 && picture == '4')
            return '4';
        if (stopped || timing.now() < 2100ms)
            return '\0';
        stopped = true;
        return 's';
    };
    const auto seen = [&](const W& w, Clock::Duration when) {
        lit.feed(w, at(when));
        board.feed(w);
        const bool nowLit = board.selectedScreenRow() == 15 && (board.latched() >> 8 & 1);
        flashes += nowLit && !level8Lit ? 1 : 0;
        level8Lit = nowLit;
    };
    GreyRun got;
    QList<int> rows;
    const std::vector<W> writes = run(options, actionAfter, timing, got.rate, 1us, seen);
    got.wellFormed = QRegularExpression("^(PN)+N$").match(layout(writes, rows)).hasMatch();
    got.flashes = flashes / std::chrono::duration<double>(timing.now()).count();
    const std::array<float, 256> brightness = lit.takeBrightness(at(timing.now()));
    for (std::size_t led = 0; led < brightness.size(); ++led)
        got.byLevel[led % 16] += brightness[led] / 16.0;
    return got;
}

void RefreshEngineTest::greyLevelsAreLitInProportion_data() {
    QTest::addColumn<int>("planes");
    QTest::addColumn<int>("leastHoldMicroseconds"); // 0: the engine's own
    QTest::addColumn<int>("tickEvery");   // µs between interrupts of 30 µs in a wait; 0: none
    QTest::addColumn<int>("brightness");  // percent
    QTest::addColumn<int>("leastCycles"); // a second
    QTest::addColumn<char>("picture");    // as runGreyRamp takes it
    QTest::newRow("8 levels") << 3 << 0 << 0 << 100 << 150 << 'g';
    QTest::newRow("16 levels") << 4 << 0 << 0 << 100 << 150 << 'g';
    QTest::newRow("8 levels, then 16") << 3 << 0 << 0 << 100 << 150 << '4';
    QTest::newRow("16 levels, 17 µs least hold") << 4 << 17 << 0 << 100 << 150 << 'g';
    // A row an interrupt held up pays it back: the rate stays.
    QTest::newRow("8 levels, an interrupt every 997 µs") << 3 << 0 << 997 << 100 << 150 << 'g';
    QTest::newRow("8 levels at 50 %") << 3 << 0 << 0 << 50 << 150 << 'g';
    QTest::newRow("8 levels at 20 %") << 3 << 0 << 0 << 20 << 150 << 'g';
    QTest::newRow("8 levels at 5 %") << 3 << 0 << 0 << 5 << 150 << 'g';
    QTest::newRow("16 levels at 5 %") << 4 << 0 << 0 << 5 << 150 << 'g';
    QTest::newRow("all lit at 20 %") << 3 << 0 << 0 << 20 << 150 << 'f';
    QTest::newRow("all lit at 5 %") << 3 << 0 << 0 << 5 << 150 << 'f';
}

void RefreshEngineTest::greyLevelsAreLitInProportion() {
    QFETCH(int, planes);
    QFETCH(int, leastHoldMicroseconds);
    QFETCH(int, tickEvery);
    QFETCH(int, brightness);
    QFETCH(int, leastCycles);
    QFETCH(char, picture);
    RefreshEngine::Options options;
    options.greyPlanes = planes;
    options.leastHold = std::chrono::microseconds(leastHoldMicroseconds);
    options.brightness = brightness;
    const GreyRun got = runGreyRamp(options, std::chrono::microseconds(tickEvery), picture);
    QVERIFY(got.wellFormed);
    QVERIFY2(got.flashes >= leastCycles, qPrintable(QString::number(got.flashes)));
    // Dimmed, each level against its own light at full brightness: the left
    // half of a row is lit a write longer than the right, which at 5 % is a
    // few per cent of the light.
    options.brightness = 100;
    const std::array<double, 16> full =
        brightness < 100 ? runGreyRamp(options, {}, picture).byLevel : got.byLevel;
    const bool ramp = picture != 'f';
    const int shownPlanes = picture == '4' ? 4 : planes;
    const int top = (1 << shownPlanes) - 1;
    int steps = 0;
    for (std::size_t level = 1; level < 16; ++level) {
        const double target =
            brightness < 100 ? full[level] * brightness / 100
                             : full[15] * RefreshEngine::shownLevel(int(level), shownPlanes) / top;
        const double lit = got.byLevel[level];
        const QString where = QString("level %1: %2 for %3").arg(level).arg(lit).arg(target);
        QVERIFY2(qAbs(lit - target) <= 0.1 * target, qPrintable(where));
        QVERIFY2(!ramp || lit >= got.byLevel[level - 1], qPrintable(where));
        steps += lit > got.byLevel[level - 1] * 1.03 ? 1 : 0;
    }
    QCOMPARE(got.byLevel[0] == 0.0, ramp);
    if (ramp && brightness == 100) {
        QCOMPARE(steps, shownPlanes == 4 ? 15 : 7);
        QCOMPARE(got.byLevel[15] > got.byLevel[14] * 1.03, shownPlanes == 4);
    }
}

// The system refuses the thread (EAGAIN: too many processes): the engine says
// why and sends nothing, and nothing asked of it blocks.
void RefreshEngineTest::aThreadThatCannotStartLeavesTheEngineClosed() {
    RecordingPort port;
    InstantTiming timing;
    RefreshEngine::Options options;
    options.realtime = false;
    options.startThread = [](const std::function<void()>&) -> std::thread {
        throw std::system_error(EAGAIN, std::generic_category());
    };
    RefreshEngine engine(port, timing, options);
    QCOMPARE(QString::fromStdString(engine.startFailure()),
             "cannot start the refresh thread (Resource temporarily unavailable)");
    engine.show(MatrixOutput::Frame{});
    engine.refresh(true, [] {});
    engine.darken();
    engine.stop();
    engine.close();
    QCOMPARE(port.count(), std::size_t(0));
}

QTEST_GUILESS_MAIN(RefreshEngineTest)
#include "test_refresh_engine.moc"
