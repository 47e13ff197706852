// The recovery copy of an unsaved animation: kept while there is unsaved work,
// offered after an unclean end, and brought back as it was.
#include "support/FakeServices.h"

#include "editor/RecoveryCopy.h"
#include "files/AnimationFile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

void toggle(EditorFixture& f, int cell) {
    const float x = float(cell % 16) * 240 + 120, y = float(cell / 16) * 240 + 120;
    f->mouseMove(0, 0, x, y);
    f->mouseUp(1, 0, x, y);
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
private slots:
    void copyFollowsTheUnsavedWork_data();
    void copyFollowsTheUnsavedWork();
};

void RecoveryTest::copyFollowsTheUnsavedWork_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<bool>("kept");
    QTest::newRow("nothing drawn") << QStringList{"copy"} << false << false;
    QTest::newRow("drawn, then killed") << QStringList{"draw", "copy"} << true << true;
    QTest::newRow("a second frame drawn, then killed")
        << QStringList{"add", "draw", "copy"} << true << true;
    QTest::newRow("drawn and saved")
        << QStringList{"draw", "copy", "save", "copy"} << false << false;
    QTest::newRow("saved, then undone")
        << QStringList{"draw", "save", "undo", "copy"} << true << true;
    QTest::newRow("a file loaded over the drawing")
        << QStringList{"draw", "copy", "load", "copy"} << false << false;
    QTest::newRow("drawn after a load") << QStringList{"load", "draw", "copy"} << true << true;
    QTest::newRow("closed with nothing unsaved")
        << QStringList{"draw", "copy", "save", "close"} << false << false;
    QTest::newRow("closed with unsaved work: kept, not offered")
        << QStringList{"draw", "copy", "close"} << false << true;
}

void RecoveryTest::copyFollowsTheUnsavedWork() {
    QFETCH(QStringList, steps);
    QFETCH(bool, offered);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.led"));
    QVERIFY(AnimationFile::save(file, std::vector<std::uint8_t>(256, 1)).ok);
    RecoveryCopy copy(dir.filePath(QStringLiteral("state")));
    EditorFixture f;
    for (const QString& step : steps) {
        if (step == "add") {
            f->click(Control::AddImage);
        } else if (step == "draw") {
            toggle(f, 17);
        } else if (step == "copy") {
            QCOMPARE(copy.update(*f), QString());
        } else if (step == "save") {
            f.dialog.answer(file);
            f->click(Control::SaveFile);
        } else if (step == "load") {
            f.dialog.answer(file);
            f->click(Control::LoadFile);
        } else if (step == "undo") {
            f->undo();
        } else if (step == "close") {
            QCOMPARE(copy.closeCleanly(*f), QString());
        }
    }
    const std::optional<RecoveryCopy::Found> found = copy.leftByUncleanEnd();
    QCOMPARE(found.has_value(), offered);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("state/recovery.led"))), kept);
    if (!found)
        return;
    // The editor is never closed, as if killed: a new one brings its drawing back.
    EditorFixture next;
    QCOMPARE(next->restoreAnimation(found->animationPath, found->caption), QString());
    QCOMPARE(next->animation().frames(), f->animation().frames());
    QCOMPARE(next.panel().caption, f.panel().caption);
    QVERIFY(next->hasUnsavedChanges());
}

QTEST_GUILESS_MAIN(RecoveryTest)
#include "test_recovery.moc"
