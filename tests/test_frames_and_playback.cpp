// Moving through, adding and deleting frames, the buttons offered around playback,
// the animation tick, the speed buttons and blanking the board, on the editor.
#include "support/FakeServices.h"

#include <QtTest>

namespace {

// One letter of `names` per control, '-' where the panel hides it.
QString shown(const Panel& panel, const QList<Control>& controls, QString names) {
    for (int i = 0; i < controls.size(); ++i)
        if (!panel.isShown(controls[i]))
            names[i] = '-';
    return names;
}
// First, Previous, Next, Last, Add and Delete image.
const QList<Control> NavControls{Control::FirstImage, Control::PreviousImage, Control::NextImage,
                                 Control::LastImage,  Control::AddImage,      Control::DeleteImage};
QString nav(const EditorFixture& f) {
    return shown(f.panel(), NavControls, "FPNLAD");
}
// The step time, Label1 and Min, Reduce, Enlarge and Max speed.
QString speed(EditorFixture& f) {
    return QString::number(f->playback().intervalMs()) + " '" + f.panel().label1 + "' " +
           shown(
               f.panel(),
               {Control::MinSpeed, Control::ReduceSpeed, Control::EnlargeSpeed, Control::MaxSpeed},
               "1234");
}

// A toggle button's tooltip, flagged when its picture is not the one of `store`.
QString looks(const EditorFixture& f, Control control, Picture store) {
    const bool same = f.panel().picture(control) == store;
    return f.panel().tooltip(control) + (same ? "" : " (other icon)");
}

// Label2 and the navigation buttons, flagged when the board is not the current frame.
QString position(EditorFixture& f) {
    const bool onBoard = f.board() == f.frame(f->animation().currentImage());
    return f.panel().label2 + ' ' + nav(f) + (onBoard ? "" : " (board differs)");
}

// `count` frames, frame n with its first n cells lit, frame `current` shown.
void makeFrames(EditorFixture& f, int count, int current) {
    f->animation().setImageCount(count);
    f->animation().replaceStore(Animation::Store(std::size_t(count) * 256, 0));
    for (int n = 1; n <= count; ++n)
        std::fill_n(f->animation().bytes().begin() + (n - 1) * 256, n, 1);
    f->animation().setCurrentImage(current);
    f->Chitmat();
}

const std::vector<std::uint8_t> Empty(256, 0);

} // namespace

class FramesAndPlaybackTest : public QObject {
    Q_OBJECT
private slots:
    void navigateAddAndDelete();
    void deleteRemovesTheLastFrame_data();
    void deleteRemovesTheLastFrame();
    void buttonsComeBackAfterPlayback_data();
    void buttonsComeBackAfterPlayback();
    void ticksStepWrapAndCopyTheInterval();
    void blankedBoardStaysDarkWhilePlaying();
    void speedStepsAndButtonPairs();
};

void FramesAndPlaybackTest::navigateAddAndDelete() {
    EditorFixture f;
    makeFrames(f, 1, 1);
    f->Command25_Click();
    QCOMPARE(position(f), "1/2 --NLAD");
    QCOMPARE(f.frame(2), Empty);
    f->Command23_Click();
    QCOMPARE(position(f), "2/2 FP--AD");
    f->Command22_Click();
    f->Command22_Click(); // past the first frame: stays there
    QCOMPARE(position(f), "1/2 --NLAD");
    f->Command24_Click();
    QCOMPARE(position(f), "2/2 FP--AD");
    f->Command21_Click();
    QCOMPARE(position(f), "1/2 --NLAD");
    f->Command24_Click();
    f->Command26_Click(); // from the last of two back to one frame
    QCOMPARE(position(f), "1/1 ----A-");
    f->Command33_Click(); // playing hides Add
    QCOMPARE(nav(f), "------");
    f->Command26_Click(); // the only frame stays, and Add comes back
    QCOMPARE(position(f), "1/1 ----A-");
    f->Command33_Click();
    QCOMPARE(position(f), "1/1 ----A-");
    QCOMPARE(f.panel().shownCount(), 1);

    for (int i = 0; i < 48; ++i)
        f->Command25_Click();
    QCOMPARE(position(f), "1/49 --NLAD");
    f->Command25_Click();
    QCOMPARE(position(f), "1/50 --NL-D");
    f->Command26_Click();
    QCOMPARE(position(f), "1/49 --NLAD");

    makeFrames(f, 50, 1); // loaded with Add still shown: a press adds nothing
    f->Command25_Click();
    QCOMPARE(position(f), "1/50 --NL-D");
    QCOMPARE(f->animation().frames().size(), std::size_t(50 * 256));
    f->Command18_Click(); // New shows Add again
    makeFrames(f, 60, 1); // above 50 Add appends and is left alone
    f->Command25_Click();
    QCOMPARE(position(f), "1/61 --NLAD");
    QCOMPARE(f.frame(61), Empty);
}

void FramesAndPlaybackTest::deleteRemovesTheLastFrame_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("afterNext");
    QTest::newRow("middle") << 3 << QString("3/4 FPNLAD") << QString("4/4 FP--AD");
    QTest::newRow("becomes last") << 4 << QString("4/4 FPNLAD") << QString("4/4 FPNLAD");
    QTest::newRow("was last") << 5 << QString("4/4 FP--AD") << QString("4/4 FP--AD");
}

void FramesAndPlaybackTest::deleteRemovesTheLastFrame() {
    QFETCH(int, current);
    QFETCH(QString, after);
    QFETCH(QString, afterNext);
    EditorFixture f;
    for (int i = 0; i < 4; ++i)
        f->Command25_Click();
    makeFrames(f, 5, 1);
    for (int i = 1; i < current; ++i)
        f->Command23_Click();
    const auto before = f->animation().frames();
    f->Command26_Click();
    QCOMPARE(position(f), after);
    QCOMPARE(f->animation().frames(),
             std::vector<std::uint8_t>(before.begin(), before.begin() + 4 * 256));
    f->Aknop(); // only ever shows navigation: Next and Last left shown stay shown
    QCOMPARE(position(f), after);
    f->Command23_Click();
    QCOMPARE(position(f), afterNext);
    f->Command24_Click();
    QCOMPARE(position(f), "4/4 FP--AD");
    f->Command25_Click(); // the deleted content does not come back
    QCOMPARE(f.frame(5), Empty);
}

void FramesAndPlaybackTest::buttonsComeBackAfterPlayback_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("after");
    QTest::newRow("one frame") << 1 << 1 << QString("----A-");
    QTest::newRow("first of three") << 3 << 1 << QString("--NLAD");
    QTest::newRow("middle of three") << 3 << 2 << QString("FPNLAD");
    QTest::newRow("last of three") << 3 << 3 << QString("FP--AD");
    QTest::newRow("49 frames") << 49 << 49 << QString("FP--AD");
    QTest::newRow("50 frames") << 50 << 50 << QString("FP---D");
    QTest::newRow("above 50") << 60 << 1 << QString("--NL-D");
}

void FramesAndPlaybackTest::buttonsComeBackAfterPlayback() {
    QFETCH(int, count);
    QFETCH(int, current);
    QFETCH(QString, after);
    EditorFixture f;
    // The middle of three frames offers every button.
    f->Command25_Click();
    f->Command25_Click();
    f->Command23_Click();
    for (const ButtonEntry& entry : Buttons)
        QVERIFY2(f.panel().isShown(entry.control), entry.name);
    makeFrames(f, count, current);
    const QList<Control> kept{Control::MinSpeed, Control::ReduceSpeed, Control::EnlargeSpeed,
                              Control::MaxSpeed, Control::LptButton,   Control::MatrixButton,
                              Control::StartStop};
    f->Command33_Click();
    QCOMPARE(looks(f, Control::StartStop, Store::Image7), "Stop");
    QVERIFY(f.timer->isActive() && f.panel().timerEnabled);
    for (const ButtonEntry& entry : Buttons)
        QVERIFY2(f.panel().isShown(entry.control) == kept.contains(entry.control), entry.name);

    f->Command33_Click();
    QCOMPARE(looks(f, Control::StartStop, Store::Image6), "Start");
    QVERIFY(!f.timer->isActive() && !f.panel().timerEnabled);
    QCOMPARE(nav(f), after);
    for (const ButtonEntry& entry : Buttons)
        if (!NavControls.contains(entry.control))
            QVERIFY2(f.panel().isShown(entry.control), entry.name);
}

void FramesAndPlaybackTest::ticksStepWrapAndCopyTheInterval() {
    EditorFixture f;
    makeFrames(f, 3, 1);
    f->Command33_Click();
    f->Command33_Click();
    f->Command33_Click(); // the first tick still waits the design interval
    f->Command4_Click();
    QCOMPARE(f.timer->interval(), 1000);
    QCOMPARE(f.panel().timerInterval, 1000);
    for (int n : {2, 3, 1, 2}) {
        f.port.clear();
        f->Timer2_Timer();
        QCOMPARE(position(f), QStringLiteral("%1/3 ------").arg(n));
        QCOMPARE(f.port.writes(), (std::vector{PortWrite::control(2), PortWrite::data(0),
                                               PortWrite::control(1), PortWrite::data(0)}));
        QCOMPARE(f.timer->interval(), 40);
        QCOMPARE(f.panel().timerInterval, 40);
    }
    f->Command2_Click(); // effective once the next tick has copied it
    QCOMPARE(f.timer->interval(), 40);
    QCOMPARE(f.panel().timerInterval, 40);
    f->Timer2_Timer();
    QCOMPARE(f.timer->interval(), 48);
    QCOMPARE(f.panel().timerInterval, 48);
    QVERIFY(f.timer->isActive() && f.panel().timerEnabled);
    f->Command33_Click(); // Stop keeps the frame last shown
    QCOMPARE(position(f), "3/3 FP--AD");
    f->Command33_Click(); // a later Start keeps the copied interval
    QCOMPARE(f.timer->interval(), 48);
    QCOMPARE(f.panel().timerInterval, 48);

    makeFrames(f, 1, 1);
    f->Timer2_Timer();
    QCOMPARE(position(f), "1/1 ------");
}

void FramesAndPlaybackTest::blankedBoardStaysDarkWhilePlaying() {
    EditorFixture f;
    makeFrames(f, 3, 1);
    const auto frames = f->animation().frames();
    f->Command33_Click();
    f->Command27_Click();
    QCOMPARE(looks(f, Control::MatrixButton, Store::Image11), "Matrix on");
    for (int n : {2, 3, 1}) {
        f->Timer2_Timer();
        QCOMPARE(f.panel().label2, QStringLiteral("%1/3").arg(n));
        QCOMPARE(f.board(), Empty);
    }
    QCOMPARE(f->animation().frames(), frames);
    f->Command27_Click(); // on again: the current frame at once
    QCOMPARE(looks(f, Control::MatrixButton, Store::Image10), "Matrix off");
    QCOMPARE(f.board(), f.frame(1));

    f->Command27_Click();
    f->Timer2_Timer();
    f->Command33_Click(); // Stop while blanked shows the frame again
    QCOMPARE(f->outputModes().matrixOff(), false);
    QCOMPARE(looks(f, Control::MatrixButton, Store::Image10), "Matrix off");
    QCOMPARE(f.board(), f.frame(2));

    f->Command27_Click();
    f->Command23_Click(); // navigation redraws even while blanked
    QCOMPARE(f.board(), f.frame(3));
    f->Command33_Click(); // and Start hides the cells again
    QCOMPARE(f.board(), Empty);
    QCOMPARE(f->working().Cell, 256);
}

void FramesAndPlaybackTest::speedStepsAndButtonPairs() {
    EditorFixture f;
    for (int i = 0; i < 10; ++i)
        f->click(Control::EnlargeSpeed);
    QCOMPARE(speed(f), "48 ' 20.8 Hz' 1234");
    f->click(Control::EnlargeSpeed);
    QCOMPARE(speed(f), "40 ' 25 Hz' 12--");
    f->click(Control::MinSpeed);
    QCOMPARE(speed(f), "2672 '0,3 Hz' --34");
    f->click(Control::MaxSpeed);
    QCOMPARE(speed(f), "40 '25 Hz' 12--");

    f->playback().setIntervalMs(2238);
    f->Command2_Click(); // overshoots: Enlarge and Max are left as they were
    QCOMPARE(speed(f), "2672 ' 0.3 Hz' ----");
    f->Command3_Click();
    QCOMPARE(speed(f), "2227 ' 0.4 Hz' 12--");
    f->Command2_Click();
    QCOMPARE(speed(f), "2672 ' 0.3 Hz' --34");
    f->playback().setIntervalMs(40);
    f->Command3_Click(); // below 40: held there, no button touched
    QCOMPARE(speed(f), "40 ' 25 Hz' --34");
}

QTEST_GUILESS_MAIN(FramesAndPlaybackTest)
#include "test_frames_and_playback.moc"
