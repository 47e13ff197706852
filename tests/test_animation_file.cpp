// Why a file does not load: the one line the command line prints for a file the
// editor or the player was handed.
#include "support/FakeServices.h"

#include "files/AnimationFile.h"

#include <QTemporaryDir>
#include <QtTest>

class AnimationFileTest : public QObject {
    Q_OBJECT
private slots:
    void reasons_data();
    void reasons();
};

void AnimationFileTest::reasons_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // written as a file unless the name says otherwise
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "gone.led" << QByteArray() << "no such file";
    QTest::newRow("a folder") << "folder.led" << QByteArray() << "not a regular file";
    QTest::newRow("empty") << "empty.led" << QByteArray("") << "the file is empty";
    QTest::newRow("value out of range")
        << "range.led" << QByteArray(" 1 \r\n 0 \r\n 256 \r\n") << "a value out of range at line 3";
    QTest::newRow("fine") << "fine.led" << QByteArray(" 1 \r\n") << "";
}

void AnimationFileTest::reasons() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (name.startsWith("folder"))
        QVERIFY(QDir(dir.path()).mkdir(name));
    else if (!name.startsWith("gone")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const AnimationFile::Attempt attempt = AnimationFile::tryLoad(path);
    QCOMPARE(attempt.error, reason);
    QCOMPARE(attempt.loaded.has_value(), reason.isEmpty());

    // Handed to the editor, the file changes nothing unless it loads.
    EditorFixture f;
    f->mouseMove(0, 0, 300, 300);
    f->mouseUp(1, 0, 300, 300);
    const auto frames = f->animation().frames();
    QCOMPARE(f->openAnimation(path), reason);
    if (!reason.isEmpty()) {
        QCOMPARE(f->animation().frames(), frames);
        QCOMPARE(f.panel().caption, QStringLiteral("QUENTARO - NEW"));
    } else {
        QCOMPARE(f.panel().caption, "QUENTARO - " + path);
    }
}

QTEST_GUILESS_MAIN(AnimationFileTest)
#include "test_animation_file.moc"
