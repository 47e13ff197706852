// Save failures are told and change nothing, every animation Add can build loads
// back, and a slideshow that fails to start keeps the show that was there.
#include "support/FakeServices.h"

#include "files/LedFormat.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray animationWithCellLit(int cell) {
    std::vector<std::uint8_t> frame(256, 0);
    frame[std::size_t(cell)] = 1;
    return QByteArray::fromStdString(LedFormat::write(frame));
}

} // namespace

class SaveAndLimitsTest : public QObject {
    Q_OBJECT
private slots:
    void failedSaveIsToldAndChangesNothing_data();
    void failedSaveIsToldAndChangesNothing();
    void addStopsWhereLoadStops();
    void failedSlideshowStartKeepsTheEarlierShow();
};

void SaveAndLimitsTest::failedSaveIsToldAndChangesNothing_data() {
    QTest::addColumn<QString>("target"); // inside the test folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("a FIFO") << "fifo"
                            << "not a regular file";
    QTest::newRow("a folder") << "folder"
                              << "Is a directory";
    QTest::newRow("a folder that does not exist") << "gone/a.led"
                                                  << "No such file or directory";
}

void SaveAndLimitsTest::failedSaveIsToldAndChangesNothing() {
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600) == 0);
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    EditorFixture f;
    f->Image3_MouseMove(1, 0, 120, 120);
    f->Image3_MouseUp(1, 0, 120, 120);
    const auto frames = f->animation().frames();
    const QString path = dir.filePath(target);
    f.dialog.answer(path);
    f->Command20_Click();
    QCOMPARE(f.messages.size(), std::size_t(1));
    const Message& told = f.messages.front();
    QCOMPARE(told.kind, Message::Kind::Warning);
    QCOMPARE(told.title, QStringLiteral("Attention!"));
    QVERIFY2(told.text.contains(path) && told.text.contains(reason, Qt::CaseInsensitive),
             qPrintable(told.text));
    QCOMPARE(f.panel().caption, QStringLiteral("QUENTARO - NEW"));
    QCOMPARE(f->animation().frames(), frames);
    QVERIFY(QFileInfo(dir.filePath("fifo")).isSymLink() == false);
    QCOMPARE(QDir(dir.path())
                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({"fifo", "folder"}));
}

void SaveAndLimitsTest::addStopsWhereLoadStops() {
    QTemporaryDir dir;
    EditorFixture f;
    const int limit = LedFormat::MaxFrames;
    f->animation().setImageCount(limit - 1);
    f->animation().fitStoreToCount();
    f->animation().bytes().back() = 1;
    f->Command25_Click();
    QCOMPARE(f->animation().imageCount(), limit);
    QVERIFY(!f.panel().isShown(Control::AddImage));
    f->Command25_Click(); // as a click that was on its way when the button went
    QCOMPARE(f->animation().imageCount(), limit);
    QCOMPARE(f->animation().frames().size(), FrameStore::sizeFor(limit));
    QCOMPARE(f.panel().label2, QStringLiteral("1/%1").arg(limit));

    const QString path = dir.filePath("limit.led");
    f.dialog.answer(path);
    f->Command20_Click();
    QVERIFY(f.messages.empty());
    const auto saved = f->animation().frames();
    f->Command18_Click();
    f.dialog.answer(path);
    f->Command17_Click();
    QCOMPARE(f->animation().imageCount(), limit);
    QVERIFY(f->animation().frames() == saved);
}

void SaveAndLimitsTest::failedSlideshowStartKeepsTheEarlierShow() {
    QTemporaryDir dir;
    writeFile(dir.filePath("a.led"), animationWithCellLit(1));
    writeFile(dir.filePath("b.led"), animationWithCellLit(2));
    writeFile(dir.filePath("good.pat"), "a\r\nb\r\n\r\n");
    writeFile(dir.filePath("bad.pat"), "missing\r\nb\r\n\r\n");
    EditorFixture f;
    f.dialog.answer(dir.filePath("good.pat"));
    f->Command28_Click();
    f->Command33_Click(); // stopped, the show still switched on
    const auto playlist = f->slideshow().playlist();
    const auto path = f->slideshow().path();
    const int count = f->slideshow().count(), pos = f->slideshow().position();

    f.dialog.answer(dir.filePath("bad.pat"));
    f->Command28_Click();
    QVERIFY(f->slideshow().playlist() == playlist);
    QCOMPARE(f->slideshow().path(), path);
    QCOMPARE(f->slideshow().count(), count);
    QCOMPARE(f->slideshow().position(), pos);
    QCOMPARE(f->slideshow().on(), true);
    QVERIFY(f.panel().isShown(Control::Slideshow));

    // Started again, the wrap plays the earlier show's next entry.
    f->Command33_Click();
    f->Timer2_Timer();
    QVERIFY2(f.panel().caption.endsWith("\\b.led"), qPrintable(f.panel().caption));
    QVERIFY(f.panel().isCellShown(2));
}

QTEST_GUILESS_MAIN(SaveAndLimitsTest)
#include "test_save_and_limits.moc"
