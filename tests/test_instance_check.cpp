// The lock that keeps a second editor or player from starting: taken over when
// it is left over, and when it can be neither taken nor judged, the start is
// refused with a line that names it.
#include "editor/InstanceCheck.h"

#include <QTemporaryDir>
#include <QtTest>

class InstanceCheckTest : public QObject {
    Q_OBJECT
private slots:
    void judgesTheLock_data();
    void judgesTheLock();
};

void InstanceCheckTest::judgesTheLock_data() {
    QTest::addColumn<QString>("found"); // where the lock goes
    QTest::addColumn<bool>("fromBeforeBoot");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("namesTheFile");
    QTest::newRow("held by a running program") << "held" << false << true << false;
    QTest::newRow("empty, from before the boot") << "empty" << true << false << false;
    QTest::newRow("damaged, from before the boot") << "\x01\n" << true << false << false;
    QTest::newRow("empty, since the boot") << "empty" << false << true << true;
    QTest::newRow("damaged, since the boot") << "\x01\n" << false << true << true;
    QTest::newRow("a folder that cannot be made") << "no folder" << false << true << true;
}

void InstanceCheckTest::judgesTheLock() {
    QFETCH(QString, found);
    QFETCH(bool, fromBeforeBoot);
    QTemporaryDir dir;
    const QString folder = dir.filePath(found == "no folder" ? "lock/folder" : "");
    // For "no folder" the lock's folder would lie below a file.
    QFile lock(dir.filePath(found == "no folder" ? "lock" : "quentaro.lock"));
    LockFileInstanceCheck running(folder);
    if (found == "held") {
        QVERIFY(!running.anotherInstanceRunning());
    } else if (lock.open(QIODevice::WriteOnly) && found != "empty") {
        lock.write(found.toLatin1());
        lock.flush();
    }
    if (fromBeforeBoot)
        QVERIFY(lock.setFileTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                                 QFileDevice::FileModificationTime));
    LockFileInstanceCheck check(folder);
    QTEST(check.anotherInstanceRunning(), "refused");
    QTEST(check.refusal().contains(QDir(folder).filePath("quentaro.lock")), "namesTheFile");
}

QTEST_GUILESS_MAIN(InstanceCheckTest)
#include "test_instance_check.moc"
