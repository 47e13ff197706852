// The window as a view of the editor: its widgets follow the control table and
// the panel, clicks and mouse events reach the editor, and the board shows the
// cells; what a screen reader finds in it, and the export options dialog.
#include "support/FakeServices.h"
#include "support/ModalAnswers.h"

#include "frames/FrameTransforms.h"
#include "pictures/AnimationExport.h"
#include "pictures/BoardRendering.h"
#include "port/PanelSetup.h"
#include "ui/Artwork.h"
#include "ui/BoardView.h"
#include "ui/Form1.h"
#include "ui/FrameStrip.h"
#include "ui/IconStore.h"
#include "ui/Keyboard.h"
#include "ui/MatrixLevelsChoice.h"
#include "ui/MouseSurface.h"
#include "ui/Sharing.h"
#include "ui/SidePanel.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using Bytes = std::vector<std::uint8_t>;

namespace {

struct WindowFixture {
    RecordingPort port;
    FakeDialog dialog;
    FakeClock clock;
    FakeInstanceCheck instance;
    int programEnds = 0;
    std::unique_ptr<Form1> w;

    explicit WindowFixture(bool anotherInstance = false, MatrixOutput* output = nullptr) {
        QSettings().clear(); // the side panel starts closed, the onion skin off
        instance.anotherRunning = anotherInstance;
        start(output);
    }
    // A new window, as at the program's next start: the settings stay.
    void start(MatrixOutput* output) {
        w.reset();
        w = std::make_unique<Form1>(
            Form1Services{port, dialog, clock, instance, [this] { ++programEnds; }, output});
    }
    Editor& editor() { return w->editor(); }
    Bytes board() const {
        Bytes cells(256);
        for (int i = 0; i < 256; ++i)
            cells[std::size_t(i)] = w->Image1->isCellShown(i) ? 1 : 0;
        return cells;
    }
    void show() {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
};

// Where each button of the control table sits, in pixels inside its group.
using enum Group;
// clang-format off
const std::pair<Group, QRect> Places[ButtonCount] = {
    {Speed, {8, 16, 33, 25}}, {Speed, {48, 16, 25, 25}}, {Speed, {160, 16, 25, 25}},
    {Speed, {192, 16, 33, 25}}, {Image, {8, 16, 49, 25}}, {Image, {64, 16, 49, 25}},
    {Image, {120, 16, 49, 25}}, {Image, {176, 16, 49, 25}}, {Image, {8, 48, 49, 25}},
    {Image, {64, 48, 49, 25}}, {Image, {120, 48, 49, 25}}, {Image, {176, 48, 49, 25}},
    {Image, {8, 80, 49, 25}}, {Image, {64, 80, 49, 25}}, {Image, {120, 80, 49, 25}},
    {Image, {176, 80, 49, 25}}, {Animation, {8, 16, 65, 25}}, {Animation, {80, 16, 73, 25}},
    {Animation, {160, 112, 65, 25}}, {Animation, {160, 16, 65, 25}}, {Animation, {8, 48, 25, 25}},
    {Animation, {48, 48, 25, 25}}, {Animation, {160, 48, 25, 25}}, {Animation, {200, 48, 25, 25}},
    {Animation, {8, 80, 65, 25}}, {Animation, {160, 80, 65, 25}}, {Animation, {8, 112, 65, 25}},
    {Animation, {80, 112, 73, 25}}, {Animation, {80, 80, 73, 25}},
};
// clang-format on

// The brightness the window last set on the matrix.
struct BrightnessRecorder final : MatrixOutput {
    int brightness = 0;
    void show(const Frame&) override {}
    void darken() override {}
    void refresh(bool, const std::function<void()>& waitForEvents) override { waitForEvents(); }
    void stop() override {}
    void close() override {}
    void setBrightness(int percent) override { brightness = percent; }
    int greyPlanes = 0;
    void setGreyPlanes(int planes) override { greyPlanes = planes; }
};

// A frame of unrelated lit and dark cells.
Bytes scattered() {
    Bytes cells(256);
    std::uint32_t x = 7;
    for (auto& b : cells)
        b = static_cast<std::uint8_t>(((x = x * 1103515245u + 12345u) >> 16) & 1);
    return cells;
}

Bytes transformed(FrameTransforms::Frame (*transform)(const FrameTransforms::Frame&),
                  const Bytes& bytes) {
    FrameTransforms::Frame frame{};
    std::copy(bytes.begin(), bytes.end(), frame.begin());
    const FrameTransforms::Frame out = transform(frame);
    return {out.begin(), out.end()};
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void widgetsFollowTheControlTableAndThePanel();
    void formLayout();
    void clicksReachTheirHandlers();
    void loopRendersWhatNestedHandlersChange();
    void boardShowsTheCells();
    void releaseTogglesTheCellLastPointedAt();
    void secondInstanceShowsACriticalBox();
    void messageShowsAFileNameAsItIs();
    void boardIsATableOfItsLeds();
    void treeIsAFrameOfWhatAUserMeets();
    void tabGoesToTheBoardThenAlongTheWindow();
    void exportOptionsShowOnlyTheirSettings_data();
    void exportOptionsShowOnlyTheirSettings();
    void strokesStayWithTheirImage();
    void sidePanelNamesTheOutput();
    void brightnessDimsAndIsKeptPerOutput_data();
    void brightnessDimsAndIsKeptPerOutput();
    void matrixLevelsAreChosenAndKept();
    void toolsDrawWithMouseAndKeys_data();
    void toolsDrawWithMouseAndKeys();
    void greyRampDrawnInTheWindowSurvivesSaveReloadGifAndHeader();
    void boxDrawnOnTheChosenFrames();
    void mirrorAxesPlacedFromTheKeyboard();
};

void WindowTest::widgetsFollowTheControlTableAndThePanel() {
    WindowFixture f;
    Form1& w = *f.w;
    const Panel& p = f.editor().panel();
    QCOMPARE(w.group(Group::Matrix)
                     ->parentWidget()
                     ->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly)
                     .size() +
                 w.findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly).size(),
             1 + 4); // the side panel's handle and the groups
    int formButtons = 0;
    for (Group g : {Group::Matrix, Group::Speed, Group::Image, Group::Animation})
        formButtons += int(w.group(g)->findChildren<QToolButton*>().size());
    QCOMPARE(formButtons, 29);
    for (int i = 0; i < ButtonCount; ++i) {
        const Control c = Buttons[std::size_t(i)].control;
        const char* name = entryOf(c).name;
        const QToolButton* b = w.button(c);
        QVERIFY2(b->parent() == w.group(Places[i].first), name);
        QVERIFY2(b->geometry() == Places[i].second, name);
        QCOMPARE(b->objectName(), QString::fromUtf8(name));
        QVERIFY2(b->isHidden() == !p.isShown(c), name);
        QCOMPARE(b->toolTip(), p.tooltip(c));
        QVERIFY(!b->toolTip().isEmpty());
        QVERIFY2(!b->icon().isNull(), name);
        QVERIFY2(b->icon().cacheKey() == Artwork::buttonIcon(p.picture(c)).cacheKey(), name);
        QVERIFY2(b->text().isEmpty(), name);
        QCOMPARE(b->iconSize(), QSize(21, 21));
    }
    QCOMPARE(w.windowTitle(), p.caption);
    QCOMPARE(w.Label1->text(), QStringLiteral("3,3 Hz"));
    QCOMPARE(w.Label2->text(), QStringLiteral("1/1"));

    const Picture stores[] = {Store::Image4, Store::Image5, Store::Image6,  Store::Image7,
                              Store::Image8, Store::Image9, Store::Image10, Store::Image11};
    QSet<qint64> keys;
    for (std::size_t i = 0; i < w.stores.size(); ++i) {
        QVERIFY(w.stores[i]->isHidden());
        QCOMPARE(w.stores[i]->icon().cacheKey(), Artwork::buttonIcon(stores[i]).cacheKey());
        keys.insert(w.stores[i]->icon().cacheKey());
    }
    QCOMPARE(w.findChildren<IconStore*>().size(), 8);
    QCOMPARE(keys.size(), 8);
}

void WindowTest::formLayout() {
    WindowFixture f;
    Form1& w = *f.w;
    QCOMPARE(w.size(), QSize(565, 326));
    QCOMPARE(w.group(Group::Matrix)->title(), QStringLiteral("Matrix "));
    QCOMPARE(w.group(Group::Animation)->title(), QStringLiteral("Animation"));
    QCOMPARE(w.group(Group::Speed)->title(), QStringLiteral("Speed"));
    QCOMPARE(w.group(Group::Image)->title(), QStringLiteral("Image"));
    QCOMPARE(w.group(Group::Matrix)->geometry(), QRect(11, 5, 305, 313));
    QCOMPARE(w.group(Group::Speed)->geometry(), QRect(325, 5, 233, 49));
    QCOMPARE(w.Label2->geometry(), QRect(80, 48, 73, 25));
    QCOMPARE(w.Image1->geometry(), QRect(8, 16, 289, 289));
    QCOMPARE(w.Image3->geometry(), QRect(24, 32, 257, 257));
    QVERIFY(w.Image3->hasMouseTracking());
    const QColor grey(192, 192, 192);
    QCOMPARE(w.button(Control::MinSpeed)->palette().color(QPalette::Button), grey);
    QVERIFY(w.button(Control::FirstImage)->palette().color(QPalette::Button) != grey);

    // Cell origins in twips inside the "Matrix " group, through the board's pixel grid.
    auto originTwips = [](int cell) { return (BoardView::cellOrigin(cell) + QPoint(8, 16)) * 15; };
    QCOMPARE(originTwips(0), QPoint(360, 480));
    QCOMPARE(originTwips(15), QPoint(3960, 480));
    QCOMPARE(originTwips(17), QPoint(600, 720));
    QCOMPARE(originTwips(240), QPoint(360, 4080));
    QCOMPARE(originTwips(255), QPoint(3960, 4080));
}

void WindowTest::clicksReachTheirHandlers() {
    using namespace FrameTransforms;
    const Bytes picture = scattered();
    std::vector<std::pair<QString, Bytes>> pictures{
        {"picture", picture}, {"lit", Bytes(256, 1)}, {"dark", Bytes(256, 0)}};
    const std::pair<const char*, Frame (*)(const Frame&)> transforms[] = {
        {"rotateRight", rotateRight},
        {"rotateLeft", rotateLeft},
        {"mirrorLeftRight", mirrorLeftRight},
        {"mirrorTopBottom", mirrorTopBottom},
        {"invert", invert},
        {"shiftUp", shiftUp},
        {"shiftDown", shiftDown},
        {"shiftLeft", shiftLeft},
        {"shiftRight", shiftRight}};
    for (const auto& [name, transform] : transforms)
        pictures.emplace_back(name, transformed(transform, picture));
    // Frame n of the animation below has its first n cells lit.
    auto named = [&](const Bytes& cells) -> QString {
        for (const auto& [name, bytes] : pictures)
            if (cells == bytes)
                return name;
        const auto lit = std::find(cells.begin(), cells.end(), 0) - cells.begin();
        if (std::count(cells.begin(), cells.end(), 1) == lit)
            return "frame" + QString::number(lit);
        return "other";
    };
    // What a click can change, as the window and the outside world see it.
    auto facts = [&](WindowFixture& f) {
        const Form1& w = *f.w;
        QStringList hidden, list;
        for (const ButtonEntry& entry : Buttons)
            if (w.button(entry.control)->isHidden())
                hidden << QString::fromUtf8(entry.name).mid(7);
        for (Control c : {Control::SetOrClearAll, Control::LptButton, Control::MatrixButton,
                          Control::StartStop})
            list << QString::fromUtf8(entryOf(c).name) + "=" + w.button(c)->toolTip();
        const auto& clip = f.editor().animation().clipFrame();
        list << "image=" + w.Label2->text() << "rate=" + w.Label1->text()
             << "board=" + named(f.board()) << "clip=" + named(Bytes(clip.begin(), clip.end()))
             << "hidden=" + hidden.join(' ') << "writes=" + QString::number(f.port.count());
        for (const FileDialogRequest& r : f.dialog.requests)
            list << "dialog " + r.defaultExt;
        return list;
    };
    // clang-format off
    const struct {
        Control control;
        const char* effect;
    } table[] = {
        {Control::MinSpeed, "rate=0,3 Hz, hidden=1 2"},
        {Control::ReduceSpeed, "rate= 2.7 Hz"},
        {Control::EnlargeSpeed, "rate= 3.9 Hz"},
        {Control::MaxSpeed, "rate=25 Hz, hidden=3 4"},
        {Control::VerticalFlip, "board=mirrorLeftRight, writes=4"},
        {Control::ShiftUp, "board=shiftUp, writes=4"},
        {Control::HorizontalFlip, "board=mirrorTopBottom, writes=4"},
        {Control::Copy, "clip=picture"},
        {Control::ShiftLeft, "board=shiftLeft, writes=4"},
        {Control::Invert, "board=invert, writes=4"},
        {Control::ShiftRight, "board=shiftRight, writes=4"},
        {Control::SetOrClearAll, "Command12=Clear all, board=lit, writes=4"},
        {Control::RotateLeft, "board=rotateLeft, writes=4"},
        {Control::ShiftDown, "board=shiftDown, writes=4"},
        {Control::RotateRight, "board=rotateRight, writes=4"},
        {Control::Paste, "board=dark"},
        {Control::LoadFile, "writes=4, dialog *.led"},
        {Control::NewFile, "image=1/1, board=dark, hidden=21 22 23 24 26"},
        {Control::LptButton, "writes=216"},
        {Control::SaveFile, "writes=4, dialog *.txt"},
        {Control::FirstImage, "image=1/5, board=frame1, hidden=21 22"},
        {Control::PreviousImage, "image=2/5, board=frame2"},
        {Control::NextImage, "image=4/5, board=frame4"},
        {Control::LastImage, "image=5/5, board=frame5, hidden=23 24"},
        {Control::AddImage, "image=3/6"},
        {Control::DeleteImage, "image=3/4"},
        {Control::MatrixButton, "Command27=Matrix on, board=dark"},
        {Control::Slideshow, "writes=4, dialog *.pat"},
        {Control::StartStop, "Command33=Stop, hidden=5 6 7 8 9 10 11 12 13 14 15 16 17 18 20 21 22 23 24 25 26 28"},
    };
    // clang-format on
    for (const auto& row : table) {
        const char* name = entryOf(row.control).name;
        WindowFixture f;
        f.show();
        // Five frames, frame n with its first n cells lit, and the picture as frame 3:
        // every button is offered.
        Editor& e = f.editor();
        for (int i = 0; i < 4; ++i)
            e.Command25_Click();
        e.Command23_Click();
        e.Command23_Click();
        for (int n = 1; n <= 5; ++n)
            std::fill_n(e.animation().bytes().begin() + (n - 1) * 256, n, 1);
        std::copy(picture.begin(), picture.end(), e.animation().bytes().begin() + 2 * 256);
        e.Chitmat();
        f.w->render();
        f.port.clear();
        // "LPT on" is turned off again within its first pass.
        f.port.setAfterWrite([&](std::size_t n) {
            if (n == 100 && e.outputModes().lptOn())
                f.w->button(Control::LptButton)->click();
        });
        const QStringList before = facts(f);
        QTest::mouseClick(f.w->button(row.control), Qt::LeftButton);
        QStringList effect;
        for (const QString& fact : facts(f))
            if (!before.contains(fact))
                effect << fact;
        QVERIFY2(effect.join(", ") == row.effect,
                 qPrintable(QStringLiteral("%1: %2").arg(name, effect.join(", "))));
    }
}

void WindowTest::loopRendersWhatNestedHandlersChange() {
    WindowFixture f;
    f.show();
    QObject context;
    QToolButton* lpt = f.w->button(Control::LptButton);
    bool onWhileRunning = false, addedWhileRunning = false;
    f.port.setAfterWrite([&](std::size_t n) {
        if (n == 50) {
            onWhileRunning =
                lpt->toolTip() == "LPT off" &&
                lpt->icon().cacheKey() == Artwork::buttonIcon(Store::Image8).cacheKey();
            QMetaObject::invokeMethod(
                &context, [&] { f.w->button(Control::AddImage)->click(); }, Qt::QueuedConnection);
        }
        if (n == 300) { // in the second pass, after the posted click ran
            addedWhileRunning =
                f.w->Label2->text() == "1/2" && !f.w->button(Control::DeleteImage)->isHidden();
            lpt->click();
        }
    });
    QTest::mouseClick(lpt, Qt::LeftButton);
    QVERIFY(onWhileRunning);
    QVERIFY(addedWhileRunning);
    QCOMPARE(lpt->toolTip(), QStringLiteral("LPT on"));
    QCOMPARE(f.editor().animation().imageCount(), 2);

    QVERIFY(f.w->close()); // closing the window shuts the editor down
    QVERIFY(f.editor().hasEnded());
    QCOMPARE(f.programEnds, 1);
}

void WindowTest::boardShowsTheCells() {
    WindowFixture f;
    f.show();
    const Bytes picture = scattered();
    f.editor().animation().replaceStore(picture);
    f.editor().Chitmat();
    f.w->render();
    const QImage shot = f.w->Image1->grab().toImage();
    const QImage dark = Artwork::boardBackground().toImage();
    const QColor lit = Artwork::litLed().toImage().pixelColor(8, 8);
    for (int cell = 0; cell < 256; ++cell) {
        const QPoint centre = BoardView::cellOrigin(cell) + QPoint(8, 8);
        const QColor want = picture[std::size_t(cell)] ? lit : dark.pixelColor(centre);
        QVERIFY2(shot.pixelColor(centre) == want, qPrintable(QString::number(cell)));
    }
    QVERIFY(lit != dark.pixelColor(BoardView::cellOrigin(0) + QPoint(8, 8)));
}

void WindowTest::releaseTogglesTheCellLastPointedAt() {
    WindowFixture f;
    f.show();
    Form1& form = *f.w;
    ::Animation& state = f.editor().animation();
    QWindow* w = form.windowHandle();
    // Points of the surface in pixels, given in the window's coordinates.
    auto at = [&](int x, int y) { return form.Image3->mapTo(&form, QPoint(x, y)); };
    auto cell = [&](int c) { return at(c % 16 * 16 + 8, c / 16 * 16 + 8); };
    state.setImageCount(3);
    state.setCurrentImage(3);
    state.replaceStore(::Animation::Store(768, 0));
    f.port.clear();

    // Any button, with any modifiers, toggles the cell on the board and in frame 3.
    int clicks = 0;
    for (const auto& [button, modifiers] :
         {std::pair{Qt::LeftButton, Qt::KeyboardModifiers()},
          std::pair{Qt::RightButton, Qt::KeyboardModifiers(Qt::ShiftModifier)},
          std::pair{Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier}}) {
        QTest::mouseClick(w, button, modifiers, cell(17));
        QCOMPARE(state.frames()[529], std::uint8_t(++clicks % 2));
        QCOMPARE(form.Image1->isCellShown(17), clicks % 2 == 1);
    }
    Bytes expected(768, 0);
    expected[529] = 1;
    QCOMPARE(state.frames(), expected);

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
        QCOMPARE(state.frames(), expected);
    }
    // Each released button toggles once.
    QTest::mousePress(w, Qt::LeftButton, {}, cell(50));
    QTest::mousePress(w, Qt::RightButton, {}, cell(50));
    QTest::mouseRelease(w, Qt::RightButton, {}, cell(50));
    QVERIFY(form.Image1->isCellShown(50));
    QTest::mouseRelease(w, Qt::LeftButton, {}, cell(50));
    QCOMPARE(state.frames(), expected);
    QCOMPARE(f.port.count(), std::size_t(0));
}

void WindowTest::secondInstanceShowsACriticalBox() {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // The start-up pauses process events too, so wait for the box to appear.
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    poll.start();
    WindowFixture f(true);
    QCOMPARE(title, QStringLiteral("Attention!"));
    QCOMPARE(text, QStringLiteral("Program already started!!!"));
    QCOMPARE(icon, QMessageBox::Critical);
    QVERIFY(f.w->hasEnded());
    QCOMPARE(f.programEnds, 1);
}

// A file name is text from the disk: a name that looks like markup is shown as
// it is, not rendered (an <img> would have Qt read the file it names).
void WindowTest::messageShowsAFileNameAsItIs() {
    WindowFixture f;
    f.show();
    QTemporaryDir dir;
    f.dialog.answer(dir.filePath("missing/<img src='none.png'>.led"));
    Qt::TextFormat format = Qt::AutoText;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        format = box->textFormat();
        text = box->text();
        box->accept();
    });
    QTest::mouseClick(f.w->button(Control::SaveFile), Qt::LeftButton);
    QCOMPARE(format, Qt::PlainText);
    QVERIFY2(text.contains("<img src='none.png'>.led could not be saved"), qPrintable(text));
}

void WindowTest::boardIsATableOfItsLeds() {
    WindowFixture f;
    f.show();
    for (int cell = 0; cell < 256; cell += 3)
        f.editor().animation().bytes()[std::size_t(cell)] = 1;
    f.editor().Chitmat();
    f.w->render();
    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(f.w->Image3);
    QAccessibleTableInterface* table = board->tableInterface();
    QCOMPARE(board->role(), QAccessible::Table);
    QCOMPARE(table->rowCount() * table->columnCount(), 256);
    int cells = 0;
    for (int i = 0; i < board->childCount(); ++i) {
        QAccessibleInterface* child = board->child(i);
        if (child->role() != QAccessible::Cell)
            continue;
        const int row = child->tableCellInterface()->rowIndex();
        const int column = child->tableCellInterface()->columnIndex();
        QVERIFY(child->state().checkable);
        QCOMPARE(bool(child->state().checked), (row * 16 + column) % 3 == 0);
        QCOMPARE(table->cellAt(row, column), child);
        // Where its LED is drawn, and numbered as the board's labels: row 16 at the top.
        const QPoint led =
            f.w->Image1->mapToGlobal(BoardView::cellOrigin(row * 16 + column) + QPoint(8, 8));
        QCOMPARE(board->childAt(led.x(), led.y()), child);
        QCOMPARE(child->text(QAccessible::Name),
                 QString("Row %1, column %2").arg(16 - row).arg(column + 1));
        QCOMPARE(child->tableCellInterface()->rowHeaderCells().value(0)->text(QAccessible::Name),
                 QString("Row %1").arg(16 - row));
        ++cells;
    }
    QCOMPARE(cells, 256);

    // Space on the board toggles the cell under the cursor, and so does the cell's action.
    QVERIFY(QTest::qWaitForWindowActive(f.w.get()));
    f.w->Image3->setFocus();
    f.w->Image3->setCursorCell(17);
    QAccessibleInterface* cursor = board->focusChild();
    QCOMPARE(cursor, table->cellAt(1, 1));
    QVERIFY(cursor->state().focused && !cursor->state().checked);
    QTest::keyClick(f.w->Image3, Qt::Key_Space);
    QVERIFY(cursor->state().checked);
    cursor->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!cursor->state().checked);
    QCOMPARE(f.editor().animation().frames()[17], std::uint8_t(0));
}

void WindowTest::treeIsAFrameOfWhatAUserMeets() {
    WindowFixture f;
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(f.w.get());
    QCOMPARE(window->role(), QAccessible::Window); // AT-SPI's "frame"
    QList<QAccessibleInterface*> all{window};
    for (qsizetype n = 0; n < all.size(); ++n)
        for (int i = 0; i < all[n]->childCount(); ++i)
            all << all[n]->child(i);
    QStringList groups, keys;
    for (QAccessibleInterface* node : all) {
        QVERIFY(!qobject_cast<IconStore*>(node->object()));
        QVERIFY(!qobject_cast<BoardView*>(node->object()));
        if (node != window)
            QCOMPARE(node->parent()->child(node->parent()->indexOfChild(node)), node);
        if (node->role() == QAccessible::Grouping)
            groups << node->text(QAccessible::Name);
        // A label is named by its text: Qt announces it when the text changes.
        if (auto* label = qobject_cast<QLabel*>(node->object()))
            QCOMPARE(node->text(QAccessible::Name), label->text());
        if (node->role() == QAccessible::Button && node->object()->parent()->parent() == f.w.get())
            keys << node->actionInterface()
                        ->keyBindingsForAction(QAccessibleActionInterface::pressAction())
                        .join(',');
    }
    QCOMPARE(groups, QStringList({"Matrix", "Speed", "Image", "Animation", "Draw", "Frames"}));
    QStringList wanted;
    for (const ButtonEntry& entry : Buttons)
        for (const Keyboard::ButtonKeys& b : Keyboard::buttonKeys())
            if (b.control == entry.control)
                wanted << QKeySequence::listToString(b.keys).replace("; ", ",");
    QCOMPARE(keys, wanted);
}

void WindowTest::tabGoesToTheBoardThenAlongTheWindow() {
    WindowFixture f;
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(f.w.get()));
    QCOMPARE(QApplication::focusWidget(), f.w.get()); // so Space is Start
    QStringList order;
    for (int i = 0; i < 27; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        order << (focus == f.w->Image3 ? "board" : focus->objectName().remove("Command"));
    }
    // The board, then the shown buttons group by group, row by row, and round again.
    QCOMPARE(order.join(' '), QStringLiteral("board 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 "
                                             "20 25 33 27 28 19 sidePanelHandle board"));
}

void WindowTest::exportOptionsShowOnlyTheirSettings_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("inputs"); // in the dialog's order, * the focused one
    QTest::newRow("gif") << "gif"
                         << "QSpinBox*";
    QTest::newRow("png") << "png"
                         << "QSpinBox* QCheckBox";
    QTest::newRow("h") << "h"
                       << "QComboBox* QComboBox QComboBox QCheckBox QCheckBox";
}

void WindowTest::exportOptionsShowOnlyTheirSettings() {
    QFETCH(QString, suffix);
    QStringList inputs, overlaps;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        const QWidget* focus = dialog->focusWidget();
        const auto shown = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : shown) {
            for (QWidget* b : shown)
                if (a < b && a->isVisible() && b->isVisible() &&
                    a->geometry().intersects(b->geometry()))
                    overlaps << a->metaObject()->className();
            if (qobject_cast<QSpinBox*>(a) || qobject_cast<QCheckBox*>(a) ||
                qobject_cast<QComboBox*>(a))
                inputs << a->metaObject()->className() +
                              QString(a == focus || a->isAncestorOf(focus) ? "*" : "");
        }
        for (auto* box : dialog->findChildren<QCheckBox*>())
            box->setChecked(true);
        for (auto* spin : dialog->findChildren<QSpinBox*>())
            spin->setValue(5);
        for (auto* combo : dialog->findChildren<QComboBox*>())
            combo->setCurrentIndex(1);
        qobject_cast<QDialog*>(dialog)->accept();
    });
    ExportOptions options;
    QVERIFY(Sharing::askExportOptions(nullptr, suffix, options));
    QCOMPARE(overlaps, QStringList());
    QTEST(inputs.join(' '), "inputs");
    QCOMPARE(options.scale, suffix == "h" ? ExportOptions().scale : 5);
    QCOMPARE(options.pngMode == PngMode::SpriteSheet, suffix == "png");
    const CHeaderLayout& layout = options.cHeader;
    QCOMPARE(layout.progmem && layout.delays, suffix == "h");
    QCOMPARE(layout.bitOrder == CHeaderLayout::BitOrder::MsbFirst &&
                 layout.scan == CHeaderLayout::Scan::Columns &&
                 layout.levels == CHeaderLayout::Levels::Bytes,
             suffix == "h");
}

void WindowTest::toolsDrawWithMouseAndKeys_data() {
    QTest::addColumn<QString>("tool"); // its key, after any Mirror (Y) and Pixel-perfect (U)
    // m: a mouse drag through the cells; k: board keys; K: the last one with Shift
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<int>("lit");
    QTest::newRow("click") << "c"
                           << "m" << QList<int>{0x33} << 1;
    QTest::newRow("pen") << "d"
                         << "m" << QList<int>{0x00, 0x05, 0x25} << 8;
    QTest::newRow("line") << "l"
                          << "m" << QList<int>{0x00, 0x77} << 8;
    QTest::newRow("rectangle") << "r"
                               << "m" << QList<int>{0x00, 0x55, 0x33} << 12;
    QTest::newRow("ellipse") << "e"
                             << "m" << QList<int>{0x00, 0x55} << 16;
    QTest::newRow("fill") << "g"
                          << "m" << QList<int>{0x99} << 256;
    QTest::newRow("rectangle by keys") << "r"
                                       << "k" << QList<int>{0x00, 0x33} << 12;
    QTest::newRow("filled rectangle by keys") << "r"
                                              << "K" << QList<int>{0x00, 0x33} << 16;
    QTest::newRow("fill by keys") << "g"
                                  << "k" << QList<int>{0x00} << 256;
    QTest::newRow("pen mirrored both ways") << "yyyd"
                                            << "m" << QList<int>{0x00, 0x05, 0x25} << 4 * 8;
    QTest::newRow("line mirrored left to right") << "yl"
                                                 << "m" << QList<int>{0x00, 0x77} << 2 * 8;
    QTest::newRow("pixel-perfect pen") << "ud"
                                       << "m" << QList<int>{0x00, 0x01, 0x11, 0x12, 0x22} << 3;
}

// Each tool draws through its key, on the board and into the frame, and its
// stroke is one undo step.
void WindowTest::toolsDrawWithMouseAndKeys() {
    QFETCH(QString, tool);
    QFETCH(QString, input);
    QFETCH(QList<int>, cells);
    QFETCH(int, lit);
    WindowFixture f;
    f.show();
    for (QChar key : tool)
        QTest::keyClick(f.w.get(), key.toLatin1());
    QCOMPARE(f.w->isSidePanelOpen(), true);
    QWidget* board = f.w->Image3;
    const auto at = [](int cell) { return QPoint(cell % 16 * 16 + 8, cell / 16 * 16 + 8); };
    if (input == "m") {
        QTest::mousePress(board, Qt::LeftButton, {}, at(cells.front()));
        for (int cell : cells.mid(1))
            QTest::mouseMove(board, at(cell));
        QTest::mouseRelease(board, Qt::LeftButton, {}, at(cells.back()));
    } else {
        board->setFocus();
        QTest::keyClick(board, Qt::Key_Space);
        for (int i = 0; i < cells.back() % 16; ++i)
            QTest::keyClick(board, Qt::Key_Right);
        for (int i = 0; i < cells.back() / 16; ++i)
            QTest::keyClick(board, Qt::Key_Down);
        if (tool != "g")
            QTest::keyClick(board, Qt::Key_Space,
                            input == "K" ? Qt::ShiftModifier : Qt::NoModifier);
    }
    const Bytes shown = f.board();
    QCOMPARE(int(std::count(shown.begin(), shown.end(), 1)), lit);
    const FrameStore::Frame stored = f.editor().animation().currentFrame();
    QCOMPARE(Bytes(stored.begin(), stored.end()), shown);
    QCOMPARE(f.editor().history().undoCount(), std::size_t(1));
    QTest::keyClick(f.w.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.board(), Bytes(256, 0));
    const StrokeOptions chosen = f.w->sidePanel()->strokeOptions();
    f.start(nullptr); // the next start keeps Mirror and Pixel-perfect
    QCOMPARE(f.w->sidePanel()->strokeOptions().symmetry, chosen.symmetry);
    QCOMPARE(f.w->sidePanel()->strokeOptions().pixelPerfect, chosen.pixelPerfect);
}

// A stroke is given up when the image under it changes; the click tool toggles
// the LED under the pointer even after a drawing tool; Space stays with the
// panel's buttons.
void WindowTest::strokesStayWithTheirImage() {
    WindowFixture f;
    f.show();
    QTest::keyClick(f.w.get(), Qt::Key_Insert); // a second image
    QWidget* board = f.w->Image3;
    board->setFocus();
    QTest::keyClick(f.w.get(), Qt::Key_L);
    QTest::keyClick(board, Qt::Key_Space);
    QTest::keyClick(board, Qt::Key_PageDown);
    QTest::keyClick(board, Qt::Key_Right);
    QTest::keyClick(board, Qt::Key_Space); // a new stroke on image 2, not the old one's end
    QCOMPARE(f.editor().animation().currentImage(), 2);
    QCOMPARE(f.editor().history().undoCount(), std::size_t(1)); // Add image alone
    QTest::keyClick(board, Qt::Key_Escape);

    QTest::mouseMove(board, QPoint(5 * 16 + 8, 8));
    QTest::keyClick(f.w.get(), Qt::Key_C);
    QTest::mouseClick(board, Qt::LeftButton, {}, QPoint(5 * 16 + 8, 8));
    QVERIFY(f.board()[5]);

    QToolButton* pen = f.w->sidePanel()->toolButton(Tool::Pen);
    pen->setFocus();
    QTest::keyClick(pen, Qt::Key_Space);
    QCOMPARE(f.w->sidePanel()->tool(), Tool::Pen);
    QVERIFY(!f.editor().playback().playing());
}

// The side panel names the output and whether "LPT on" runs, through a run of
// "LPT on" and a switch to another output, whose name is shown as it is.
void WindowTest::sidePanelNamesTheOutput() {
    WindowFixture f;
    f.show();
    f.w->setSidePanelOpen(true);
    const QLabel* output = f.w->sidePanel()->outputLabel();
    QVERIFY(output->isVisible());
    f.w->setOutputName("/dev/parport0");
    QCOMPARE(output->text(), QStringLiteral("Output: /dev/parport0, off"));
    QToolButton* lpt = f.w->button(Control::LptButton);
    QString whileOn;
    f.port.setAfterWrite([&](std::size_t n) {
        if (n == 300) { // in the second pass
            whileOn = output->text();
            lpt->click();
        }
    });
    QTest::mouseClick(lpt, Qt::LeftButton);
    QCOMPARE(whileOn, QStringLiteral("Output: /dev/parport0, on"));
    QCOMPARE(output->text(), QStringLiteral("Output: /dev/parport0, off"));
    f.w->setOutputName("ddp:<img src='none.png'>");
    QCOMPARE(output->textFormat(), Qt::PlainText);
    QCOMPARE(output->text(), QStringLiteral("Output: ddp:<img src='none.png'>, off"));
    QVERIFY(output->toolTip().contains("&lt;img"));
}

void WindowTest::brightnessDimsAndIsKeptPerOutput_data() {
    QTest::addColumn<QVariant>("kept");  // in the settings before the first start
    QTest::addColumn<QVariant>("given"); // --brightness at the first start
    QTest::addColumn<QString>("typed");  // then into the side panel
    QTest::addColumn<int>("shown");      // the first start's brightness at the end
    QTest::addColumn<QString>("nextPort");
    QTest::addColumn<int>("next"); // the next start's
    const QVariant none;
    QTest::newRow("never kept") << none << none << "" << 100 << "/dev/parport0" << 100;
    QTest::newRow("typed, same output") << none << none << "40" << 40 << "/dev/parport0" << 40;
    QTest::newRow("typed, another output")
        << none << none << "40" << 40 << "bridge:/dev/ttyACM0" << 100;
    QTest::newRow("kept") << QVariant(25) << none << "" << 25 << "/dev/parport0" << 25;
    QTest::newRow("given wins, kept")
        << QVariant(25) << QVariant(70) << "" << 70 << "/dev/parport0" << 70;
    QTest::newRow("typed after given")
        << none << QVariant(70) << "55" << 55 << "/dev/parport0" << 55;
    QTest::newRow("typed below 5") << none << none << "2" << 5 << "/dev/parport0" << 5;
    QTest::newRow("kept above 100") << QVariant(300) << none << "" << 100 << "/dev/parport0" << 100;
    QTest::newRow("kept below 5") << QVariant(-3) << none << "" << 5 << "/dev/parport0" << 5;
    QTest::newRow("kept garbage") << QVariant("dim") << none << "" << 100 << "/dev/parport0" << 100;
}

// The side panel's brightness reaches the matrix at once and is what the next
// start with the same output begins with; another output keeps its own.
void WindowTest::brightnessDimsAndIsKeptPerOutput() {
    QFETCH(QVariant, kept);
    QFETCH(QVariant, given);
    QFETCH(QString, typed);
    QFETCH(int, shown);
    QFETCH(QString, nextPort);
    QFETCH(int, next);
    BrightnessRecorder matrix;
    WindowFixture f(false, &matrix);
    if (kept.isValid())
        QSettings().setValue("brightness/|dev|parport0", kept);
    f.show();
    f.w->setSidePanelOpen(true);
    f.w->setBrightnessOutput("/dev/parport0",
                             given.isValid() ? std::optional(given.toInt()) : std::nullopt);
    QSpinBox* box = f.w->sidePanel()->brightnessBox();
    QVERIFY(box->isVisible() && box->isEnabled());
    if (!typed.isEmpty()) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QCOMPARE(matrix.brightness, shown);
    QCOMPARE(box->value(), shown);

    matrix.brightness = 0;
    f.start(&matrix);
    f.w->setBrightnessOutput(nextPort);
    QCOMPARE(matrix.brightness, next);
    QCOMPARE(f.w->sidePanel()->brightnessBox()->value(), next);
}

// The side panel says the matrix shows 8 levels; 16 chosen from the keyboard
// reach the matrix at once and are kept. The USB bridge shows its own 16.
void WindowTest::matrixLevelsAreChosenAndKept() {
    BrightnessRecorder matrix;
    WindowFixture f(false, &matrix);
    f.show();
    f.w->setSidePanelOpen(true);
    SidePanel& panel = *f.w->sidePanel();
    connectMatrixLevels(panel, &matrix);
    offerMatrixLevels(panel, storedMatrixLevels(), true);
    QComboBox* box = panel.matrixLevelsBox();
    QVERIFY(box->isVisible() && box->isEnabled());
    QCOMPARE(box->currentText(), "8 levels");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), "16 levels");
    QCOMPARE(matrix.greyPlanes, 4);
    QCOMPARE(storedMatrixLevels(), 16);
    offerMatrixLevels(panel, FewerMatrixLevels, false, "The USB bridge shows all 16 levels");
    QVERIFY(!box->isEnabled());
    QCOMPARE(box->currentText(), "16 levels");
    QCOMPARE(box->toolTip(), "The USB bridge shows all 16 levels");
}

// Column k drawn at level k with the line tool, the level stepped down by its
// key: the board shows the ramp; Save animation by its key and Load give it
// back; the window's Export writes it to a GIF (read back by Qt) and a C
// header (a byte per LED) with every level.
void WindowTest::greyRampDrawnInTheWindowSurvivesSaveReloadGifAndHeader() {
    WindowFixture f;
    f.show();
    QTemporaryDir dir;
    QTest::keyClick(f.w.get(), 'l');
    QWidget* board = f.w->Image3;
    const auto at = [](int cell) { return QPoint(cell % 16 * 16 + 8, cell / 16 * 16 + 8); };
    for (int column = 15; column >= 1; --column) {
        QTest::mousePress(board, Qt::LeftButton, {}, at(column));
        QTest::mouseMove(board, at(15 * 16 + column));
        QTest::mouseRelease(board, Qt::LeftButton, {}, at(15 * 16 + column));
        QTest::keyClick(f.w.get(), Qt::Key_Comma);
    }
    QCOMPARE(f.w->sidePanel()->level(), 0);
    const auto levelShown = [&](int cell) {
        return f.w->Image1->isCellShown(cell) ? 15 : int(f.w->Image1->shades()[std::size_t(cell)]);
    };
    const auto levelStored = [&](int cell) {
        return f.editor().animation().levelOf(
            f.editor().animation().currentFrame()[std::size_t(cell)]);
    };
    for (int cell = 0; cell < 256; ++cell) {
        QCOMPARE(levelShown(cell), cell % 16);
        QCOMPARE(levelStored(cell), cell % 16);
    }

    QString chosen;
    ModalAnswers answers([&](QWidget* dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(chosen);
            static_cast<QDialog*>(files)->accept();
        } else if (auto* combo = dialog->findChild<QComboBox*>(); combo != nullptr) {
            for (auto* box : dialog->findChildren<QComboBox*>()) // the C header's grey levels
                box->setCurrentIndex(box->count() == 2 && box->itemText(1).startsWith("A byte")
                                         ? 1
                                         : box->currentIndex());
            qobject_cast<QDialog*>(dialog)->accept();
        } else if (auto* scale = dialog->findChild<QSpinBox*>(); scale != nullptr) {
            scale->setValue(1);
            qobject_cast<QDialog*>(dialog)->accept();
        } else {
            qobject_cast<QDialog*>(dialog)->accept();
        }
    });
    chosen = dir.filePath("ramp.qanim");
    QTest::keyClick(f.w.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(QFileInfo::exists(chosen));
    f.editor().Command18_Click(); // New: saved, so nothing is asked
    QCOMPARE(levelStored(17), 0);
    f.w->activateWindow(); // the dialogs have had the focus
    QVERIFY(QTest::qWaitForWindowActive(f.w.get()));
    QTest::keyClick(f.w.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(levelStored(17), 1);
    for (int cell = 0; cell < 256; ++cell)
        QCOMPARE(levelStored(cell), cell % 16);

    chosen = dir.filePath("ramp.gif");
    Sharing::exportAnimation(f.w.get(), f.editor());
    QImage gif = QImageReader(chosen).read();
    QCOMPARE(gif.size(), QSize(16, 16));
    for (int cell = 0; cell < 256; ++cell)
        QCOMPARE(gif.pixelColor(cell % 16, cell / 16), BoardRendering::levelColour(cell % 16));

    chosen = dir.filePath("ramp.h");
    Sharing::exportAnimation(f.w.get(), f.editor());
    QFile header(chosen);
    QVERIFY(header.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(header.readAll()).remove(QRegularExpression("\\s"));
    QVERIFY2(text.count("{0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,") == 1 &&
                 text.count("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15") == 16,
             qPrintable(text.left(600)));
    QCOMPARE(answers.leftOpen(), 0);
}

// With "Apply to chosen frames" (F) on, a box drawn by mouse on the board goes
// onto each of the 40 images chosen in the strip over what each shows, and no
// other; one Ctrl+Z takes it off them all.
void WindowTest::boxDrawnOnTheChosenFrames() {
    WindowFixture f;
    f.show();
    std::vector<FrameStore::Frame> frames(60);
    for (std::size_t n = 0; n < frames.size(); ++n)
        frames[n][128 + n] = FrameStore::Lit; // image n + 1's own LED
    QCOMPARE(f.editor().importFrames(frames, true), QString());
    auto* list = f.w->frameStrip()->findChild<QListView*>(QStringLiteral("frames"));
    const auto click = [list](int image, Qt::KeyboardModifiers modifiers) {
        const QModelIndex index = list->model()->index(image - 1, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualRect(index).center());
    };
    click(11, {});
    click(50, Qt::ShiftModifier);
    QCOMPARE(int(f.w->frameStrip()->chosenImages().size()), 40);
    f.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.w.get()));
    QWidget* board = f.w->Image3;
    board->setFocus();
    QTest::keyClick(f.w.get(), Qt::Key_F);
    QTest::keyClick(f.w.get(), Qt::Key_R);
    const auto at = [](int cell) { return QPoint(cell % 16 * 16 + 8, cell / 16 * 16 + 8); };
    const std::size_t steps = f.editor().history().undoCount();
    QTest::mousePress(board, Qt::LeftButton, {}, at(0x00));
    QTest::mouseMove(board, at(0x22));
    QTest::mouseMove(board, at(0x33));
    QTest::mouseRelease(board, Qt::LeftButton, {}, at(0x33));
    QCOMPARE(f.editor().history().undoCount(), steps + 1);
    const std::vector<std::size_t> box{0x00, 0x01, 0x02, 0x03, 0x10, 0x13,
                                       0x20, 0x23, 0x30, 0x31, 0x32, 0x33};
    for (int image = 1; image <= 60; ++image) {
        FrameStore::Frame expected = frames[std::size_t(image - 1)];
        if (image >= 11 && image <= 50)
            for (const std::size_t cell : box)
                expected[cell] = FrameStore::Lit;
        QVERIFY2(f.editor().animation().frame(image) == expected,
                 qPrintable(QStringLiteral("image %1").arg(image)));
    }
    QTest::keyClick(f.w.get(), Qt::Key_Z, Qt::ControlModifier);
    for (int image = 1; image <= 60; ++image)
        QVERIFY2(f.editor().animation().frame(image) == frames[std::size_t(image - 1)],
                 qPrintable(QStringLiteral("image %1 after undo").arg(image)));
}

// Shift+Y with the pointer off the board puts the mirror's axes through the
// board cursor's LED, the pen draws about them and the board shows them; they
// are kept for the next start, and Shift+Y on that LED again brings back the middle.
void WindowTest::mirrorAxesPlacedFromTheKeyboard() {
    WindowFixture f;
    f.show();
    QCursor::setPos(f.w->mapToGlobal(QPoint(f.w->width() - 4, f.w->height() - 4)));
    QWidget* board = f.w->Image3;
    const auto keys = [&](std::initializer_list<QKeySequence> sequence) {
        for (const QKeySequence& k : sequence)
            QTest::keySequence(board, k);
    };
    board->setFocus();
    keys({Qt::Key_D, Qt::Key_Y});
    for (int i = 0; i < 4; ++i)
        keys({Qt::Key_Right, Qt::Key_Down});
    keys({QKeySequence(Qt::SHIFT | Qt::Key_Y)});
    QCOMPARE(f.w->sidePanel()->mirrorAxes(), (MirrorAxes{8, 8}));
    keys({Qt::Key_Left, Qt::Key_Left, Qt::Key_Space, Qt::Key_Space}); // the pen on (2, 4)
    Bytes expected(256, 0);
    expected[4 * 16 + 2] = expected[4 * 16 + 6] = 1;
    QCOMPARE(f.board(), expected);

    f.start(nullptr);
    f.show();
    QCOMPARE(f.w->sidePanel()->mirrorAxes(), (MirrorAxes{8, 8}));
    board = f.w->Image3;
    board->setFocus();
    for (int i = 0; i < 4; ++i)
        keys({Qt::Key_Right, Qt::Key_Down});
    keys({QKeySequence(Qt::SHIFT | Qt::Key_Y)});
    QCOMPARE(f.w->sidePanel()->mirrorAxes(), MirrorAxes{});
}

QTEST_MAIN(WindowTest)
#include "test_window.moc"
