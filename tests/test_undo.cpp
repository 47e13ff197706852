// Undo and redo of every kind of change, as the user makes them: through clicks
// and the mouse on the editor.
#include "support/FakeServices.h"

#include "files/LedFormat.h"
#include "port/MatrixDecoder.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

namespace {

// Everything undo must bring back.
struct Snapshot {
    std::vector<std::uint8_t> frames;
    int count, current;
    QString label2, caption, buttons;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const EditorFixture& f) {
    QString buttons;
    for (Control c : {Control::FirstImage, Control::PreviousImage, Control::NextImage,
                      Control::LastImage, Control::AddImage, Control::DeleteImage})
        buttons += f.panel().isShown(c) ? '1' : '0';
    const Animation& state = f.editor->animation();
    return {state.frames(),   state.imageCount(), state.currentImage(),
            f.panel().label2, f.panel().caption,  buttons};
}

char* describe(const Snapshot& s) {
    return qstrdup(QStringLiteral("%1/%2 '%3' %4 %5 bytes")
                       .arg(s.current)
                       .arg(s.count)
                       .arg(s.caption)
                       .arg(s.buttons)
                       .arg(s.frames.size())
                       .toUtf8());
}

void toggle(EditorFixture& f, int cell) {
    const float x = float(cell % 16) * 240 + 120, y = float(cell / 16) * 240 + 120;
    f->mouseMove(0, 0, x, y);
    f->mouseUp(1, 0, x, y);
}

// Three frames, the second one shown, a few LEDs lit.
void threeFrames(EditorFixture& f) {
    f->click(Control::AddImage);
    f->click(Control::AddImage);
    f->click(Control::NextImage);
    toggle(f, 3);
    toggle(f, 40);
}

QString writeAnimation(const QTemporaryDir& dir, const QString& name, int frames) {
    std::vector<std::uint8_t> cells(std::size_t(frames) * 256, 0);
    for (int n = 0; n < frames; ++n)
        cells[std::size_t(n) * 256 + std::size_t(n)] = 1;
    const QString path = dir.filePath(name);
    std::ofstream(path.toStdString(), std::ios::binary) << LedFormat::write(cells);
    return path;
}

} // namespace

namespace QTest {
template <> char* toString(const Snapshot& s) {
    return describe(s);
}
} // namespace QTest

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void undoAndRedoEachChange_data();
    void undoAndRedoEachChange();
    void undoShowsTheFrameThatChanged();
    void aSequence();
    void newChangeDropsRedo();
    void acrossSaveNewAndLoad();
    void nothingWhilePlaying();
    void historyKeepsTheLastThousandSteps();
    void historyStaysWithinItsMemoryBudget_data();
    void historyStaysWithinItsMemoryBudget();
    void undoneFrameReachesTheMatrix();
    void frameStripAndDrawing_data();
    void frameStripAndDrawing();
};

void UndoTest::undoAndRedoEachChange_data() {
    QTest::addColumn<int>("change");
    for (Control c :
         {Control::VerticalFlip, Control::ShiftUp, Control::HorizontalFlip, Control::ShiftLeft,
          Control::Invert, Control::ShiftRight, Control::SetOrClearAll, Control::RotateLeft,
          Control::ShiftDown, Control::RotateRight, Control::Paste, Control::AddImage,
          Control::DeleteImage, Control::NewFile})
        QTest::newRow(entryOf(c).tooltip) << int(c);
    QTest::newRow("toggle") << -1;
}

void UndoTest::undoAndRedoEachChange() {
    QFETCH(int, change);
    EditorFixture f;
    threeFrames(f);
    f->animation().setClipFrame(FrameTransforms::filled(true)); // paste changes the frame
    const Snapshot before = snapshot(f);
    const std::size_t steps = f->history().undoCount();
    if (change < 0)
        toggle(f, 77);
    else
        f->click(Control(change));
    const Snapshot after = snapshot(f);
    QVERIFY(after != before);
    QCOMPARE(f->history().undoCount(), steps + 1);
    f->undo();
    QCOMPARE(snapshot(f), before);
    QCOMPARE(f.board(), f.frame(f->animation().currentImage()));
    f->redo();
    QCOMPARE(snapshot(f), after);
}

void UndoTest::undoShowsTheFrameThatChanged() {
    EditorFixture f;
    threeFrames(f);
    f->click(Control::Invert);    // invert frame 2
    f->click(Control::LastImage); // on to frame 3
    QCOMPARE(f.panel().label2, QStringLiteral("3/3"));
    f->undo();
    QCOMPARE(f.panel().label2, QStringLiteral("2/3"));
    QCOMPARE(snapshot(f).buttons, QStringLiteral("111111"));
    QCOMPARE(f.board(), f.frame(2));
}

void UndoTest::aSequence() {
    EditorFixture f;
    const Snapshot start = snapshot(f);
    toggle(f, 0);
    const Snapshot toggled = snapshot(f);
    f->click(Control::Invert);
    const Snapshot inverted = snapshot(f);
    f->click(Control::AddImage);
    f->undo();
    f->undo();
    f->undo();
    QCOMPARE(snapshot(f), start);
    f->redo();
    f->redo();
    QCOMPARE(snapshot(f), inverted);
    f->undo();
    QCOMPARE(snapshot(f), toggled);
}

void UndoTest::newChangeDropsRedo() {
    EditorFixture f;
    toggle(f, 1);
    f->undo();
    QVERIFY(f->history().canRedo());
    toggle(f, 2);
    QVERIFY(!f->history().canRedo());
    f->redo(); // nothing to redo
    QVERIFY(f.panel().isCellShown(2) && !f.panel().isCellShown(1));
}

void UndoTest::acrossSaveNewAndLoad() {
    QTemporaryDir dir;
    const QString a = writeAnimation(dir, "a.led", 4), b = writeAnimation(dir, "b.led", 2);
    EditorFixture f;
    f.dialog.answer(a);
    f->click(Control::LoadFile);
    const Snapshot loadedA = snapshot(f);
    toggle(f, 200);
    const Snapshot edited = snapshot(f);
    f.dialog.answer(dir.filePath("saved.led"));
    f->click(Control::SaveFile); // saving is no step and keeps the history
    const Snapshot saved = snapshot(f);
    QCOMPARE(f->history().undoCount(), std::size_t(2));
    f.dialog.answer(b);
    f->click(Control::LoadFile);
    QCOMPARE(f.panel().caption, "QUENTARO - " + b);
    f->click(Control::NewFile);
    QCOMPARE(f.panel().caption, QStringLiteral("QUENTARO - NEW"));
    f->undo(); // New
    QCOMPARE(f.panel().caption, "QUENTARO - " + b);
    f->undo(); // Load of b: the saved animation is back
    QCOMPARE(snapshot(f), saved);
    f->undo(); // the toggle; the caption keeps the name saved under
    Snapshot expected = loadedA;
    expected.caption = saved.caption;
    QCOMPARE(snapshot(f), expected);
    f->redo();
    QCOMPARE(snapshot(f), saved);
    QCOMPARE(snapshot(f).frames, edited.frames);
    f.dialog.cancel();
    f->click(Control::LoadFile); // a cancelled Load is no step
    QCOMPARE(f->history().undoCount(), std::size_t(2));
}

void UndoTest::nothingWhilePlaying() {
    EditorFixture f;
    threeFrames(f);
    f->click(Control::StartStop);
    const Snapshot playing = snapshot(f);
    f->undo();
    f->redo();
    QCOMPARE(snapshot(f), playing);
    QVERIFY(f->history().canUndo());
    f->click(Control::StartStop);
    f->undo();
    QVERIFY(!f.panel().isCellShown(40));
}

void UndoTest::historyKeepsTheLastThousandSteps() {
    EditorFixture f;
    for (int i = 0; i < 1005; ++i)
        toggle(f, i % 256);
    QCOMPARE(f->history().undoCount(), History::Capacity);
    for (std::size_t i = 0; i < History::Capacity; ++i)
        f->undo();
    // The first five toggles are beyond the history and stay.
    std::vector<std::uint8_t> firstFive(256, 0);
    std::fill_n(firstFive.begin(), 5, 1);
    QCOMPARE(f.frame(1), firstFive);
}

void UndoTest::historyStaysWithinItsMemoryBudget_data() {
    QTest::addColumn<std::size_t>("budget");
    QTest::addColumn<int>("loads");
    QTest::addColumn<int>("kept");
    constexpr std::size_t mb = 1 << 20;
    QTest::newRow("all fit") << 10 * mb << 5 << 5;
    QTest::newRow("oldest dropped") << 10 * mb << 30 << 9;
    QTest::newRow("a step above the budget stays alone") << mb / 2 << 3 << 1;
}

// Each load keeps the replaced store of a megabyte.
void UndoTest::historyStaysWithinItsMemoryBudget() {
    QFETCH(std::size_t, budget);
    QFETCH(int, loads);
    QFETCH(int, kept);
    History history(budget);
    for (int i = 0; i < loads; ++i) {
        history.push(
            {FrameCommands::storeReplaced(Animation::Store(1 << 20, std::uint8_t(i))), {}});
    }
    QCOMPARE(history.undoCount(), std::size_t(kept));
    QVERIFY(kept == 1 || history.heldBytes() <= budget);
    // The newest steps stay, the newest last.
    for (int i = loads - 1; i >= loads - kept; --i) {
        Animation animation;
        history.takeUndo().command->undo(animation);
        QCOMPARE(animation.frames().front(), std::uint8_t(i));
    }
    QCOMPARE(history.heldBytes(), std::size_t(0));
}

void UndoTest::undoneFrameReachesTheMatrix() {
    EditorFixture f;
    f->click(Control::Invert); // all lit
    QObject context;
    std::size_t undoneAt = 0;
    const std::size_t start = f.port.count();
    f.port.setAfterWrite([&](std::size_t n) {
        if (n - start == 300) // in the first pass: handled at the top of the next
            QMetaObject::invokeMethod(
                &context,
                [&] {
                    f->undo();
                    undoneAt = f.port.count();
                },
                Qt::QueuedConnection);
        if (undoneAt != 0 && n == undoneAt + 212 && f->outputModes().lptOn())
            f->click(Control::LptButton);
    });
    f->click(Control::LptButton);
    f.port.setAfterWrite({});
    QVERIFY(undoneAt != 0);
    MatrixDecoder board;
    for (std::size_t i = 0; i < undoneAt + 212; ++i)
        board.feed(f.port.writes()[i]);
    QCOMPARE(board.picture(), std::vector<std::uint8_t>(256, 0));
    QCOMPARE(f.board(), std::vector<std::uint8_t>(256, 0));
}

// Frames 1 to 4, frame n with LED n lit, frame 2 shown; an order lists each
// frame by its lit LED, "-" for a dark one.
using Op = std::function<QString(Editor&)>;
Q_DECLARE_METATYPE(Op)

QString order(EditorFixture& f) {
    QString text;
    for (int image = 1; image <= f->animation().imageCount(); ++image) {
        const FrameStore::Frame frame = f->animation().frame(image);
        const auto lit = std::find(frame.begin(), frame.end(), FrameStore::Lit);
        text += lit == frame.end() ? QStringLiteral("-") : QString::number(lit - frame.begin());
    }
    return text + QStringLiteral(" @%1").arg(f->animation().currentImage());
}

void UndoTest::frameStripAndDrawing_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("after"); // empty when refused
    FrameStore::Frame seven{};
    seven[7] = FrameStore::Lit;
    const FrameStore::Frame dark{};
    QTest::newRow("draw") << Op([=](Editor& e) { return e.drawFrame(seven); }) << "1734 @2";
    QTest::newRow("duplicate") << Op([](Editor& e) { return e.duplicateFrame(2); }) << "12234 @3";
    QTest::newRow("insert empty first")
        << Op([=](Editor& e) { return e.insertFrames(1, std::span(&dark, 1)); }) << "-1234 @1";
    QTest::newRow("insert at the end")
        << Op([=](Editor& e) { return e.insertFrames(5, std::span(&seven, 1)); }) << "12347 @5";
    QTest::newRow("delete shown") << Op([](Editor& e) {
        return e.deleteFrames({2, 3});
    }) << "14 @2";
    QTest::newRow("delete others") << Op([](Editor& e) {
        return e.deleteFrames({4, 1});
    }) << "23 @1";
    QTest::newRow("delete last ones") << Op([](Editor& e) {
        return e.deleteFrames({2, 3, 4});
    }) << "1 @1";
    QTest::newRow("move forward") << Op([](Editor& e) { return e.moveFrame(1, 4); }) << "2341 @4";
    QTest::newRow("move back") << Op([](Editor& e) { return e.moveFrame(4, 2); }) << "1423 @2";
    QTest::newRow("move several to the end") << Op([](Editor& e) {
        return e.moveFrames({3, 1}, 5);
    }) << "2413 @3";
    QTest::newRow("move several together") << Op([](Editor& e) {
        return e.moveFrames({2, 4}, 2);
    }) << "1243 @2";
    QTest::newRow("import after") << Op([=](Editor& e) {
        return e.importFrames(std::vector{seven, dark}, false);
    }) << "127-34 @3";
    QTest::newRow("refused: delete all") << Op([](Editor& e) {
        return e.deleteFrames({1, 2, 3, 4});
    }) << "";
    QTest::newRow("refused: delete none") << Op([](Editor& e) { return e.deleteFrames({}); }) << "";
    QTest::newRow("refused: delete beyond") << Op([](Editor& e) {
        return e.deleteFrames({2, 5});
    }) << "";
    QTest::newRow("refused: move beyond") << Op([](Editor& e) { return e.moveFrame(0, 2); }) << "";
    QTest::newRow("refused: move several beyond") << Op([](Editor& e) {
        return e.moveFrames({1, 5}, 2);
    }) << "";
    QTest::newRow("refused: insert beyond")
        << Op([=](Editor& e) { return e.insertFrames(6, std::span(&dark, 1)); }) << "";
    QTest::newRow("refused: duplicate beyond")
        << Op([](Editor& e) { return e.duplicateFrame(5); }) << "";
}

void UndoTest::frameStripAndDrawing() {
    QFETCH(Op, op);
    QFETCH(QString, after);
    EditorFixture f;
    std::vector<FrameStore::Frame> frames(4);
    for (std::size_t n = 0; n < 4; ++n)
        frames[n][n + 1] = FrameStore::Lit;
    QCOMPARE(f->importFrames(frames, true), QString());
    f->goToImage(2);
    const Snapshot before = snapshot(f);
    const std::size_t steps = f->history().undoCount();
    const QString refusal = op(*f);
    if (after.isEmpty()) {
        QVERIFY(!refusal.isEmpty());
        QCOMPARE(snapshot(f), before);
        QCOMPARE(f->history().undoCount(), steps);
        return;
    }
    QCOMPARE(refusal, QString());
    QCOMPARE(order(f), after);
    QCOMPARE(f.board(), f.frame(f->animation().currentImage()));
    const Snapshot changed = snapshot(f);
    f->undo();
    QCOMPARE(snapshot(f), before);
    QCOMPARE(f.board(), f.frame(2));
    f->redo();
    QCOMPARE(snapshot(f), changed);
}

QTEST_GUILESS_MAIN(UndoTest)
#include "test_undo.moc"
