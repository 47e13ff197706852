// The slideshow: reading a playlist and playing its animation files in turn.
#include "support/FakeServices.h"

#include "files/FilePath.h"
#include "files/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An animation file of `frames` frames; frame n has cell `mark` + n - 1 lit.
QByteArray animation(int frames, int mark) {
    QByteArray text;
    for (int i = 0; i < frames * 256; ++i)
        text += i % 256 == mark + i / 256 ? " 1 \r\n" : " 0 \r\n";
    return text;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QString caption(const QString& playlist, const QString& entry) {
    return "QUENTARO - " + playlist + '\\' + entry + ".led";
}

std::vector<std::uint8_t> litAt(int cell) {
    std::vector<std::uint8_t> cells(256, 0);
    cells[std::size_t(cell)] = 1;
    return cells;
}

void startShow(EditorFixture& f, const QString& playlist) {
    f.dialog.answer(playlist);
    f->Command28_Click();
    QVERIFY(f->playback().playing() && f.timer->isActive() && f->slideshow().on());
    QVERIFY(f.panel().timerEnabled);
    QVERIFY(f.panel().picture(Control::StartStop) == Store::Image7);
    QCOMPARE(f.panel().tooltip(Control::StartStop), QStringLiteral("Stop"));
    for (Control b : {Control::VerticalFlip, Control::LoadFile, Control::NewFile, Control::SaveFile,
                      Control::AddImage, Control::Slideshow})
        QVERIFY2(!f.panel().isShown(b), entryOf(b).name);
}

void expectStopped(EditorFixture& f) {
    QVERIFY(!f->playback().playing() && !f.timer->isActive());
    QVERIFY(!f.panel().timerEnabled);
    QVERIFY(f.panel().picture(Control::StartStop) == Store::Image6);
    QVERIFY(f.panel().isShown(Control::Slideshow) && f.panel().isShown(Control::LoadFile) &&
            f.panel().isShown(Control::VerticalFlip));
}

} // namespace

class SlideshowTest : public QObject {
    Q_OBJECT
private slots:
    void dialogSettingsAndCancel();
    void threeLinesPlayTheFirstTwoInTurn();
    void stopAndStartContinueTheShowLoadEndsIt();
    void failedNextFileStopsTheShowAsStopWould();
    void playlistsThatPlayNothing();
    void entriesBesideThePlaylistThenInTheCurrentDirectory();
    void namesThatAreNotUtf8_data();
    void namesThatAreNotUtf8();
    void oneLineRepeatsAndTheLongestPlaylistPlays();
};

void SlideshowTest::dialogSettingsAndCancel() {
    EditorFixture f;
    f->Command33_Click(); // playing
    f->slideshow().restore({.playlist = {}, .path = {}, .count = 4, .position = 2, .on = false});
    f.port.clear();
    f.dialog.cancel();
    f->Command28_Click();
    const FileDialogRequest& r = f.dialog.requests.at(0);
    QCOMPARE(r.kind, FileDialogRequest::Kind::Open);
    QCOMPARE(r.filter, QStringLiteral("Файлы команд (*.pat)|*.pat|"));
    QCOMPARE(r.defaultExt, QStringLiteral("*.pat"));
    QCOMPARE(r.fileName, QStringLiteral(" "));
    QVERIFY(!f->playback().playing() && !f.timer->isActive());
    QVERIFY(!f.panel().timerEnabled);
    QVERIFY(f.panel().picture(Control::StartStop) == Store::Image6);
    QCOMPARE(f.panel().tooltip(Control::StartStop), QStringLiteral("Stop")); // not touched
    QCOMPARE(f.port.count(), std::size_t(4));                                // Nulreg
    QCOMPARE(f->slideshow().position(), 0);
    QCOMPARE(f->slideshow().count(), 4);
}

void SlideshowTest::threeLinesPlayTheFirstTwoInTurn() {
    QTemporaryDir dir;
    writeFile(dir.filePath("a.led"), animation(1, 10));
    writeFile(dir.filePath("b.led"), animation(2, 20));
    writeFile(dir.filePath("c.led"), animation(1, 30));
    const QString playlist = dir.filePath("show.pat");
    writeFile(playlist, "a\r\nb\r\nc");

    EditorFixture f;
    f->animation().bytes()[5] = 1;
    f->Chitmat();
    startShow(f, playlist);
    QCOMPARE(f.panel().caption, caption(playlist, "a"));
    QCOMPARE(f->animation().frames(), litAt(10));
    QCOMPARE(f.board(), litAt(5)); // the first tick draws
    QStringList shown;
    for (int tick = 0; tick < 7; ++tick) {
        f->Timer2_Timer();
        QCOMPARE(f.board(), f.frame(f->animation().currentImage()));
        shown << f.panel().caption.section('\\', -1) + ' ' + f.panel().label2;
    }
    QCOMPARE(shown, QStringList({"b.led 1/2", "b.led 2/2", "a.led 1/1", "b.led 1/2", "b.led 2/2",
                                 "a.led 1/1", "b.led 1/2"}));
}

void SlideshowTest::stopAndStartContinueTheShowLoadEndsIt() {
    QTemporaryDir dir;
    writeFile(dir.filePath("a.led"), animation(2, 0));
    writeFile(dir.filePath("b.led"), animation(1, 50));
    writeFile(dir.filePath("other.led"), animation(1, 99));
    const QString playlist = dir.filePath("show.pat");
    writeFile(playlist, "a\r\nb\r\n\r\n");

    EditorFixture f;
    startShow(f, playlist);
    f->Timer2_Timer();
    f->Command33_Click();
    expectStopped(f);
    QCOMPARE(f.board(), f.frame(2));
    f->Command33_Click();
    f->Timer2_Timer();
    QCOMPARE(f.panel().caption, caption(playlist, "b"));
    QCOMPARE(f.board(), litAt(50));

    f->Command33_Click();
    f.dialog.answer(dir.filePath("other.led"));
    f->Command17_Click();
    f->Command33_Click();
    for (int tick = 0; tick < 3; ++tick)
        f->Timer2_Timer();
    QCOMPARE(f.panel().caption, "QUENTARO - " + dir.filePath("other.led"));
    QCOMPARE(f.board(), litAt(99));
}

void SlideshowTest::failedNextFileStopsTheShowAsStopWould() {
    QTemporaryDir dir;
    writeFile(dir.filePath("a.led"), animation(2, 0));
    writeFile(dir.filePath("bad.led"), " 300 \r\n");
    const QString playlist = dir.filePath("show.pat");
    writeFile(playlist, "a\r\nmissing\r\nbad\r\nend");

    EditorFixture f;
    startShow(f, playlist);
    const std::vector<std::uint8_t> frames = f->animation().frames();
    f->Command27_Click(); // blanked: Stop shows the board again
    for (int failure = 0; failure < 2; ++failure) {
        f->Timer2_Timer();
        f->Timer2_Timer(); // past the last frame: the next entry fails
        expectStopped(f);
        QCOMPARE(f.panel().tooltip(Control::StartStop), QStringLiteral("Start"));
        QCOMPARE(f->outputModes().matrixOff(), false);
        QCOMPARE(f->animation().frames(), frames);
        QCOMPARE(f.panel().label2, QStringLiteral("1/2"));
        QVERIFY(!f.panel().isShown(Control::FirstImage) && f.panel().isShown(Control::LastImage));
        QCOMPARE(f.board(), f.frame(1));
        QCOMPARE(f.panel().caption, caption(playlist, "a"));
        f->Command33_Click(); // Start goes on after the entry that failed
    }
    f->Timer2_Timer();
    f->Timer2_Timer();
    QCOMPARE(f.panel().caption, caption(playlist, "a"));
    QCOMPARE(f->playback().playing(), true);
}

void SlideshowTest::playlistsThatPlayNothing() {
    QTemporaryDir dir;
    writeFile(dir.filePath("a.led"), animation(1, 7));
    QVERIFY(QDir(dir.path()).mkdir("folder.pat"));
    writeFile(dir.filePath("empty.pat"), {});
    writeFile(dir.filePath("1002.pat"), QByteArray("a\r\n").repeated(1001) + "a");
    const QString playlist = dir.filePath("first missing.pat");
    writeFile(playlist, "gone\r\na\r\nend");

    EditorFixture f;
    f->Command25_Click();
    const std::vector<std::uint8_t> frames = f->animation().frames();
    for (const char* name : {"missing.pat", "folder.pat", "empty.pat", "1002.pat"}) {
        f.dialog.answer(dir.filePath(name));
        f->Command28_Click();
        expectStopped(f);
        QVERIFY(f->slideshow().count() == 0 && f->slideshow().path().empty());
        QCOMPARE(f->slideshow().on(), false);
    }
    // A missing first entry starts nothing, and playing the animation afterwards
    // never hands it over to the list at a wrap.
    f.dialog.answer(playlist);
    f->Command28_Click();
    expectStopped(f);
    QVERIFY(f.panel().isShown(Control::DeleteImage));
    QCOMPARE(f->slideshow().on(), false);
    f->Command33_Click();
    f->Timer2_Timer();
    f->Timer2_Timer();
    QCOMPARE(f->animation().frames(), frames);
    QCOMPARE(f.panel().caption, QStringLiteral("QUENTARO - NEW"));
}

void SlideshowTest::entriesBesideThePlaylistThenInTheCurrentDirectory() {
    QTemporaryDir shows, work;
    const QString folder = shows.filePath("Schöne Grüße");
    QVERIFY(QDir().mkdir(folder));
    writeFile(folder + "/nah und fern .led", animation(1, 1));
    writeFile(folder + "/.led", animation(1, 2));
    writeFile(work.filePath("fern.led"), animation(1, 3));
    writeFile(work.filePath("nah und fern .led"), animation(1, 4));
    writeFile(work.filePath("absolute.led"), animation(1, 5));
    const QString playlist = folder + "/liste 1.pat";
    writeFile(playlist, "nah und fern \r\n\r\nfern\r\n" + QFile::encodeName(work.path()) +
                            "/absolute\r\n\r\n");
    struct RestoreCurrent {
        QString path = QDir::currentPath();
        ~RestoreCurrent() { QDir::setCurrent(path); }
    } restore;
    QVERIFY(QDir::setCurrent(work.path()));

    EditorFixture f;
    startShow(f, playlist);
    QStringList seen{f.panel().caption};
    for (int mark : {2, 3, 5, 1}) {
        f->Timer2_Timer();
        seen << f.panel().caption;
        QCOMPARE(f.board(), litAt(mark));
    }
    QCOMPARE(seen,
             QStringList({caption(playlist, "nah und fern "), caption(playlist, ""),
                          caption(playlist, "fern"), caption(playlist, work.path() + "/absolute"),
                          caption(playlist, "nah und fern ")}));
}

void SlideshowTest::oneLineRepeatsAndTheLongestPlaylistPlays() {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.led");
    writeFile(a, animation(1, 0));
    writeFile(dir.filePath("one.pat"), "a");
    EditorFixture f;
    startShow(f, dir.filePath("one.pat"));
    for (int mark : {8, 9}) {
        writeFile(a, animation(1, mark)); // every wrap reads the file again
        f->Timer2_Timer();
        QCOMPARE(f.board(), litAt(mark));
    }
    f->Command33_Click();

    // 1001 lines: entries 0 to 999 play; the last line is never opened.
    QByteArray lines;
    for (int i = 0; i < 999; ++i)
        lines += "x" + QByteArray::number(i) + "\r\n";
    const QString playlist = dir.filePath("1001.pat");
    writeFile(playlist, lines + "a\r\nnever");
    writeFile(dir.filePath("x0.led"), animation(1, 0));
    startShow(f, playlist);
    QCOMPARE(f->slideshow().count(), 1001);
    f->slideshow().setPosition(998);
    f->Timer2_Timer();
    QCOMPARE(f.panel().caption, caption(playlist, "a"));
    f->Timer2_Timer();
    QCOMPARE(f.panel().caption, caption(playlist, "x0"));
}

void SlideshowTest::namesThatAreNotUtf8_data() {
    QTest::addColumn<QByteArray>("fileName"); // on disk, without .led
    QTest::addColumn<QByteArray>("entry");    // in the playlist; empty: opened directly
    QTest::addColumn<QString>("notice");
    const QByteArray latin1 = "\xC4rger", utf8 = "\xC3\x84rger";
    QTest::newRow("a Latin-1 name from the command line") << latin1 << QByteArray() << QString();
    QTest::newRow("a UTF-8 entry") << utf8 << utf8 << QString();
    QTest::newRow("an entry that names the file by its bytes")
        << latin1 << latin1 << QStringLiteral("found by its bytes");
    QTest::newRow("a Windows-1252 entry for a UTF-8 name")
        << utf8 << latin1 << QStringLiteral("found as Windows-1252 text");
    QTest::newRow("Windows-1252 beyond Latin-1: the euro sign")
        << QByteArray("\xE2\x82\xAC") << QByteArray("\x80")
        << QStringLiteral("found as Windows-1252 text");
}

void SlideshowTest::namesThatAreNotUtf8() {
    QFETCH(QByteArray, fileName);
    QFETCH(QByteArray, entry);
    QFETCH(QString, notice);
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const QByteArray frames = animation(1, 7);
    QVERIFY(SafeSave::writeFile(FilePath::fromBytes((folder + fileName + ".led").toStdString()),
                                frames.toStdString()));
    EditorFixture f;
    QStringList notices;
    f->setNotice([&notices](const QString& text) { notices << text; });
    if (entry.isEmpty()) {
        QCOMPARE(f->openAnimation(FilePath::fromBytes((folder + fileName + ".led").toStdString())),
                 QString());
    } else {
        writeFile(dir.filePath("show.pat"), entry + "\r\n\r\n");
        QCOMPARE(f->openPlaylist(dir.filePath("show.pat")), QString());
        f->Timer2_Timer(); // the second round says nothing more
    }
    QCOMPARE(f.frame(1), litAt(7));
    QCOMPARE(notices.size(), notice.isEmpty() ? 0 : 1);
    if (!notice.isEmpty())
        QVERIFY2(notices.front().endsWith(notice), qPrintable(notices.front()));
    for (int byte = 0; byte < 256; ++byte) { // any name survives the trip through a QString
        const std::string name = "a" + std::string(1, char(byte)) + "\xE2\x82";
        QCOMPARE(FilePath::toBytes(FilePath::fromBytes(name)).toStdString(), name);
    }
}

QTEST_GUILESS_MAIN(SlideshowTest)
#include "test_slideshow.moc"
