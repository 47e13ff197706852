// Real time for the refresh thread: the broker (rtkit) is asked only when the
// kernel refuses, and the line said when both refuse names what each said.
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
                                                "rtkit: not authorized", "setcap", "rtkit-daemon",
                                                "--no-realtime"};
    QTest::newRow("no broker in this build")
        << EPERM << false << "" << false
        << QStringList{"SCHED_FIFO: Operation not permitted", "does not ask rtkit"};
}

void TestRealtime::brokerOnlyWhenKernelRefuses() {
    QFETCH(int, kernelError);
    QFETCH(bool, hasBroker);
    QFETCH(QString, brokerSays);
    QFETCH(bool, brokerAsked);
    QFETCH(QStringList, noteHas);

    int kernelPriority = -1;
    const auto direct = [&](int priority) {
        kernelPriority = priority;
        return kernelError;
    };
    bool asked = false;
    long brokerTid = 0;
    int brokerPriority = -1;
    Realtime::Broker broker;
    if (hasBroker)
        broker = [&](long tid, int priority) {
            asked = true;
            brokerTid = tid;
            brokerPriority = priority;
            return brokerSays.toStdString();
        };
    const QString note = QString::fromStdString(Realtime::raise(direct, broker, 4242));

    QCOMPARE(asked, brokerAsked);
    if (asked) {
        QCOMPARE(brokerTid, 4242L);
        QCOMPARE(brokerPriority, kernelPriority);
    }
    QCOMPARE(note.isEmpty(), noteHas.isEmpty());
    for (const QString& part : noteHas)
        QVERIFY2(note.contains(part), qPrintable(note));
}

QTEST_GUILESS_MAIN(TestRealtime)
#include "test_realtime.moc"
