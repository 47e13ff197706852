// Drawing on the board and the whole-frame operations, on the editor.
#include "support/FakeServices.h"

#include <QtTest>

using namespace FrameTransforms;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::vector<PortWrite> NulregWrites{PortWrite::control(2), PortWrite::data(0),
                                          PortWrite::control(1), PortWrite::data(0)};
const Bytes Dark(256, 0), Lit(256, 1);

// Three frames of unrelated pictures, the second one current and on the board.
void threeFrames(EditorFixture& f) {
    f->animation().setImageCount(3);
    f->animation().setCurrentImage(2);
    f->animation().fitStoreToCount();
    std::uint32_t x = 7;
    for (auto& b : f->animation().bytes())
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
    void hitTestAndRefusal();
    void operationsRewriteOnlyTheCurrentFrame();
    void setAllFollowsItsClicksNotThePicture();
    void clipboardOutlivesFramesAndFiles();
    void blankedBoardEditsTheStoredFrameAndStaysDark();
};

void EditingTest::hitTestAndRefusal() {
    EditorFixture f;
    f->Image3_MouseUp(1, 0, 3000, 3000); // no movement yet: cell 0, wherever the release
    QCOMPARE(f.frame(1)[0], std::uint8_t(1));
    const struct {
        float x, y;
        int cell;
    } cases[] = {{3850, 3850, 255}, {3840, 0, 15}, {3839, 3839, 255}, {-5, -5, 0},
                 {239, 240, 16},    {240, 239, 1}, {1e6f, 480, 47},   {-100, 1e6f, 240}};
    for (const auto& c : cases) {
        f->Image3_MouseMove(0, 0, c.x, c.y);
        QCOMPARE(f->working().MouseCell, c.cell);
    }

    const Bytes drawn = f.frame(1);
    f->Command33_Click(); // Start
    f->Image3_MouseMove(0, 0, 300, 300);
    f->Image3_MouseUp(1, 0, 0, 0);
    QCOMPARE(f->working().MouseCell, 17);
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
    EditorFixture f;
    const std::pair<Control, Frame (*)(const Frame&)> operations[] = {
        {Control::RotateRight, rotateRight},
        {Control::RotateLeft, rotateLeft},
        {Control::VerticalFlip, mirrorLeftRight},
        {Control::HorizontalFlip, mirrorTopBottom},
        {Control::Invert, invert},
        {Control::ShiftUp, shiftUp},
        {Control::ShiftDown, shiftDown},
        {Control::ShiftLeft, shiftLeft},
        {Control::ShiftRight, shiftRight}};
    for (const auto& [button, transform] : operations) {
        threeFrames(f);
        Bytes expected = f->animation().frames();
        const Bytes second = transformed(transform, f.frame(2));
        std::copy(second.begin(), second.end(), expected.begin() + 256);
        f.port.clear();
        f->click(button);
        const char* name = entryOf(button).tooltip;
        QVERIFY2(f->animation().frames() == expected, name);
        QVERIFY2(f.board() == second, name);
        QVERIFY2(f.port.writes() == NulregWrites, name);
    }
}

void EditingTest::setAllFollowsItsClicksNotThePicture() {
    EditorFixture f;
    threeFrames(f);
    f.port.clear();
    f->click(Control::SetOrClearAll);
    QCOMPARE(f.frame(2), Lit);
    QCOMPARE(f.board(), Lit);
    QCOMPARE(f.panel().tooltip(Control::SetOrClearAll), QStringLiteral("Clear all"));
    QVERIFY(f.panel().picture(Control::SetOrClearAll) == Store::Image5);
    f->click(Control::Invert); // Invert darkens all but leaves the button as it is
    QCOMPARE(f.panel().tooltip(Control::SetOrClearAll), QStringLiteral("Clear all"));
    f->click(Control::SetOrClearAll);
    QCOMPARE(f.frame(2), Dark);
    QCOMPARE(f.panel().tooltip(Control::SetOrClearAll), QStringLiteral("Set all"));
    QVERIFY(f.panel().picture(Control::SetOrClearAll) == Store::Image4);
    f->click(Control::SetOrClearAll);
    QCOMPARE(f.frame(2), Lit);
    QCOMPARE(f.port.count(), 4 * NulregWrites.size());
}

void EditingTest::clipboardOutlivesFramesAndFiles() {
    EditorFixture f;
    threeFrames(f);
    f.port.clear();
    f->click(Control::Paste); // Paste before any Copy
    QCOMPARE(f.frame(2), Dark);
    QCOMPARE(f.board(), Dark);
    f->Command21_Click(); // first frame
    const Bytes picture = f.frame(1);
    f->click(Control::Copy);
    f->Image3_MouseUp(1, 0, 0, 0); // a later drawing is not in the clipboard
    f->click(Control::Paste);
    QCOMPARE(f.frame(1), picture);
    f->Command24_Click(); // last frame
    f->click(Control::Paste);
    f->click(Control::Paste);
    QCOMPARE(f.frame(3), picture);
    QCOMPARE(f.board(), picture);
    QCOMPARE(f.port.count(), std::size_t(0));
    f->Command18_Click(); // New file
    f->click(Control::Paste);
    QCOMPARE(f.frame(1), picture);
}

void EditingTest::blankedBoardEditsTheStoredFrameAndStaysDark() {
    EditorFixture f;
    threeFrames(f);
    const Bytes first = f.frame(1), third = f.frame(3);
    auto othersUnchanged = [&] { return f.frame(1) == first && f.frame(3) == third; };
    const Bytes turned = transformed(rotateRight, f.frame(2));
    f->Command27_Click(); // Matrix off
    f.port.clear();
    f->click(Control::RotateRight);
    QCOMPARE(f.frame(2), turned);
    QVERIFY(othersUnchanged());
    QCOMPARE(f.board(), Dark);
    QCOMPARE(f.port.writes(), NulregWrites);
    f->click(Control::Copy); // the stored frame, not the dark board
    f->click(Control::SetOrClearAll);
    QCOMPARE(f.frame(2), Lit);
    f->click(Control::Paste);
    QCOMPARE(f.frame(2), turned);
    QCOMPARE(f.board(), Dark);
    QCOMPARE(f.port.count(), 2 * NulregWrites.size());

    // Moving between frames redraws the board; the next operation darkens it again.
    f->Command21_Click();
    f->Command23_Click();
    QCOMPARE(f.board(), turned);
    f->click(Control::ShiftUp);
    QCOMPARE(f.frame(2), transformed(shiftUp, turned));
    QCOMPARE(f.board(), Dark);
    QVERIFY(othersUnchanged());
    f->Command27_Click(); // Matrix on
    QCOMPARE(f.board(), f.frame(2));
}

QTEST_GUILESS_MAIN(EditingTest)
#include "test_editing.moc"
