// The broker (rtkit) is asked only when the kernel refuses real time, and the
// line said when both refuse names what each said.
#include "port/Realtime.h"

#include <QtTest>
#include <cerrno>

class TestRealtime : public QObject {
    Q_OBJECT
private slots:
    void brokerOnlyWhenKernelRefuses_data();
    void brokerOnlyWhenKernelRefuses();
};

void TestRealtime::brokerOnlyWhenKernelRefuses_data() {
    QTest::addColumn<int>("kernelError");
    QTest::addColumn<bool>("hasBroker");
    QTest::addColumn<QString>("brokerSays");
    QTest::addColumn<bool>("brokerAsked");
    QTest::addColumn<QStringList>("noteHas"); // empty: runs in real time

    QTest::newRow("kernel grants") << 0 << true << "" << false << QStringList();
    QTest::newRow("kernel refuses, rtkit grants") << EPERM << true << "" << true << QStringList();
    QTest::newRow("both refuse") << EPERM << true << "not authorized" << true
                                 << QStringList{"SCHED_FIFO: Operation not permitted",
                                                "rtkit: not authorized", "rtkit-daemon"};
    QTest::newRow("no broker in this build")
        << EPERM << false << "" << false << QStringList{"does not ask rtkit", "setcap"};
}

void TestRealtime::brokerOnlyWhenKernelRefuses() {
    QFETCH(int, kernelError);
    QFETCH(bool, hasBroker);
    QFETCH(QString, brokerSays);
    QFETCH(bool, brokerAsked);
    QFETCH(QStringList, noteHas);

    int kernelPriority = -1;
    QList<long> asked; // the thread and the priority the broker was asked for
    Realtime::Broker broker = [&](long tid, int priority) {
        asked = {tid, priority};
        return brokerSays.toStdString();
    };
    const auto direct = [&](int priority) {
        kernelPriority = priority;
        return kernelError;
    };
    const std::string note = Realtime::raise(direct, hasBroker ? broker : nullptr, 4242);

    const QList<long> expected = brokerAsked ? QList<long>{4242, kernelPriority} : QList<long>();
    QCOMPARE(asked, expected);
    QCOMPARE(note.empty(), noteHas.isEmpty());
    for (const QString& part : noteHas)
        QVERIFY2(QString::fromStdString(note).contains(part), note.c_str());
}

QTEST_GUILESS_MAIN(TestRealtime)
#include "test_realtime.moc"
