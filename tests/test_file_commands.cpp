// New, Load and Save of animation files through the editor.
#include "support/FakeServices.h"
#include "support/ModalAnswers.h"

#include "files/NativeFormat.h"
#include "playback/SpeedLadder.h"
#include "ui/AnimationControls.h"
#include "ui/SidePanel.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray ledText(const std::vector<std::uint8_t>& cells) {
    QByteArray text;
    for (std::uint8_t v : cells)
        text += ' ' + QByteArray::number(v) + " \r\n";
    return text;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything a failed or cancelled command must leave as it was.
struct EditorSnapshot {
    std::vector<std::uint8_t> frames;
    int currentImage, imageCount;
    QString label, caption;
    std::vector<bool> hidden;
    std::vector<std::uint8_t> board;
    bool operator==(const EditorSnapshot&) const = default;
};

EditorSnapshot snapshot(EditorFixture& f) {
    std::vector<bool> hidden;
    for (const ButtonEntry& entry : Buttons)
        hidden.push_back(!f.panel().isShown(entry.control));
    return {f->animation().frames(),
            f->animation().currentImage(),
            f->animation().imageCount(),
            f.panel().label2,
            f.panel().caption,
            hidden,
            f.board()};
}

// Three frames, frame 2 shown with cell 17 lit.
void editAnimation(EditorFixture& f) {
    f->Command25_Click();
    f->Command25_Click();
    f->Command23_Click();
    f->animation().bytes()[256 + 17] = 1;
    f->Chitmat();
}

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void dialogsCarryTheirSettingsAndCancelChangesNothing();
    void newStartsOverWithOneEmptyFrame();
    void saveWritesTheStoreByteForByte();
    void loadShowsFrameOneAndSetsTheButtons();
    void loadTakesEveryFrameAndRoundsPartialFramesUp();
    void refusedFilesLeaveTheAnimationAlone();
    void unreadableFileIsRefused();
    void loadTakesTheFilesSpeedAndUndoGivesItBack();
    void saveAnimationOffersItsFileAndName_data();
    void saveAnimationOffersItsFileAndName();
};

void FileCommandsTest::dialogsCarryTheirSettingsAndCancelChangesNothing() {
    EditorFixture f;
    editAnimation(f);
    f->slideshow().setOn(true);
    const EditorSnapshot before = snapshot(f);
    f.port.clear();
    for (void (Editor::*command)() : {&Editor::Command17_Click, &Editor::Command20_Click}) {
        f.dialog.cancel();
        (*f.*command)();
        f.dialog.answer(QString(""));
        (*f.*command)();
    }
    QCOMPARE(f.dialog.requests.size(), std::size_t(4));
    for (std::size_t i = 0; i < 4; ++i) {
        const FileDialogRequest& r = f.dialog.requests[i];
        const bool save = i >= 2;
        QCOMPARE(r.kind, save ? FileDialogRequest::Kind::Save : FileDialogRequest::Kind::Open);
        QCOMPARE(r.filter, save ? QStringLiteral("Файлы команд (*.led)|*.led|Все файлы(*.*)|*.*|")
                                : QStringLiteral("Файлы команд (*.led)|*.led|"));
        QCOMPARE(r.defaultExt, save ? QStringLiteral("*.txt") : QStringLiteral("*.led"));
        QCOMPARE(r.fileName, QStringLiteral(" "));
    }
    QVERIFY(snapshot(f) == before);
    QCOMPARE(f->slideshow().on(), true);
    QCOMPARE(f.port.count(), std::size_t(16)); // one Nulreg each
}

void FileCommandsTest::newStartsOverWithOneEmptyFrame() {
    EditorFixture f;
    editAnimation(f);
    for (int i = 0; i < 47; ++i) // to 50 frames: Add hidden
        f->Command25_Click();
    QVERIFY(!f.panel().isShown(Control::AddImage));
    f->slideshow().setOn(true);
    f.port.clear();
    f->Command18_Click();
    QCOMPARE(f->animation().frames(), std::vector<std::uint8_t>(256, 0));
    QVERIFY(f->animation().currentImage() == 1 && f->animation().imageCount() == 1);
    QCOMPARE(f.panel().label2, QStringLiteral("1/1"));
    QCOMPARE(f.panel().caption, QStringLiteral("QUENTARO - NEW"));
    for (Control b : {Control::FirstImage, Control::PreviousImage, Control::NextImage,
                      Control::LastImage, Control::AddImage, Control::DeleteImage})
        QCOMPARE(!f.panel().isShown(b), b != Control::AddImage);
    QCOMPARE(f.board(), std::vector<std::uint8_t>(256, 0));
    QCOMPARE(f->slideshow().on(), true);
    QVERIFY(f.port.count() == 0 && f.dialog.requests.empty());
}

void FileCommandsTest::saveWritesTheStoreByteForByte() {
    QTemporaryDir dir;
    EditorFixture f;
    f->animation().bytes()[0] = 1;
    const QString one = dir.filePath("one.led");
    writeFile(one, QByteArray(" 1 \r\n").repeated(2560)); // a longer file is replaced whole
    f.dialog.answer(one);
    f->Command20_Click();
    QCOMPARE(readFile(one), " 1 \r\n" + QByteArray(" 0 \r\n").repeated(255));
    QCOMPARE(f.panel().caption, "QUENTARO - " + one);

    editAnimation(f);
    EditorSnapshot before = snapshot(f);
    const QString three = dir.filePath("drei Bilder für später.led");
    f.dialog.answer(three);
    f->Command20_Click();
    const QByteArray bytes = readFile(three);
    QCOMPARE(bytes.size(), 3840);
    QCOMPARE(bytes.count("\r\n"), 768);
    QVERIFY(bytes[1] == '1' && bytes[1366] == '1' && bytes.count('1') == 2);
    before.caption = "QUENTARO - " + three; // only the caption changes
    QVERIFY(snapshot(f) == before);

    // Names that cannot be written leave the caption and what was there.
    QVERIFY(QDir(dir.path()).mkdir("taken.led"));
    for (const QString& bad : {dir.filePath("no such dir/x.led"), dir.filePath("taken.led")}) {
        f.dialog.answer(bad);
        f->Command20_Click();
        QCOMPARE(f.panel().caption, before.caption);
    }
    QVERIFY(QFileInfo(dir.filePath("taken.led")).isDir());
}

void FileCommandsTest::loadShowsFrameOneAndSetsTheButtons() {
    QTemporaryDir dir;
    EditorFixture f;
    editAnimation(f);
    f->animation().bytes()[0] = 1;
    f->animation().bytes()[2 * 256 + 255] = 1;
    const std::vector<std::uint8_t> saved = f->animation().frames();
    const QString path = dir.filePath("Ärger mit Lücken.led");
    f.dialog.answer(path);
    f->Command20_Click();

    f->Command18_Click();
    f->Command25_Click();
    f->Command24_Click();        // frame 2 of 2: First and Previous shown
    for (int i = 0; i < 48; ++i) // to 50 frames: Add hidden
        f->Command25_Click();
    QVERIFY(!f.panel().isShown(Control::AddImage));
    f->slideshow().setOn(true);
    f.dialog.answer(path);
    f->Command17_Click();
    QCOMPARE(f->animation().frames(), saved);
    QVERIFY(f->animation().imageCount() == 3 && f->animation().currentImage() == 1);
    QCOMPARE(f.panel().label2, QStringLiteral("1/3"));
    QVERIFY(!f.panel().isShown(Control::FirstImage) && !f.panel().isShown(Control::PreviousImage));
    QVERIFY(f.panel().isShown(Control::NextImage) && f.panel().isShown(Control::LastImage) &&
            f.panel().isShown(Control::DeleteImage));
    QVERIFY(!f.panel().isShown(Control::AddImage)); // left as it was
    QCOMPARE(f.board(), f.frame(1));
    QCOMPARE(f.panel().caption, "QUENTARO - " + path);
    QCOMPARE(f->slideshow().on(), false);

    const QString single = dir.filePath("single.led");
    writeFile(single, ledText(std::vector<std::uint8_t>(256, 1)));
    f.dialog.answer(single);
    f->Command17_Click();
    QCOMPARE(f.panel().label2, QStringLiteral("1/1"));
    QVERIFY(!f.panel().isShown(Control::NextImage) && !f.panel().isShown(Control::LastImage) &&
            !f.panel().isShown(Control::DeleteImage));
    QCOMPARE(f.board(), std::vector<std::uint8_t>(256, 1));
}

void FileCommandsTest::loadTakesEveryFrameAndRoundsPartialFramesUp() {
    QTemporaryDir dir;
    EditorFixture f;
    auto load = [&](const QString& name, const QByteArray& bytes) {
        writeFile(dir.filePath(name), bytes);
        f.dialog.answer(dir.filePath(name));
        f->Command17_Click();
        return f->animation().frames();
    };
    std::vector<std::uint8_t> expected(60 * 256, 0);
    for (std::size_t n = 0; n < 60; ++n)
        expected[n * 256 + n] = 1;
    QCOMPARE(load("sixty.led", ledText(expected)), expected);
    QCOMPARE(f.panel().label2, QStringLiteral("1/60"));
    QVERIFY(f.panel().isShown(Control::AddImage));

    // 1281 bytes: the byte past the whole frame starts a second, mostly dark one.
    expected.assign(512, 0);
    expected[256] = 1;
    QCOMPARE(load("1281.led", ledText(std::vector<std::uint8_t>(256, 0)) + "1"), expected);
    QCOMPARE(f->animation().imageCount(), 2);

    // 1279 bytes: the last line lacks its LF and still counts.
    QCOMPARE(load("1279.led", ledText(std::vector<std::uint8_t>(256, 1)).chopped(1)),
             std::vector<std::uint8_t>(256, 1));
    QCOMPARE(f->animation().imageCount(), 1);

    // Padded lines fill only the first cells; a 2 is kept but shows dark.
    expected.assign(256, 0);
    std::fill_n(expected.begin(), 182, 1);
    expected[182] = 2;
    QCOMPARE(load("padded.led", QByteArray("  1  \r\n").repeated(182) + "  2  \r"), expected);
    expected[182] = 0;
    QCOMPARE(f.board(), expected);
}

void FileCommandsTest::refusedFilesLeaveTheAnimationAlone() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder.led"));
    writeFile(dir.filePath("empty.led"), {});
    const QByteArray lit = ledText(std::vector<std::uint8_t>(3 * 256, 1));
    writeFile(dir.filePath("256.led"), lit.chopped(5) + "256\r\n"); // bad last line
    writeFile(dir.filePath("minus.led"), " -1 \r\n" + lit.mid(5));
    writeFile(dir.filePath("short lines.led"), QByteArray("1\r").repeated(640));
    QFile huge(dir.filePath("huge.led")); // 32,768 frames, sparse
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(32768) * 1280));
    huge.close();

    EditorFixture f;
    editAnimation(f);
    const EditorSnapshot before = snapshot(f);
    for (const char* name : {"missing.led", "folder.led", "empty.led", "256.led", "minus.led",
                             "short lines.led", "huge.led"}) {
        f->slideshow().setOn(true);
        f.port.clear();
        f.dialog.answer(dir.filePath(name));
        f->Command17_Click();
        QVERIFY2(snapshot(f) == before, name);
        QCOMPARE(f->slideshow().on(), false);
        QCOMPARE(f.port.count(), std::size_t(4)); // Nulreg
    }
}

void FileCommandsTest::unreadableFileIsRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("locked.led");
    writeFile(path, ledText(std::vector<std::uint8_t>(256, 1)));
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        QSKIP("running with rights that read any file");
    EditorFixture f;
    editAnimation(f);
    const EditorSnapshot before = snapshot(f);
    f.dialog.answer(path);
    f->Command17_Click();
    QVERIFY(snapshot(f) == before);
}

// A .qanim sets its speed, the start speed too; undoing the load gives the
// speed from before back.
void FileCommandsTest::loadTakesTheFilesSpeedAndUndoGivesItBack() {
    QTemporaryDir dir;
    EditorFixture f;
    for (const int ms : {145, SpeedLadder::StartMs}) {
        NativeAnimation native = NativeFormat::fromLedStore(std::vector<std::uint8_t>(256, 0));
        native.levels[std::size_t(ms % 256)] = 15; // each file its own frame
        native.speedMs = ms;
        writeFile(dir.filePath("a.qanim"), QByteArray::fromStdString(NativeFormat::write(native)));
        QCOMPARE(f->openAnimation(dir.filePath("a.qanim")), QString());
        QCOMPARE(f->playback().intervalMs(), ms);
    }
    QCOMPARE(f.panel().label1.toStdString(), SpeedLadder::rateText(SpeedLadder::StartMs));
    f->undo();
    QCOMPARE(f->playback().intervalMs(), 145);
}

// Save animation… offers the .qanim beside the file loaded, else one of the
// animation's name, and keeps the name typed in its Name field.
void FileCommandsTest::saveAnimationOffersItsFileAndName_data() {
    QTest::addColumn<QString>("loaded"); // a .led in the test folder, or none
    QTest::addColumn<QString>("name");   // the animation's before
    QTest::addColumn<QString>("offered");
    QTest::newRow("a .led loaded") << "wave.led" << QString() << QString("wave.qanim");
    QTest::newRow("a new animation with a name")
        << QString() << "a/b: c" << QString("a-b: c.qanim");
}

void FileCommandsTest::saveAnimationOffersItsFileAndName() {
    QFETCH(QString, loaded);
    QFETCH(QString, name);
    QTemporaryDir dir;
    EditorFixture f;
    QWidget window;
    SidePanel panel(&window);
    AnimationControls controls(window, *f, panel);
    writeFile(dir.filePath("wave.led"), ledText(std::vector<std::uint8_t>(256, 0)));
    QCOMPARE(loaded.isEmpty() ? f->setName(name) : f->openAnimation(dir.filePath(loaded)),
             QString());
    QString offered, nameShown;
    ModalAnswers answers([&](QWidget* dialog) {
        auto* fileName = dialog->findChild<QLineEdit*>("fileNameEdit");
        auto* nameField = dialog->findChild<QLineEdit*>("animationName");
        QVERIFY(fileName && nameField);
        offered = fileName->text();
        nameShown = nameField->text();
        fileName->setText(dir.filePath("saved.qanim"));
        nameField->setText("Typed");
        qobject_cast<QDialog*>(dialog)->accept();
    });
    controls.saveAction()->trigger();
    QTEST(offered, "offered");
    QCOMPARE(nameShown, name);
    QVERIFY(readFile(dir.filePath("saved.qanim")).contains("\nname Typed\n"));
}

QTEST_MAIN(FileCommandsTest)
#include "test_file_commands.moc"
