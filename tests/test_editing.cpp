// Drawing on the board and the whole-frame operations, through the real window.
#include "support/FakeServices.h"

#include "ui/IconStore.h"
#include "ui/MouseSurface.h"

#include <QToolButton>
#include <QtTest>

using namespace FrameTransforms;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::vector<PortWrite> NulregWrites{PortWrite::control(2), PortWrite::data(0),
                                          PortWrite::control(1), PortWrite::data(0)};
const Bytes Dark(256, 0), Lit(256, 1);

// Three frames of unrelated pictures, the second one current and on the board.
void threeFrames(FormFixture& f) {
    f->State.ImageCount = 3;
    f->State.CurrentImage = 2;
    f->State.Frames.resize(768);
    std::uint32_t x = 7;
    for (auto& b : f->State.Frames)
        b = static_cast<std::uint8_t>(((x = x * 1103515245u + 12345u) >> 16) & 1);
    f->Chitmat();
}

Bytes transformed(Frame (*transform)(const Frame&), const Bytes& bytes) {
    Frame frame{};
    std::copy(bytes.begin(), bytes.end(), frame.begin());
    const Frame out = transform(frame);
    return {out.begin(), out.end()};
}

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
private slots:
    void releaseTogglesTheCellLastPointedAt();
    void hitTestAndRefusal();
    void operationsRewriteOnlyTheCurrentFrame();
    void setAllFollowsItsClicksNotThePicture();
    void clipboardOutlivesFramesAndFiles();
    void blankedBoardEditsTheStoredFrameAndStaysDark();
};

void EditingTest::releaseTogglesTheCellLastPointedAt() {
    FormFixture f;
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QWindow* w = f->windowHandle();
    // Points of the surface in pixels, given in the window's coordinates.
    auto at = [&](int x, int y) { return f->Image3->mapTo(f.form.get(), QPoint(x, y)); };
    auto cell = [&](int c) { return at(c % 16 * 16 + 8, c / 16 * 16 + 8); };
    f->State.ImageCount = 3;
    f->State.CurrentImage = 3;
    f->State.Frames.assign(768, 0);
    f.port.clear();

    // Any button, with any modifiers, toggles the cell on the board and in frame 3.
    int clicks = 0;
    for (const auto& [button, modifiers] :
         {std::pair{Qt::LeftButton, Qt::KeyboardModifiers()},
          std::pair{Qt::RightButton, Qt::KeyboardModifiers(Qt::ShiftModifier)},
          std::pair{Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier}}) {
        QTest::mouseClick(w, button, modifiers, cell(17));
        QCOMPARE(f->State.Frames[529], std::uint8_t(++clicks % 2));
        QCOMPARE(f->isCellShown(17), clicks % 2 == 1);
    }
    Bytes expected(768, 0);
    expected[529] = 1;
    QCOMPARE(f->State.Frames, expected);

    // Press on cell 3 and release elsewhere, with the button held all the way: only
    // the release cell toggles; beyond the right edge is column 15 of that row,
    // beyond the top-left corner cell 0.
    for (const auto& [release, toggled] :
         {std::pair{cell(20), 20}, std::pair{at(300, 40), 47}, std::pair{at(-20, -20), 0}}) {
        QTest::mousePress(w, Qt::LeftButton, {}, cell(3));
        QTest::mouseMove(w, cell(4));
        QTest::mouseMove(w, release);
        QTest::mouseRelease(w, Qt::LeftButton, {}, release);
        expected[static_cast<std::size_t>(512 + toggled)] = 1;
        QCOMPARE(f->State.Frames, expected);
    }
    // Each released button toggles once.
    QTest::mousePress(w, Qt::LeftButton, {}, cell(50));
    QTest::mousePress(w, Qt::RightButton, {}, cell(50));
    QTest::mouseRelease(w, Qt::RightButton, {}, cell(50));
    QVERIFY(f->isCellShown(50));
    QTest::mouseRelease(w, Qt::LeftButton, {}, cell(50));
    QCOMPARE(f->State.Frames, expected);
    QCOMPARE(f.port.count(), std::size_t(0));
}

void EditingTest::hitTestAndRefusal() {
    FormFixture f;
    f->Image3_MouseUp(1, 0, 3000, 3000); // no movement yet: cell 0, wherever the release
    QCOMPARE(f.frame(1)[0], std::uint8_t(1));
    const struct {
        float x, y;
        int cell;
    } cases[] = {{3850, 3850, 255}, {3840, 0, 15}, {3839, 3839, 255}, {-5, -5, 0},
                 {239, 240, 16},    {240, 239, 1}, {1e6f, 480, 47},   {-100, 1e6f, 240}};
    for (const auto& c : cases) {
        f->Image3_MouseMove(0, 0, c.x, c.y);
        QCOMPARE(f->State.MouseCell, c.cell);
    }

    const Bytes drawn = f.frame(1);
    f->Command33_Click(); // Start
    f->Image3_MouseMove(0, 0, 300, 300);
    f->Image3_MouseUp(1, 0, 0, 0);
    QCOMPARE(f->State.MouseCell, 17);
    f->Command33_Click(); // Stop
    f->Command27_Click(); // Matrix off
    f->Image3_MouseUp(1, 0, 0, 0);
    QCOMPARE(f.board(), Dark);
    QCOMPARE(f.frame(1), drawn);
    f->Command27_Click(); // Matrix on
    f->Image3_MouseUp(1, 0, 0, 0);
    QCOMPARE(f.frame(1)[17], std::uint8_t(1));
}

void EditingTest::operationsRewriteOnlyTheCurrentFrame() {
    FormFixture f;
    const std::pair<QToolButton*, Frame (*)(const Frame&)> operations[] = {
        {f->Command15, rotateRight},    {f->Command13, rotateLeft}, {f->Command5, mirrorLeftRight},
        {f->Command7, mirrorTopBottom}, {f->Command10, invert},     {f->Command6, shiftUp},
        {f->Command14, shiftDown},      {f->Command9, shiftLeft},   {f->Command11, shiftRight}};
    for (const auto& [button, transform] : operations) {
        threeFrames(f);
        Bytes expected = f->State.Frames;
        const Bytes second = transformed(transform, f.frame(2));
        std::copy(second.begin(), second.end(), expected.begin() + 256);
        f.port.clear();
        button->click();
        const QByteArray name = button->toolTip().toUtf8();
        QVERIFY2(f->State.Frames == expected, name);
        QVERIFY2(f.board() == second, name);
        QVERIFY2(f.port.writes() == NulregWrites, name);
    }
}

void EditingTest::setAllFollowsItsClicksNotThePicture() {
    FormFixture f;
    threeFrames(f);
    f.port.clear();
    f->Command12->click();
    QCOMPARE(f.frame(2), Lit);
    QCOMPARE(f.board(), Lit);
    QCOMPARE(f->Command12->toolTip(), QStringLiteral("Clear all"));
    QCOMPARE(f->Command12->icon().cacheKey(), f->Image5->icon().cacheKey());
    f->Command10->click(); // Invert darkens all but leaves the button as it is
    QCOMPARE(f->Command12->toolTip(), QStringLiteral("Clear all"));
    f->Command12->click();
    QCOMPARE(f.frame(2), Dark);
    QCOMPARE(f->Command12->toolTip(), QStringLiteral("Set all"));
    QCOMPARE(f->Command12->icon().cacheKey(), f->Image4->icon().cacheKey());
    f->Command12->click();
    QCOMPARE(f.frame(2), Lit);
    QCOMPARE(f.port.count(), 4 * NulregWrites.size());
}

void EditingTest::clipboardOutlivesFramesAndFiles() {
    FormFixture f;
    threeFrames(f);
    f.port.clear();
    f->Command16->click(); // Paste before any Copy
    QCOMPARE(f.frame(2), Dark);
    QCOMPARE(f.board(), Dark);
    f->Command21_Click(); // first frame
    const Bytes picture = f.frame(1);
    f->Command8->click();
    f->Image3_MouseUp(1, 0, 0, 0); // a later drawing is not in the clipboard
    f->Command16->click();
    QCOMPARE(f.frame(1), picture);
    f->Command24_Click(); // last frame
    f->Command16->click();
    f->Command16->click();
    QCOMPARE(f.frame(3), picture);
    QCOMPARE(f.board(), picture);
    QCOMPARE(f.port.count(), std::size_t(0));
    f->Command18_Click(); // New file
    f->Command16->click();
    QCOMPARE(f.frame(1), picture);
}

void EditingTest::blankedBoardEditsTheStoredFrameAndStaysDark() {
    FormFixture f;
    threeFrames(f);
    const Bytes first = f.frame(1), third = f.frame(3);
    auto othersUnchanged = [&] { return f.frame(1) == first && f.frame(3) == third; };
    const Bytes turned = transformed(rotateRight, f.frame(2));
    f->Command27_Click(); // Matrix off
    f.port.clear();
    f->Command15->click();
    QCOMPARE(f.frame(2), turned);
    QVERIFY(othersUnchanged());
    QCOMPARE(f.board(), Dark);
    QCOMPARE(f.port.writes(), NulregWrites);
    f->Command8->click(); // the stored frame, not the dark board
    f->Command12->click();
    QCOMPARE(f.frame(2), Lit);
    f->Command16->click();
    QCOMPARE(f.frame(2), turned);
    QCOMPARE(f.board(), Dark);
    QCOMPARE(f.port.count(), 2 * NulregWrites.size());

    // Moving between frames redraws the board; the next operation darkens it again.
    f->Command21_Click();
    f->Command23_Click();
    QCOMPARE(f.board(), turned);
    f->Command6->click();
    QCOMPARE(f.frame(2), transformed(shiftUp, turned));
    QCOMPARE(f.board(), Dark);
    QVERIFY(othersUnchanged());
    f->Command27_Click(); // Matrix on
    QCOMPARE(f.board(), f.frame(2));
}

QTEST_MAIN(EditingTest)
#include "test_editing.moc"
