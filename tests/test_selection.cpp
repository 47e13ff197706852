// Selected LEDs: the regions' own moves and turns, and the Select and Wand
// tools in the window driven by mouse and keys, on one image and on the
// images chosen in the strip.
#include "support/FakeServices.h"
#include "support/ModalAnswers.h"

#include "editor/Editor.h"
#include "frames/Selection.h"
#include "ui/BoardView.h"
#include "ui/Form1.h"
#include "ui/FrameStrip.h"
#include "ui/MouseSurface.h"
#include "ui/RegionClipboard.h"
#include "ui/SidePanel.h"

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QGroupBox>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

using Frame = FrameStore::Frame;
using Points = QList<QPoint>;

namespace {

Frame frameOf(const Points& lit, std::uint8_t value = FrameStore::Lit) {
    Frame frame{};
    for (const QPoint p : lit)
        frame[std::size_t(p.y() * 16 + p.x())] = value;
    return frame;
}

Points litIn(const Frame& frame) {
    Points lit;
    for (int cell = 0; cell < 256; ++cell)
        if (frame[std::size_t(cell)] != FrameStore::Dark)
            lit << QPoint(cell % 16, cell / 16);
    return lit;
}

// A picture every image tells apart: LEDs lit where (x * 7 + y * 3 + seed) % 5 == 0,
// and LED 240 + seed.
Frame pattern(int seed) {
    Frame frame{};
    for (int cell = 0; cell < 256; ++cell)
        frame[std::size_t(cell)] = (cell % 16 * 7 + cell / 16 * 3 + seed) % 5 == 0;
    frame[std::size_t(240 + seed)] = FrameStore::Lit;
    return frame;
}

// `frame` with the rectangle's LEDs moved by (dx, dy) over the rest, as a user
// expects a selection move to leave it.
Frame movedRectangle(const Frame& frame, QRect rect, int dx, int dy) {
    Frame out = frame;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            out[std::size_t(y * 16 + x)] = FrameStore::Dark;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (x + dx >= 0 && x + dx < 16 && y + dy >= 0 && y + dy < 16)
                out[std::size_t((y + dy) * 16 + x + dx)] = frame[std::size_t(y * 16 + x)];
    return out;
}

// A picture as another program offers it: a PNG file's bytes, decoded only
// when asked for as a picture.
class OfferedPicture final : public QMimeData {
public:
    explicit OfferedPicture(QByteArray png) : png_(std::move(png)) {}
    mutable int decoded = 0;
    QStringList formats() const override { return {QStringLiteral("image/png")}; }
    bool hasFormat(const QString& type) const override {
        return type == "image/png" || type == "application/x-qt-image";
    }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        decoded += type != "image/png";
        return type == "image/png" ? QVariant(png_) : QVariant(QImage::fromData(png_));
    }

private:
    QByteArray png_;
};

struct Window {
    RecordingPort port;
    FakeDialog dialog;
    FakeClock clock;
    FakeInstanceCheck instance;
    std::unique_ptr<Form1> w;

    explicit Window(const std::vector<Frame>& frames) {
        QSettings().clear();
        w = std::make_unique<Form1>(Form1Services{port, dialog, clock, instance, [] {}});
        editor().importFrames(frames, true);
        w->show();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("the window did not become active");
    }
    Editor& editor() { return w->editor(); }
    Frame frame(int image) { return editor().animation().frame(image); }
    static QPoint at(QPoint led) { return QPoint(led.x() * 16 + 8, led.y() * 16 + 8); }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(w->Image3, Qt::LeftButton, mods, at(from));
        QTest::mouseMove(w->Image3, at(to));
        QTest::mouseRelease(w->Image3, Qt::LeftButton, mods, at(to));
    }
    void key(QKeySequence keys) { QTest::keySequence(w.get(), keys); }
    // Images `first` to `last` chosen in the strip, as clicks would choose them.
    void choose(int first, int last) {
        auto* list = w->frameStrip()->findChild<QListView*>();
        const auto click = [list](int image, Qt::KeyboardModifiers mods) {
            const QModelIndex index = list->model()->index(image - 1, 0);
            list->scrollTo(index);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, mods,
                              list->visualRect(index).center());
        };
        click(first, {});
        click(last, Qt::ShiftModifier);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
};

} // namespace

class SelectionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void regionsMoveMirrorAndTurn_data();
    void regionsMoveMirrorAndTurn();
    void wandTakesConnectedLikeLeds_data();
    void wandTakesConnectedLikeLeds();
    void dragMovesExactlyTheSelectedLeds();
    void cutPasteAndFloatAcrossChosenFrames_data();
    void cutPasteAndFloatAcrossChosenFrames();
    void pictureFromAnotherProgramPastesAsLeds();
    void imageButtonsReachTheChosenFrames_data();
    void imageButtonsReachTheChosenFrames();
    void keysActOnTheSelectionWhileThereIsOne();
    void stripShowsManyAndCtrlAChoosesWhatHasTheFocus();
    void pasteRefusesWhatIsTooLarge_data();
    void pasteRefusesWhatIsTooLarge();
};

// Operations: m dx dy, r (turn right), l (turn left), h (mirror left-right),
// v (mirror top-bottom); the selection is the rectangle given.
void SelectionTest::regionsMoveMirrorAndTurn_data() {
    QTest::addColumn<Points>("lit");
    QTest::addColumn<QRect>("chosen");
    QTest::addColumn<QString>("operations");
    QTest::addColumn<Points>("after");
    const Points some{{1, 1}, {2, 1}, {5, 5}, {9, 9}};
    QTest::newRow("two right") << some << QRect(0, 0, 4, 4) << "m 2 0"
                               << Points{{3, 1}, {4, 1}, {5, 5}, {9, 9}};
    QTest::newRow("over another LED, it goes")
        << some << QRect(0, 0, 4, 4) << "m 4 4" << Points{{5, 5}, {6, 5}, {9, 9}};
    QTest::newRow("off the board and back")
        << some << QRect(0, 0, 4, 4) << "m -10 0 m 10 0" << some;
    QTest::newRow("right then left") << some << QRect(0, 0, 6, 3) << "r l" << some;
    QTest::newRow("four turns") << some << QRect(0, 0, 5, 2) << "r r r r" << some;
    QTest::newRow("bar turned about its middle")
        << Points{{4, 5}, {5, 5}, {6, 5}} << QRect(4, 5, 3, 1) << "r"
        << Points{{5, 4}, {5, 5}, {5, 6}};
    QTest::newRow("turned left, the bar's top first")
        << Points{{4, 5}, {6, 5}} << QRect(4, 5, 3, 1) << "l" << Points{{5, 4}, {5, 6}};
    QTest::newRow("mirrored in its own box")
        << Points{{2, 2}, {9, 9}} << QRect(2, 2, 3, 2) << "h" << Points{{4, 2}, {9, 9}};
    QTest::newRow("mirrored top to bottom")
        << Points{{2, 2}} << QRect(2, 2, 3, 3) << "v" << Points{{2, 4}};
    QTest::newRow("edge selection turned keeps what leaves")
        << Points{{0, 0}, {3, 0}} << QRect(0, 0, 4, 1) << "r l" << Points{{0, 0}, {3, 0}};
}

void SelectionTest::regionsMoveMirrorAndTurn() {
    QFETCH(Points, lit);
    QFETCH(QRect, chosen);
    QFETCH(QString, operations);
    QFETCH(Points, after);
    const Frame frame = frameOf(lit);
    const Selection selection =
        Selection::rectangle({chosen.left(), chosen.top()}, {chosen.right(), chosen.bottom()});
    Region region = Region::lift(frame, selection);
    const QStringList ops = operations.split(u' ');
    for (int i = 0; i < ops.size(); ++i) {
        if (ops[i] == "m") {
            region = region.moved(ops[i + 1].toInt(), ops[i + 2].toInt());
            i += 2;
        } else if (ops[i] == "r")
            region = region.turnedRight();
        else if (ops[i] == "l")
            region = region.turnedLeft();
        else if (ops[i] == "h")
            region = region.mirroredLeftRight();
        else
            region = region.mirroredTopBottom();
    }
    const Frame result = region.placedOn(Selections::cleared(frame, selection));
    QCOMPARE(litIn(result), after);
}

void SelectionTest::wandTakesConnectedLikeLeds_data() {
    QTest::addColumn<bool>("byLevel");
    QTest::addColumn<QPoint>("clicked");
    QTest::addColumn<int>("count");
    // A lit L at full light (0,0),(1,0),(1,1) touching a level-5 LED at (2,1),
    // a lone lit LED at (5,5) touching the L only diagonally... not at all.
    QTest::newRow("on and off: a byte other than lit is dark")
        << false << QPoint(2, 1) << 256 - 6 + 1;
    QTest::newRow("by level: the L alone") << true << QPoint(0, 0) << 3;
    QTest::newRow("by level: the grey LED alone") << true << QPoint(2, 1) << 1;
    QTest::newRow("diagonal neighbours are not connected") << true << QPoint(6, 6) << 1;
    QTest::newRow("the dark around them") << true << QPoint(15, 15) << 256 - 6;
}

void SelectionTest::wandTakesConnectedLikeLeds() {
    QFETCH(bool, byLevel);
    QFETCH(QPoint, clicked);
    QFETCH(int, count);
    Frame frame = frameOf({{0, 0}, {1, 0}, {1, 1}, {5, 5}, {6, 6}});
    frame[1 * 16 + 2] = FrameStore::cellForLevel(5);
    QCOMPARE(Selection::likeLeds(frame, {clicked.x(), clicked.y()}, byLevel).count(), count);
}

// A rectangle dragged out, then dragged two LEDs right: exactly its LEDs move,
// what it leaves is dark, the rest of the frame stays, in one step of undo.
void SelectionTest::dragMovesExactlyTheSelectedLeds() {
    Window f({pattern(0)});
    const std::size_t steps = f.editor().history().undoCount();
    f.key(QKeySequence(Qt::Key_S));
    QCOMPARE(f.w->sidePanel()->tool(), Tool::Select);
    f.drag({2, 3}, {6, 8});
    QCOMPARE(f.w->Image1->selectionOutline().count(), std::size_t(5 * 6));
    QCOMPARE(f.editor().history().undoCount(), steps); // choosing changes nothing
    QTest::mousePress(f.w->Image3, Qt::LeftButton, {}, Window::at({4, 5}));
    QTest::mouseMove(f.w->Image3, Window::at({6, 5}));
    QTest::qWait(200); // the ants march on, where the LEDs are dragged
    QCOMPARE(f.w->Image1->selectionOutline(), Selection::rectangle({4, 3}, {8, 8}).cells());
    QTest::mouseRelease(f.w->Image3, Qt::LeftButton, {}, Window::at({6, 5}));
    QCOMPARE(f.frame(1), movedRectangle(pattern(0), QRect(2, 3, 5, 6), 2, 0));
    QCOMPARE(f.editor().history().undoCount(), steps + 1);
    QCOMPARE(f.w->Image1->selectionOutline(), Selection::rectangle({4, 3}, {8, 8}).cells());
    f.drag({4, 3}, {8, 4}, Qt::ControlModifier); // inside it, Ctrl takes away
    QCOMPARE(f.w->Image1->selectionOutline(), Selection::rectangle({4, 5}, {8, 8}).cells());
    f.key(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(f.frame(1), pattern(0));
}

// With "Apply to chosen frames" on, cut clears the selected LEDs of every chosen
// image, paste floats the copied LEDs over all of them, and nudging the floating
// LEDs away gives back what each image had under them.
void SelectionTest::cutPasteAndFloatAcrossChosenFrames_data() {
    QTest::addColumn<bool>("apply");
    QTest::newRow("the image shown") << false;
    QTest::newRow("three chosen images") << true;
}

void SelectionTest::cutPasteAndFloatAcrossChosenFrames() {
    QFETCH(bool, apply);
    Window f({pattern(0), pattern(1), pattern(2), pattern(3)});
    f.choose(1, 3);
    if (apply)
        f.key(QKeySequence(Qt::Key_F));
    QCOMPARE(f.w->sidePanel()->appliesToChosen(), apply);
    f.key(QKeySequence(Qt::Key_S));
    QWidget* board = f.w->Image3;
    board->setFocus();
    QTest::keyClick(board, Qt::Key_Space); // the cursor starts on the top-left LED
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(board, Qt::Key_Right);
        QTest::keyClick(board, Qt::Key_Down);
    }
    QTest::keyClick(board, Qt::Key_Space);
    QCOMPARE(f.w->Image1->selectionOutline().count(), std::size_t(16));
    const int shown = f.editor().animation().currentImage();
    const auto reached = [&](int image) { return image <= 3 && (apply || image == shown); };
    const Frame copied = pattern(shown - 1);
    const QRect corner(0, 0, 4, 4);
    // Each image as it should be: the corner cleared, or holding `corner` from `in`.
    const auto expect = [&](std::optional<Frame> in) {
        for (int image = 1; image <= 4; ++image) {
            Frame expected = pattern(image - 1);
            for (int cell = 0; cell < 256 && reached(image); ++cell)
                if (corner.contains(cell % 16, cell / 16))
                    expected[std::size_t(cell)] = in ? (*in)[std::size_t(cell)] : FrameStore::Dark;
            QCOMPARE(f.frame(image), expected);
        }
    };
    f.key(QKeySequence(Qt::CTRL | Qt::Key_X));
    expect(std::nullopt);
    QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(RegionClipboard::MimeType));
    QCOMPARE(QApplication::clipboard()->image().size(), QSize(16, 16));

    f.key(QKeySequence(Qt::CTRL | Qt::Key_V));
    expect(copied);
    for (int i = 0; i < 4; ++i) // over each image's own LEDs and back
        QTest::keyClick(board, Qt::Key_Right);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(board, Qt::Key_Left);
    expect(copied);
    f.key(QKeySequence(Qt::Key_Escape));
    QVERIFY(f.w->Image1->selectionOutline().none());
    for (int i = 0; i < 10; ++i) // the nudges, the paste, the cut
        f.key(QKeySequence(Qt::CTRL | Qt::Key_Z));
    for (int image = 1; image <= 4; ++image)
        QCOMPARE(f.frame(image), pattern(image - 1));
}

// A picture another program put on the clipboard: a small one a pixel an LED,
// its transparent pixels leaving the LEDs under them; a large one fitted.
void SelectionTest::pictureFromAnotherProgramPastesAsLeds() {
    Window f({frameOf({{1, 0}})});
    QImage small(3, 1, QImage::Format_ARGB32);
    small.setPixel(0, 0, qRgb(255, 255, 255));
    small.setPixel(1, 0, qRgba(0, 0, 0, 0));
    small.setPixel(2, 0, qRgb(200, 200, 200));
    QApplication::clipboard()->setImage(small);
    f.key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    QCOMPARE(f.w->sidePanel()->tool(), Tool::Select);
    QCOMPARE(litIn(f.frame(1)), (Points{{0, 0}, {1, 0}, {2, 0}}));

    QImage large(64, 64, QImage::Format_RGB32);
    large.fill(Qt::black);
    large.setPixel(0, 0, qRgb(255, 255, 255)); // a quarter of one LED: too dim to light
    QPainter(&large).fillRect(32, 0, 32, 64, Qt::white);
    QApplication::clipboard()->setImage(large);
    f.key(QKeySequence(Qt::CTRL | Qt::Key_V));
    const Points lit = litIn(f.frame(1));
    QCOMPARE(lit.size(), 8 * 16);
    QVERIFY(std::all_of(lit.begin(), lit.end(), [](QPoint p) { return p.x() >= 8; }));

    const std::size_t steps = f.editor().history().undoCount();
    QApplication::clipboard()->setImage(QImage(9000, 1, QImage::Format_Mono));
    QStringList said;
    ModalAnswers answers([&said](QWidget* box) {
        said << static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    f.key(QKeySequence(Qt::CTRL | Qt::Key_V));
    QCOMPARE(said,
             QStringList{"the picture on the clipboard is 9000 × 1 pixels; at most 8192 × 8192 "
                         "are taken"});
    QCOMPARE(f.editor().history().undoCount(), steps);
}

// What another program put on the clipboard, too large to be LEDs, is refused
// with its size before it is split into lines or decoded, and nothing changes.
void SelectionTest::pasteRefusesWhatIsTooLarge_data() {
    QTest::addColumn<QString>("offer");
    QTest::addColumn<QString>("said");
    QTest::newRow("100 MB of newlines in the program's form")
        << "newlines"
        << "the LEDs on the clipboard take 95.37 MiB; at most 64 KiB are taken";
    QTest::newRow("LED lines, twice as many as any copy")
        << "lines"
        << "the LEDs on the clipboard take 136.72 KiB; at most 64 KiB are taken";
    QTest::newRow("a picture known too large by its header")
        << "png"
        << "the picture on the clipboard is 9000 × 1 pixels; at most 8192 × 8192 are taken";
}

void SelectionTest::pasteRefusesWhatIsTooLarge() {
    QFETCH(QString, offer);
    QFETCH(QString, said);
    Window f({pattern(0)});
    const std::size_t steps = f.editor().history().undoCount();
    QByteArray png;
    QBuffer file(&png);
    QImage(9000, 1, QImage::Format_Mono).save(&file, "PNG");
    auto* data = offer == "png" ? new OfferedPicture(png) : new QMimeData;
    if (offer != "png")
        data->setData(RegionClipboard::MimeType, offer == "lines"
                                                     ? QByteArray("0 0 15\n").repeated(20000)
                                                     : QByteArray(100'000'000, '\n'));
    QApplication::clipboard()->setMimeData(data);
    QStringList told;
    ModalAnswers answers([&told](QWidget* box) {
        told << static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    f.key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    QCOMPARE(told, QStringList{said});
    QCOMPARE(f.frame(1), pattern(0));
    QCOMPARE(f.editor().history().undoCount(), steps);
    if (auto* picture = dynamic_cast<OfferedPicture*>(data))
        QCOMPARE(picture->decoded, 0);
}

// The Image buttons and their keys on every chosen image in one step while
// "Apply to chosen frames" is on; on the image shown alone while it is off.
void SelectionTest::imageButtonsReachTheChosenFrames_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<int>("changed");
    QTest::newRow("Invert on five") << "I" << true << 5;
    QTest::newRow("Vertical flip on five") << "V" << true << 5;
    QTest::newRow("Rotate right on five") << "]" << true << 5;
    QTest::newRow("Up on five") << "Ctrl+Up" << true << 5;
    QTest::newRow("Set all on five") << "A" << true << 5;
    QTest::newRow("Paste on five") << "Ctrl+V" << true << 5;
    QTest::newRow("Invert, apply off: one") << "I" << false << 1;
    QTest::newRow("Set all, apply off: one") << "A" << false << 1;
}

void SelectionTest::imageButtonsReachTheChosenFrames() {
    QFETCH(QString, key);
    QFETCH(bool, apply);
    QFETCH(int, changed);
    std::vector<Frame> frames;
    for (int i = 0; i < 7; ++i)
        frames.push_back(pattern(i));
    Window f(frames);
    f.editor().goToImage(7);
    f.key(QKeySequence(Qt::CTRL | Qt::Key_C)); // the copy buffer: image 7
    f.choose(2, 6);
    if (apply)
        f.key(QKeySequence(Qt::Key_F));
    QStringList titles;
    for (const QGroupBox* box : f.w->sidePanel()->findChildren<QGroupBox*>())
        titles << box->title();
    QVERIFY2(titles.contains(apply ? "Frames: editing 5" : "Frames"),
             qPrintable(titles.join(", ")));
    const std::size_t steps = f.editor().history().undoCount();
    f.key(QKeySequence::fromString(key));
    int differ = 0;
    for (int image = 1; image <= 7; ++image)
        differ += f.frame(image) != pattern(image - 1);
    QCOMPARE(differ, changed);
    QCOMPARE(f.frame(1), pattern(0));
    QCOMPARE(f.editor().history().undoCount(), steps + 1);
    f.key(QKeySequence(Qt::CTRL | Qt::Key_Z));
    for (int image = 1; image <= 7; ++image)
        QCOMPARE(f.frame(image), pattern(image - 1));
}

// Delete clears the selected LEDs while there are some and deletes the image
// once the selection is dropped; Ctrl+C copies the LEDs, then the whole frame
// again; the Wand adds with Shift and takes away with Alt; a turn turns the
// selected LEDs alone.
void SelectionTest::keysActOnTheSelectionWhileThereIsOne() {
    Window f({frameOf({{0, 0}, {1, 0}, {8, 8}, {15, 15}}), frameOf({{3, 3}})});
    f.editor().goToImage(1);
    f.key(QKeySequence(Qt::Key_W));
    QTest::mouseClick(f.w->Image3, Qt::LeftButton, {}, Window::at({0, 0}));
    QCOMPARE(f.w->Image1->selectionOutline().count(), std::size_t(2));
    QTest::mouseClick(f.w->Image3, Qt::LeftButton, Qt::ShiftModifier, Window::at({8, 8}));
    QCOMPARE(f.w->Image1->selectionOutline().count(), std::size_t(3));
    QCOMPARE(QAccessible::queryAccessibleInterface(f.w->Image3)->text(QAccessible::Description),
             "3 LEDs selected: the arrow keys move them, Esc drops them");
    QTest::mouseClick(f.w->Image3, Qt::LeftButton, Qt::AltModifier, Window::at({1, 0}));
    QCOMPARE(f.w->Image1->selectionOutline().count(), std::size_t(1));
    QTest::mouseClick(f.w->Image3, Qt::LeftButton, Qt::ControlModifier, Window::at({8, 8}));
    QVERIFY(f.w->Image1->selectionOutline().none());
    QTest::mouseClick(f.w->Image3, Qt::LeftButton, {}, Window::at({0, 0}));

    f.key(QKeySequence(Qt::Key_BracketRight)); // the bar (0,0)-(1,0) turned on its own
    QCOMPARE(litIn(f.frame(1)), (Points{{0, 0}, {0, 1}, {8, 8}, {15, 15}}));
    f.key(QKeySequence(Qt::CTRL | Qt::Key_C));
    QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(RegionClipboard::MimeType));
    f.key(QKeySequence(Qt::Key_Delete));
    QCOMPARE(litIn(f.frame(1)), (Points{{8, 8}, {15, 15}}));
    QCOMPARE(f.editor().animation().imageCount(), 2);

    f.key(QKeySequence(Qt::Key_Escape));
    QVERIFY(f.w->Image1->selectionOutline().none());
    f.key(QKeySequence(Qt::CTRL | Qt::Key_C));
    QCOMPARE(f.editor().animation().clipFrame(), f.frame(1));
    f.key(QKeySequence(Qt::Key_Delete));
    QCOMPARE(f.editor().animation().imageCount(), 1);
}

// The window as it opens, the tools and frames beside the board: the strip shows
// several whole thumbnails at once. Ctrl+A in the strip chooses every image and
// leaves the LEDs alone; on the board it selects every LED.
void SelectionTest::stripShowsManyAndCtrlAChoosesWhatHasTheFocus() {
    Window f(std::vector<Frame>(12, pattern(1)));
    f.key(QKeySequence(Qt::Key_F9));
    QVERIFY(f.w->isSidePanelOpen());
    auto* list = f.w->frameStrip()->findChild<QListView*>();
    int whole = 0;
    for (int row = 0; row < 12; ++row)
        whole += list->viewport()->rect().contains(list->visualRect(list->model()->index(row, 0)));
    QVERIFY2(whole >= 4, qPrintable(QString::number(whole)));

    list->setFocus();
    QTest::keySequence(list, QKeySequence(Qt::CTRL | Qt::Key_A));
    QCOMPARE(f.w->frameStrip()->chosenImages().size(), std::size_t(12));
    QVERIFY(f.w->Image1->selectionOutline().none());

    f.w->Image3->setFocus();
    QTest::keySequence(f.w->Image3, QKeySequence(Qt::CTRL | Qt::Key_A));
    QCOMPARE(f.w->sidePanel()->tool(), Tool::Select);
    QCOMPARE(f.w->Image1->selectionOutline().count(), std::size_t(256));
}

QTEST_MAIN(SelectionTest)
#include "test_selection.moc"
