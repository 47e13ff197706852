// The keyboard in the window: every button's key works exactly while the button
// is shown, undo and redo, and drawing on the board with the cursor keys.
#include "support/FakeServices.h"

#include "ui/Form1.h"
#include "ui/Keyboard.h"
#include "ui/MouseSurface.h"

#include <QAccessible>
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

namespace {

struct Window {
    RecordingPort port;
    FakeDialog dialog;
    FakeClock clock;
    FakeInstanceCheck instance;
    Form1 form{{port, dialog, clock, instance, [] {}}};
    Window() {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    Editor& editor() { return form.editor(); }
};

// What a button's handler changes that can be seen from outside.
QString observe(Window& w) {
    const Editor& e = w.editor();
    const Animation& s = e.animation();
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
        .arg(s.currentImage())
        .arg(s.imageCount())
        .arg(e.playback().intervalMs())
        .arg(int(e.playback().playing()))
        .arg(int(e.outputModes().matrixOff()))
        .arg(w.dialog.requests.size())
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(s.frames().data()),
                                            qsizetype(s.frames().size()))
                                     .toHex()))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(s.clipFrame().data()),
                                            qsizetype(s.clipFrame().size()))
                                     .toHex()));
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void everyButtonHasAKey();
    void keyWorksOnlyWhileItsButtonIsShown_data();
    void keyWorksOnlyWhileItsButtonIsShown();
    void undoAndRedoKeys();
    void drawingFromTheKeyboard();
    void spaceAfterAClickOnTheBoard_data();
    void spaceAfterAClickOnTheBoard();
    void exportAndImportRestWhilePlaying();
    void keyTableScrollsOnASmallScreen();
    void buttonsCarryTheirTooltipAsAccessibleName();
};

void KeyboardTest::everyButtonHasAKey() {
    QSet<Control> withKey;
    QSet<QString> keys;
    for (const Keyboard::ButtonKeys& b : Keyboard::buttonKeys()) {
        withKey.insert(b.control);
        for (const QKeySequence& k : b.keys) {
            QVERIFY2(!keys.contains(k.toString()), qPrintable(k.toString()));
            keys.insert(k.toString());
        }
    }
    QCOMPARE(withKey.size(), ButtonCount);
}

void KeyboardTest::keyWorksOnlyWhileItsButtonIsShown_data() {
    QTest::addColumn<int>("button");
    for (const Keyboard::ButtonKeys& b : Keyboard::buttonKeys())
        if (b.control != Control::LptButton) // "LPT on" runs until pressed again
            QTest::newRow(entryOf(b.control).tooltip) << int(b.control);
}

void KeyboardTest::keyWorksOnlyWhileItsButtonIsShown() {
    QFETCH(int, button);
    const auto control = Control(button);
    const Keyboard::ButtonKeys* keys = nullptr;
    for (const Keyboard::ButtonKeys& b : Keyboard::buttonKeys())
        if (b.control == control)
            keys = &b;
    QVERIFY(keys);
    Window w;
    // Two frames, the second shown, a lit LED and something on the clipboard:
    // every button then has something to change.
    w.editor().click(Control::AddImage);
    w.editor().click(Control::NextImage);
    w.editor().mouseMove(0, 0, 130, 130);
    w.editor().mouseUp(1, 0, 130, 130);
    w.editor().animation().setClipFrame(FrameTransforms::filled(true));
    w.form.render();
    const QKeySequence key = keys->keys.first();
    const bool shown = w.editor().panel().isShown(control);
    const QString before = observe(w);
    QTest::keySequence(&w.form, key);
    if (shown)
        QVERIFY2(observe(w) != before, "the key did nothing while its button was shown");
    else
        QCOMPARE(observe(w), before);

    // Playing hides every editing button: their keys then do nothing.
    if (control == Control::StartStop || control == Control::MatrixButton ||
        control == Control::Slideshow || control == Control::MinSpeed ||
        control == Control::ReduceSpeed || control == Control::EnlargeSpeed ||
        control == Control::MaxSpeed)
        return;
    Window playing;
    playing.editor().click(Control::AddImage);
    playing.editor().click(Control::StartStop);
    QVERIFY(!playing.editor().panel().isShown(control));
    QVERIFY(!playing.form.keyAction(control)->isEnabled());
    const QString whilePlaying = observe(playing);
    QTest::keySequence(&playing.form, key);
    QCOMPARE(observe(playing), whilePlaying);
}

void KeyboardTest::undoAndRedoKeys() {
    Window w;
    QTest::keySequence(&w.form, QKeySequence(Qt::Key_I)); // invert
    QCOMPARE(w.editor().panel().shownCount(), 256);
    QTest::keySequence(&w.form, QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(w.editor().panel().shownCount(), 0);
    QTest::keySequence(&w.form, QKeySequence(Qt::CTRL | Qt::Key_Y));
    QCOMPARE(w.editor().panel().shownCount(), 256);
    QTest::keySequence(&w.form, QKeySequence(Qt::CTRL | Qt::Key_Z));
    QTest::keySequence(&w.form, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QCOMPARE(w.editor().panel().shownCount(), 256);
}

void KeyboardTest::drawingFromTheKeyboard() {
    Window w;
    w.form.Image3->setFocus();
    QVERIFY(w.form.Image3->hasFocus());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w.form.Image3, Qt::Key_Right);
    QTest::keyClick(w.form.Image3, Qt::Key_Down);
    QTest::keyClick(w.form.Image3, Qt::Key_Left);
    QTest::keyClick(w.form.Image3, Qt::Key_Up);
    QTest::keyClick(w.form.Image3, Qt::Key_Up); // stays in the top row
    QCOMPARE(w.form.Image3->cursorCell(), 2);
    QTest::keyClick(w.form.Image3, Qt::Key_Space); // the board's, not Start
    QCOMPARE(w.editor().playback().playing(), false);
    QVERIFY(w.editor().panel().isCellShown(2));
    QCOMPARE(w.editor().animation().frames()[2], std::uint8_t(1));
    // The LED under the cursor, numbered as the board's labels: the top row is 16.
    QAccessibleInterface* cursor =
        QAccessible::queryAccessibleInterface(w.form.Image3)->focusChild();
    QCOMPARE(cursor->text(QAccessible::Name), QStringLiteral("Row 16, column 3"));
    QVERIFY(cursor->state().checked);
    QTest::keyClick(w.form.Image3, Qt::Key_Return);
    QVERIFY(!w.editor().panel().isCellShown(2));

    // Refused while playing, as a click on the LED is.
    w.editor().click(Control::StartStop);
    QTest::keyClick(w.form.Image3, Qt::Key_Enter);
    QVERIFY(!w.editor().panel().isCellShown(2));
    QCOMPARE(w.editor().animation().frames()[2], std::uint8_t(0));
}

void KeyboardTest::spaceAfterAClickOnTheBoard_data() {
    QTest::addColumn<bool>("playing");
    QTest::addColumn<bool>("litAfterClick");
    QTest::newRow("editing: Space toggles the LED clicked again") << false << true;
    QTest::newRow("playing: Space stops, the click was refused") << true << false;
}

void KeyboardTest::spaceAfterAClickOnTheBoard() {
    QFETCH(bool, playing);
    QFETCH(bool, litAfterClick);
    Window w;
    w.editor().click(Control::AddImage);
    if (playing)
        w.editor().click(Control::StartStop);
    const QPoint led37(5 * 16 + 8, 2 * 16 + 8);
    QTest::mouseMove(w.form.Image3, led37);
    QTest::mouseClick(w.form.Image3, Qt::LeftButton, {}, led37);
    QCOMPARE(w.editor().panel().isCellShown(37), litAfterClick);
    QCOMPARE(QApplication::focusWidget(), w.form.Image3);
    QCOMPARE(w.form.Image3->cursorCell(), 37);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(w.editor().playback().playing(), false);
    QVERIFY(!w.editor().panel().isCellShown(37));
    QVERIFY(!w.editor().panel().isCellShown(0));
    QCOMPARE(w.editor().animation().frames()[37], std::uint8_t(0));
}

void KeyboardTest::exportAndImportRestWhilePlaying() {
    Window w;
    QVERIFY(w.form.sharingMenu()->isEnabled());
    for (QAction* action : w.form.sharingMenu()->actions())
        QVERIFY(action->isEnabled() && !action->shortcut().isEmpty());
    w.editor().click(Control::StartStop);
    QVERIFY(!w.form.sharingMenu()->isEnabled());
    for (QAction* action : w.form.sharingMenu()->actions())
        QVERIFY(!action->isEnabled());
    w.editor().click(Control::StartStop);
    QVERIFY(w.form.sharingMenu()->actions().first()->isEnabled());
}

// F1's table is taller than 768 pixels: it scrolls in a dialog that fits, with
// every key in it, and Esc closes it.
void KeyboardTest::keyTableScrollsOnASmallScreen() {
    Window w;
    QString rows;
    int height = 0, scroll = 0;
    bool closed = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        height = dialog->frameGeometry().height();
        if (auto* table = dialog->findChild<QTextBrowser*>()) {
            rows = table->toPlainText();
            scroll = table->verticalScrollBar()->maximum();
        }
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        closed = !dialog->isVisible();
        dialog->reject(); // should Esc fail, the test goes on
    });
    QTest::keyClick(&w.form, Qt::Key_F1);
    QVERIFY2(height <= 700, qPrintable(QString::number(height)));
    QVERIFY(scroll > 0);
    for (const Keyboard::ButtonKeys& b : Keyboard::buttonKeys())
        QVERIFY2(rows.contains(QString::fromUtf8(b.what)), b.what);
    QVERIFY(rows.contains("This help"));
    QVERIFY(closed);
}

void KeyboardTest::buttonsCarryTheirTooltipAsAccessibleName() {
    Window w;
    w.editor().click(Control::SetOrClearAll);
    w.form.render();
    for (const ButtonEntry& entry : Buttons)
        QCOMPARE(w.form.button(entry.control)->accessibleName(),
                 w.editor().panel().tooltip(entry.control));
    QCOMPARE(w.form.button(Control::SetOrClearAll)->accessibleName(), QStringLiteral("Clear all"));
}

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
