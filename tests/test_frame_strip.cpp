// The frame strip as the user drives it: clicks, its keys, a drag and undo, with
// its thumbnails checked against the animation after each.
#include "support/FakeServices.h"
#include "support/ModalAnswers.h"

#include "pictures/BoardRendering.h"
#include "ui/FrameStrip.h"

#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QShortcut>
#include <QVBoxLayout>
#include <QtTest>
#include <numeric>

namespace {

// Frames 1 to 4, frame n with LED n lit, image 2 shown, in a window two
// thumbnails wide that has keys of its own for Insert, Delete, Ctrl+A,
// Shift+Down and Home as the editor's window does.
struct Strip {
    EditorFixture f;
    QWidget window;
    FrameStrip strip{*f, Qt::Vertical, &window};
    QListView* list = strip.findChild<QListView*>(QStringLiteral("frames"));
    int windowKeys = 0;

    Strip() {
        f->setAfterHandler([this] { strip.refresh(); });
        std::vector<FrameStore::Frame> frames(4);
        for (std::size_t n = 0; n < 4; ++n)
            frames[n][n + 1] = FrameStore::Lit;
        f->importFrames(frames, true);
        f->goToImage(2);
        for (QKeySequence key :
             {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::Key_Delete),
              QKeySequence(QKeySequence::SelectAll), QKeySequence(Qt::SHIFT | Qt::Key_Down)})
            QObject::connect(new QShortcut(key, &window), &QShortcut::activated, &window,
                             [this] { ++windowKeys; });
        QObject::connect(new QShortcut(Qt::Key_Home, &window), &QShortcut::activated, &window,
                         [this] { f->click(Control::FirstImage); });
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(&strip);
        window.resize(120, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    // "n" clicks image n, "+n" with Ctrl, "^n" with Shift; anything else is a key.
    void run(const QString& script) {
        for (const QString& token : script.split(QLatin1Char(' '))) {
            if (token[0].isDigit())
                click(token.toInt());
            else if (token[0] == QLatin1Char('+') || token[0] == QLatin1Char('^'))
                click(token.mid(1).toInt(),
                      token[0] == QLatin1Char('+') ? Qt::ControlModifier : Qt::ShiftModifier);
            else
                QTest::keySequence(list, QKeySequence::fromString(token));
        }
    }

    void click(int image, Qt::KeyboardModifiers modifiers = {}) {
        const QModelIndex index = list->model()->index(image - 1, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualRect(index).center());
    }

    // Each image by the LED lit in its thumbnail, "-" for none, then the current one.
    QString order() const {
        QString text;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            const QImage thumbnail = list->model()
                                         ->index(row, 0)
                                         .data(Qt::DecorationRole)
                                         .value<QIcon>()
                                         .pixmap(32)
                                         .toImage();
            int lit = 0;
            while (lit < 256 &&
                   thumbnail.pixelColor(lit % 16 * 2, lit / 16 * 2) != BoardRendering::LitColour)
                ++lit;
            text += lit == 256 ? QStringLiteral("-") : QString::number(lit);
        }
        return text + QStringLiteral(" @%1").arg(list->currentIndex().row() + 1);
    }

    QString editorOrder() {
        QString text;
        for (int image = 1; image <= f->animation().imageCount(); ++image) {
            const FrameStore::Frame frame = f->animation().frame(image);
            const auto lit = std::find(frame.begin(), frame.end(), FrameStore::Lit);
            text += lit == frame.end() ? QStringLiteral("-") : QString::number(lit - frame.begin());
        }
        return text + QStringLiteral(" @%1").arg(f->animation().currentImage());
    }
};

} // namespace

class FrameStripTest : public QObject {
    Q_OBJECT
private slots:
    void clicksAndKeys_data();
    void clicksAndKeys();
    void rangesReachFromTheImageShown_data();
    void rangesReachFromTheImageShown();
    void dragUndoAndPlaying();
    void dropsInAScrolledStrip_data();
    void dropsInAScrolledStrip();
};

void FrameStripTest::clicksAndKeys_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("steps"); // -1: refused, with its reason shown
    QTest::newRow("click") << "3"
                           << "1234 @3" << 0;
    QTest::newRow("arrow key") << "1 Down Down"
                               << "1234 @3" << 0;
    QTest::newRow("duplicate") << "2 Ctrl+D"
                               << "12234 @3" << 1;
    QTest::newRow("duplicate several") << "1 +3 Ctrl+D"
                                       << "123134 @4" << 1;
    QTest::newRow("insert empty") << "2 Ins"
                                  << "12-34 @3" << 1;
    QTest::newRow("delete several") << "1 ^3 Del"
                                    << "4 @1" << 1;
    QTest::newRow("delete every image") << "1 ^4 Del"
                                        << "1234 @4" << -1;
    QTest::newRow("move later") << "2 Alt+Down"
                                << "1324 @3" << 1;
    QTest::newRow("move several earlier") << "4 +3 Alt+Up"
                                          << "1342 @2" << 1;
    QTest::newRow("first cannot move earlier") << "1 Alt+Up"
                                               << "1234 @1" << -1;
}

void FrameStripTest::clicksAndKeys() {
    QFETCH(QString, script);
    QFETCH(QString, after);
    QFETCH(int, steps);
    Strip s;
    const std::size_t before = s.f->history().undoCount();
    s.run(script);
    QCOMPARE(s.order(), after);
    QCOMPARE(s.editorOrder(), after);
    QCOMPARE(s.f->history().undoCount(), before + std::size_t(std::max(steps, 0)));
    QCOMPARE(s.strip.findChild<QLabel*>(QStringLiteral("status"))->isVisible(), steps < 0);
    QCOMPARE(s.windowKeys, 0);
}

// Twelve images: a range chosen with Shift reaches from the image shown, however
// it came to be shown, to the one clicked or stepped to; the hold time then
// asks for as many images as are chosen.
void FrameStripTest::rangesReachFromTheImageShown_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("last clicked, the window's Home, Shift+Down") << "12 Home Shift+Down" << 1 << 2;
    QTest::newRow("the window's Home, Shift+click") << "12 Home ^3" << 1 << 3;
    QTest::newRow("Shift+End") << "5 Shift+End" << 5 << 12;
    QTest::newRow("Shift+Home") << "5 Shift+Home" << 1 << 5;
    QTest::newRow("the anchor stays while the range changes") << "4 ^7 ^2" << 2 << 4;
    QTest::newRow("an arrow alone moves the anchor") << "4 ^6 Down Shift+Down" << 7 << 8;
    QTest::newRow("Ctrl+A: every image") << "3 Ctrl+A" << 1 << 12;
}

void FrameStripTest::rangesReachFromTheImageShown() {
    QFETCH(QString, script);
    QFETCH(int, first);
    QFETCH(int, last);
    Strip s;
    s.f->importFrames(std::vector<FrameStore::Frame>(12), true);
    s.run(script);
    std::vector<int> range(std::size_t(last - first + 1));
    std::iota(range.begin(), range.end(), first);
    QCOMPARE(s.strip.chosenImages(), range);
    QCOMPARE(s.windowKeys, 0);
    QString asked;
    ModalAnswers answers([&asked](QWidget* dialog) {
        asked = dialog->findChildren<QLabel*>().value(0)->text();
        static_cast<QDialog*>(dialog)->reject();
    });
    QTest::keySequence(s.list, QKeySequence(Qt::CTRL | Qt::Key_H));
    QCOMPARE(
        asked,
        QStringLiteral("How long each of the %1 chosen images is shown:").arg(last - first + 1));
}

void FrameStripTest::dragUndoAndPlaying() {
    Strip s;
    s.click(1);
    s.click(3, Qt::ControlModifier);
    QAbstractItemModel* model = s.list->model();
    std::unique_ptr<QMimeData> dragged(
        model->mimeData(s.list->selectionModel()->selectedIndexes()));
    model->dropMimeData(dragged.get(), Qt::MoveAction, -1, -1, {}); // below the last image
    QCOMPARE(s.order(), QStringLiteral("2413 @3"));
    s.f->undo();
    QCOMPARE(s.order(), QStringLiteral("1234 @3"));
    QCOMPARE(QAccessible::queryAccessibleInterface(s.list)->child(1)->text(QAccessible::Name),
             QStringLiteral("Image 2 of 4"));

    // A toggled LED redraws its own thumbnail and no other.
    QSignalSpy redrawn(model, &QAbstractItemModel::dataChanged);
    s.f->mouseMove(0, 0, 120, 120);
    s.f->mouseUp(1, 0, 120, 120); // LED 0 of image 3
    QCOMPARE(redrawn.size(), 1);
    QCOMPARE(redrawn[0][0].toModelIndex().row(), 2);
    QCOMPARE(redrawn[0][1].toModelIndex().row(), 2);

    // While playing the strip follows, and its edits are refused.
    s.f->click(Control::StartStop);
    s.f->tick();
    s.click(1);
    QCOMPARE(s.list->currentIndex().row() + 1, s.f->animation().currentImage());
    QVERIFY(s.f->animation().currentImage() != 1);
    QTest::keyClick(s.list, Qt::Key_Delete);
    QCOMPARE(s.f->animation().imageCount(), 4);
    QVERIFY(s.strip.findChild<QLabel*>(QStringLiteral("status"))->text().contains("plays"));
}

// Ten images, image n with LED n - 1 lit, two to a line, the strip scrolled to
// `atTop`, one image dropped: it lands between the thumbnails nearest the point
// let go in reading order, as the strip is scrolled then, also where no
// thumbnail is (the spacing between two lines, beside them, the view's top
// edge). Image -1 is a drag from elsewhere.
void FrameStripTest::dropsInAScrolledStrip_data() {
    QTest::addColumn<int>("dragged");
    QTest::addColumn<int>("atTop");
    QTest::addColumn<int>("onto"); // the image the point is taken from
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("after");
    const auto row = [](const char* name, int dragged, int atTop, int onto, const char* where,
                        const char* after) {
        QTest::newRow(name) << dragged << atTop << onto << where << after;
    };
    row("top edge, scrolled back to the first", 8, 1, 1, "top edge", "7012345689");
    row("spacing above image 4: the end of the line above", 9, 3, 4, "gap above", "0182345679");
    row("beside image 5, after its line", 10, 5, 5, "beside", "0123459678");
    row("left half of image 6", 1, 5, 6, "left", "1234056789");
    row("right half of image 6", 1, 5, 6, "right", "1234506789");
    row("right half of the last", 1, 9, 10, "right", "1234567890");
    row("a drag from elsewhere", -1, 5, 6, "right", "0123456789");
}

void FrameStripTest::dropsInAScrolledStrip() {
    QFETCH(int, dragged);
    QFETCH(int, atTop);
    QFETCH(int, onto);
    QFETCH(QString, where);
    QFETCH(QString, after);
    Strip s;
    s.window.resize(120, 160);
    std::vector<FrameStore::Frame> frames(10);
    for (std::size_t n = 0; n < frames.size(); ++n)
        frames[n][n] = FrameStore::Lit;
    s.f->importFrames(frames, true);
    QAbstractItemModel* model = s.list->model();
    s.list->scrollTo(model->index(atTop - 1, 0), QAbstractItemView::PositionAtTop);
    const QRect r = s.list->visualRect(model->index(onto - 1, 0));
    const QPoint at = where == "top edge"    ? QPoint(r.center().x(), 0)
                      : where == "gap above" ? QPoint(r.center().x(), r.top() - 1)
                      : where == "beside" ? QPoint(s.list->viewport()->width() - 1, r.bottom() - 2)
                      : where == "left"   ? QPoint(r.left() + 2, r.center().y())
                                          : QPoint(r.right() - 2, r.center().y());
    QVERIFY(s.list->viewport()->rect().contains(at));
    QCOMPARE(s.list->indexAt(at).isValid(), where == "left" || where == "right");

    std::unique_ptr<QMimeData> data;
    if (dragged > 0) {
        data.reset(model->mimeData({model->index(dragged - 1, 0)}));
    } else {
        data = std::make_unique<QMimeData>();
        data->setData(QStringLiteral("application/x-quentaro-images"), "1");
    }
    QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(s.list->viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(s.list->viewport(), &drop);
    QCOMPARE(drop.isAccepted(), dragged > 0);
    QCOMPARE(s.editorOrder().section(QLatin1Char(' '), 0, 0), after);
    QCOMPARE(s.order().section(QLatin1Char(' '), 0, 0), after);
}

QTEST_MAIN(FrameStripTest)
#include "test_frame_strip.moc"
