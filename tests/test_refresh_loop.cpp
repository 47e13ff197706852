// "LPT on" on the editor: what goes out on the port and what the matrix at the
// far end shows, with handlers running nested in the loop.
#include "port/MatrixDecoder.h"
#include "support/FakeServices.h"

#include "files/LedFormat.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <optional>

using W = PortWrite;

namespace {

const std::vector<PortWrite> Nulreg{W::control(2), W::data(0), W::control(1), W::data(0)};

std::vector<PortWrite> rowWrites(std::uint8_t low, std::uint8_t high) {
    std::vector<PortWrite> w = Nulreg;
    w.insert(w.end(), {W::control(251), W::control(3), W::data(low), W::control(2), W::control(3),
                       W::data(high), W::control(1), W::control(3), W::data(0)});
    return w;
}

// The rows (low | high << 8, in the order sent) of the pass starting at `at`, or
// nothing when the writes there are not a whole pass.
std::optional<QList<int>> passAt(const std::vector<PortWrite>& w, std::size_t at) {
    if (at + 212 > w.size() || !std::equal(Nulreg.begin(), Nulreg.end(), w.begin() + at))
        return std::nullopt;
    QList<int> rows;
    for (std::size_t row = at + 4; row < at + 212; row += 13) {
        const std::vector<PortWrite> got(w.begin() + row, w.begin() + row + 13);
        if (got != rowWrites(got[6].value, got[9].value))
            return std::nullopt;
        rows.append(got[6].value | got[9].value << 8);
    }
    return rows;
}

// Runs "LPT on"; `hook` sees each write the click causes, counted from 1. The
// loop is turned off after 100000 writes whatever the hook does.
std::vector<PortWrite> runLoop(EditorFixture& f, const std::function<void(std::size_t)>& hook) {
    const std::size_t start = f.port.count();
    f.port.setAfterWrite([&](std::size_t n) {
        if (n - start <= 100000)
            hook(n - start);
        else if (f->outputModes().lptOn())
            f->Command19_Click();
    });
    f->Command19_Click();
    f.port.setAfterWrite({});
    return {f.port.writes().begin() + static_cast<std::ptrdiff_t>(start), f.port.writes().end()};
}

// Runs `fn` at the next event processing, unless `context` is gone by then.
void post(QObject& context, std::function<void()> fn) {
    QMetaObject::invokeMethod(&context, std::move(fn), Qt::QueuedConnection);
}

MatrixDecoder decode(const EditorFixture& f, std::size_t upTo = SIZE_MAX) {
    MatrixDecoder board;
    const auto& w = f.port.writes();
    for (std::size_t i = 0; i < std::min(upTo, w.size()); ++i)
        board.feed(w[i]);
    return board;
}

// Whether "LPT on" shows the picture and tooltip of the mode being on or off.
bool buttonShows(const EditorFixture& f, bool on) {
    return f.panel().picture(Control::LptButton) == (on ? Store::Image8 : Store::Image9) &&
           f.panel().tooltip(Control::LptButton) == (on ? "LPT off" : "LPT on");
}

// Three frames: dark, all lit, and only the top-left LED; frame `current` shown.
void threeFrames(EditorFixture& f, int current) {
    f->Command25_Click();
    f->Command25_Click();
    std::fill(f->animation().bytes().begin() + 256, f->animation().bytes().begin() + 512, 1);
    f->animation().bytes()[512] = 1;
    f->animation().setCurrentImage(current);
    f->Chitmat();
}

} // namespace

class RefreshLoopTest : public QObject {
    Q_OBJECT
private slots:
    void offEndsThePassUnderWay_data();
    void offEndsThePassUnderWay();
    void passCarriesTheFrame_data();
    void passCarriesTheFrame();
    void frameChangesGoOutFromTheNextRow();
    void closingInTheLoopEndsWithNulreg();
    void nestedEditsReachTheMatrixWithinAPass_data();
    void nestedEditsReachTheMatrixWithinAPass();
    void twoClicksInOneYieldNestALoop();
};

void RefreshLoopTest::offEndsThePassUnderWay_data() {
    QTest::addColumn<bool>("posted");
    QTest::addColumn<int>("passes");
    // A click made during pass 0 is handled at the top of pass 1; one handled in the
    // middle of pass 0 (which the loop itself never does) ends with pass 0.
    QTest::newRow("click waiting for the top of a pass") << true << 2;
    QTest::newRow("click in the middle of a pass") << false << 1;
}

void RefreshLoopTest::offEndsThePassUnderWay() {
    QFETCH(bool, posted);
    QFETCH(int, passes);
    EditorFixture f;
    QObject context;
    QVERIFY(buttonShows(f, false));
    bool onDuringLoop = false, offAfterClick = false;
    std::size_t clickedAt = 0, returnedAt = 0;
    const auto w = runLoop(f, [&](std::size_t n) {
        if (n != 100)
            return;
        onDuringLoop = buttonShows(f, true) && f->outputModes().lptOn();
        const auto click = [&] {
            clickedAt = f.port.count();
            f->Command19_Click();
            returnedAt = f.port.count();
            offAfterClick = buttonShows(f, false) && !f->outputModes().lptOn();
        };
        if (posted)
            post(context, click);
        else
            click();
    });
    QVERIFY(onDuringLoop && offAfterClick);
    QVERIFY(clickedAt != 0);
    QCOMPARE(returnedAt, clickedAt);
    QCOMPARE(w.size(), std::size_t(212 * passes + 4));
    // The pass's Nulreg and the first row's own come before the first row clock.
    std::vector<PortWrite> twoNulregs = Nulreg;
    twoNulregs.insert(twoNulregs.end(), Nulreg.begin(), Nulreg.end());
    QCOMPARE(std::vector(w.begin(), w.begin() + 8), twoNulregs);
    QCOMPARE(w[8], W::control(251));
    for (int p = 0; p < passes; ++p)
        QVERIFY(passAt(w, 212 * std::size_t(p)));
    QCOMPARE(std::vector(w.end() - 4, w.end()), Nulreg);
    QVERIFY(buttonShows(f, false));
}

void RefreshLoopTest::passCarriesTheFrame_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QList<int>>("rows"); // in the order sent: bottom row first
    QByteArray corners(256, 0);
    for (int led : {0, 15, 240, 255})
        corners[led] = 1;
    QList<int> cornerRows(16, 0);
    cornerRows.first() = cornerRows.last() = 0x8001;
    QTest::newRow("corners") << corners << cornerRows;
    QTest::newRow("all lit") << QByteArray(256, 1) << QList<int>(16, 0xFFFF);
    // Over bytes that are not 1 and so dark.
    QByteArray diagonal(256, 2);
    for (int led = 0; led < 256; led += 3)
        diagonal[led] = char(255);
    QList<int> diagonalRows;
    for (int row = 15; row >= 0; --row) {
        diagonal[row * 17] = 1;
        diagonalRows.append(1 << row);
    }
    QTest::newRow("diagonal") << diagonal << diagonalRows;
}

void RefreshLoopTest::passCarriesTheFrame() {
    QFETCH(QByteArray, frame);
    QFETCH(QList<int>, rows);
    EditorFixture f;
    f->animation().replaceStore(Animation::Store(frame.begin(), frame.end()));
    f->Chitmat();
    const auto w = runLoop(f, [&](std::size_t n) {
        if (n == 1)
            f->Command19_Click();
    });
    QCOMPARE(w.size(), std::size_t(216));
    QCOMPARE(passAt(w, 0), std::optional(rows));
    QCOMPARE(decode(f).picture(), f.board());
}

void RefreshLoopTest::frameChangesGoOutFromTheNextRow() {
    EditorFixture f;
    QObject context;
    threeFrames(f, 1);
    bool ticked = false;
    const auto w = runLoop(f, [&](std::size_t n) {
        if (n == 100) // in pass 0: the tick runs at the top of pass 1
            post(context, [&] {
                f->Timer2_Timer();
                ticked = true;
            });
        if (ticked && n == 212 + 4 + 4 + 13 * 6) { // between rows 5 and 6 of pass 1
            f->Command23_Click();
            f->Command19_Click();
        }
    });
    QCOMPARE(passAt(w, 0), std::optional(QList<int>(16, 0)));
    // The tick's own Nulreg falls between the passes.
    QCOMPARE(std::vector(w.begin() + 212, w.begin() + 216), Nulreg);
    QList<int> secondPass(16, 0);
    std::fill(secondPass.begin(), secondPass.begin() + 6, 0xFFFF);
    secondPass.last() = 0x0001;
    QCOMPARE(passAt(w, 216), std::optional(secondPass));
    QCOMPARE(w.size(), std::size_t(216 + 212 + 4));
    QCOMPARE(f->animation().currentImage(), 3);
}

void RefreshLoopTest::closingInTheLoopEndsWithNulreg() {
    EditorFixture f;
    QObject context;
    f->animation().replaceStore(Animation::Store(256, 1));
    std::size_t closedAt = 0;
    const auto w = runLoop(f, [&](std::size_t n) {
        if (n == 300)
            post(context, [&] {
                closedAt = f.port.count();
                f->close();
            });
    });
    QVERIFY(closedAt != 0);
    QCOMPARE(decode(f).latched(), std::uint16_t(0)); // the matrix is dark
    // Closed while pass 1 ran, handled at its end.
    QCOMPARE(w.size(), std::size_t(2 * 212 + 4));
    QCOMPARE(f.port.count(), closedAt + 4);
    QCOMPARE(std::vector(w.end() - 4, w.end()), Nulreg);
    QVERIFY(f->hasEnded());
    QCOMPARE(f.programEnds, 1);
    QCOMPARE(f->outputModes().lptOn(), false);
}

void RefreshLoopTest::nestedEditsReachTheMatrixWithinAPass_data() {
    QTest::addColumn<QString>("command");
    for (const char* command : {"mouse release", "delete", "load", "new"})
        QTest::newRow(command) << command;
}

void RefreshLoopTest::nestedEditsReachTheMatrixWithinAPass() {
    QFETCH(QString, command);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("one.led"));
    std::vector<std::uint8_t> loaded(256, 0);
    loaded[17] = 1;
    std::ofstream(path.toStdString(), std::ios::binary) << LedFormat::write(loaded);

    // The last of three frames is shown; all but the edit shrink the store under
    // the loop, between two rows.
    EditorFixture f;
    threeFrames(f, 3);
    f.dialog.answer(path);
    const auto before = f.board();
    std::size_t doneAt = 0;
    runLoop(f, [&](std::size_t n) {
        if (n == 4 + 13 * 8) {
            if (command == "mouse release") {
                // Cell 250 is in the bottom row, which this pass has sent already.
                f->Image3_MouseMove(1, 0, 10 * 240 + 120, 15 * 240 + 120);
                f->Image3_MouseUp(1, 0, 10 * 240 + 120, 15 * 240 + 120);
            } else if (command == "delete") {
                f->Command26_Click();
            } else if (command == "load") {
                f->Command17_Click();
            } else {
                f->Command18_Click();
            }
            doneAt = f.port.count();
        }
        if (doneAt != 0 && f.port.count() == doneAt + 212)
            f->Command19_Click();
    });
    QVERIFY(doneAt != 0);
    QVERIFY(f.board() != before);
    QCOMPARE(f.board(), f.frame(f->animation().currentImage()));
    QCOMPARE(decode(f, doneAt + 212).picture(), f.board());
}

void RefreshLoopTest::twoClicksInOneYieldNestALoop() {
    EditorFixture f;
    QObject context;
    std::size_t firstClick = SIZE_MAX, secondClick = SIZE_MAX;
    const auto w = runLoop(f, [&](std::size_t n) {
        if (n == 100) {
            post(context, [&] {
                const std::size_t before = f.port.count();
                f->Command19_Click();
                firstClick = f.port.count() - before;
            });
            post(context, [&] {
                const std::size_t before = f.port.count();
                f->Command19_Click();
                secondClick = f.port.count() - before;
            });
        }
        if (n == 300) // in the nested loop's first pass
            f->Command19_Click();
    });
    QCOMPARE(firstClick, std::size_t(0));
    QCOMPARE(secondClick, std::size_t(212 + 4));
    // Outer pass, nested pass and Nulreg, the outer loop's last pass and Nulreg.
    QCOMPARE(w.size(), std::size_t(212 + 216 + 216));
    for (std::size_t at : {0, 212, 428})
        QVERIFY(passAt(w, at));
    QCOMPARE(std::vector(w.begin() + 424, w.begin() + 428), Nulreg);
    QCOMPARE(std::vector(w.end() - 4, w.end()), Nulreg);
    QCOMPARE(f->outputModes().lptOn(), false);
    QVERIFY(buttonShows(f, false));
}

QTEST_GUILESS_MAIN(RefreshLoopTest)
#include "test_refresh_loop.moc"
