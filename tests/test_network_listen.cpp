// quentaro --listen in this process: E1.31 from the program's own output on
// 127.0.0.1 through a mapping that is not the default, shown on two recording
// outputs at once; the ways it ends with one line; several --port values,
// each output getting what it would get alone; and a quiet log on a host with
// loopback alone.
#include "support/FakeServices.h"

#include "Listening.h"
#include "Outputs.h"
#include "cli/CommandLine.h"
#include "network/NetworkPackets.h"
#include "network/NetworkPort.h"
#include "player/SignalPipe.h"
#include "port/MatrixOutput.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUdpSocket>
#include <QtTest>
#include <csignal>
#include <map>
#include <sched.h>
#include <unistd.h>

namespace {

// An output that keeps the board lit itself and takes levels, logging all it
// is given into a log that outlives it.
class LogPort final : public PortIo {
public:
    using Log = std::shared_ptr<QStringList>;
    explicit LogPort(Log log, std::function<void()> afterLevels = {})
        : log_(std::move(log)), afterLevels_(std::move(afterLevels)) {}
    void writeData(std::uint8_t v) override { *log_ << "d" + QString::number(v); }
    void writeControl(std::uint8_t v) override { *log_ << "c" + QString::number(v); }
    bool refreshesItself() const override { return true; }
    void showFrame(const PackedFrame& f) override { *log_ << "F" + hex(f); }
    void blank() override { *log_ << "B"; }
    bool takesLevels() const override { return true; }
    void showLevels(const LevelFrame& levels) override {
        *log_ << "L" + hex(levels);
        if (afterLevels_)
            afterLevels_();
    }
    void setBrightness(int percent) override { *log_ << "%" + QString::number(percent); }

    template <typename Bytes> static QString hex(const Bytes& b) {
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())).toHex());
    }

private:
    Log log_;
    std::function<void()> afterLevels_;
};

// Opens "rec:NAME" as a LogPort; "sim" is a bad argument, anything else is
// not plugged in.
struct Recorders {
    std::map<QString, LogPort::Log> logs;
    std::function<void()> afterLevels;
    OutputOpener opener() {
        return [this](const QString& argument, const PanelSetup&) -> OpenedOutput {
            if (argument == "sim")
                return {nullptr, "--port sim shows a window", true};
            if (!argument.startsWith("rec:"))
                return {nullptr, argument + ": not plugged in"};
            logs[argument] = std::make_shared<QStringList>();
            return {std::make_unique<LogPort>(logs[argument],
                                              [this] {
                                                  if (afterLevels)
                                                      afterLevels();
                                              }),
                    {}};
        };
    }
};

// Half the LEDs elsewhere on the strip than with the default wiring.
PanelMapping unusualMapping() {
    PanelMapping m;
    m.wiring = *parsePanelWiring("top-right,columns,straight,rotate-90").wiring;
    m.colour = {255, 255, 255}; // level * 17 in every channel: read back exactly
    m.brightness = 100;
    return m;
}

// Every level, at places no turn or mirror of the board keeps.
PortIo::LevelFrame pattern() {
    PortIo::LevelFrame f{};
    std::uint32_t x = 1;
    for (auto& level : f) {
        x = x * 1103515245u + 12345u;
        level = std::uint8_t(x >> 16 & 15);
    }
    return f;
}

// SIGTERM after `ms`, unless the test is over by then.
std::unique_ptr<QTimer> stopAfter(int ms) {
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    QObject::connect(timer.get(), &QTimer::timeout, [] { std::raise(SIGTERM); });
    timer->start(ms);
    return timer;
}

quint16 freePort() {
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

CommandLine parsed(const QStringList& args) {
    return parseCommandLine(QStringList{"quentaro", "--no-realtime"} + args);
}

} // namespace

class ListenTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The frame sent is the frame shown, on both outputs alike, after the
    // start-up writes; the output that cannot be opened is told; a signal
    // ends it with a dark board.
    void showsWhatArrivesOnEveryOutput() {
        const quint16 port = freePort();
        const CommandLine line =
            parsed({"--listen", "e131:5", "--listen-address", "127.0.0.1", "--listen-port",
                    QString::number(port), "--map", panelWiringText(unusualMapping().wiring),
                    "--port", "rec:a", "--port", "gone", "--port", "rec:b"});
        QVERIFY2(line.ok(), qPrintable(line.error));
        int moved = 0;
        for (int led = 0; led < 256; ++led)
            moved += unusualMapping().ledIndex(led / 16, led % 16) !=
                     PanelMapping().ledIndex(led / 16, led % 16);
        QCOMPARE(moved, 128);
        Recorders recorders;
        const QString shown = "L" + LogPort::hex(pattern());
        recorders.afterLevels = [&] {
            if (recorders.logs["rec:a"]->contains(shown) &&
                recorders.logs["rec:b"]->contains(shown))
                std::raise(SIGTERM);
        };
        std::unique_ptr<NetworkPort> sender;
        QTimer::singleShot(0, [&] {
            sender = std::make_unique<NetworkPort>(
                NetworkTarget{NetworkTarget::Protocol::E131, "127.0.0.1", port, 5},
                unusualMapping(), [](const QString&) {});
            sender->showLevels(pattern());
        });
        const auto deadline = stopAfter(10000); // whatever happens
        SignalPipe stopSignals;
        FakeInstanceCheck instance;
        QStringList errors;
        const int status =
            listen(line, {instance, stopSignals, [&errors](const QString& e) { errors << e; },
                          recorders.opener()});
        QCOMPARE(status, 0);
        QCOMPARE(errors.mid(0, 2),
                 QStringList({"gone: not plugged in", QString("E1.31 on port %1: waiting for a "
                                                              "source")
                                                          .arg(port)}));
        const QStringList& a = *recorders.logs["rec:a"];
        QCOMPARE(a, *recorders.logs["rec:b"]);
        QVERIFY2(a.contains(shown), qPrintable(a.join(' ')));
        QCOMPARE(a.first(), "%100");
        QCOMPARE(a.at(1), "c247"); // the start-up writes
        QCOMPARE(a.mid(a.size() - 5), QStringList({"c2", "d0", "c1", "d0", "B"}));
    }

    void endsWithOneLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("anotherRunning");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line"); // the last
        QTest::addColumn<int>("lines");    // with several outputs, each not opened is told
        const QStringList e131{"--listen", "e131", "--listen-port", QString::number(freePort())};
        QTest::newRow("an address not on this machine")
            << QStringList{"--listen", "ddp", "--listen-address", "192.0.2.1", "--port", "rec:a"}
            << false << 1 << "--listen: DDP: cannot listen on 192.0.2.1:4048 (" << 1;
        QTest::newRow("no output opens")
            << e131 + QStringList{"--listen-address", "127.0.0.1", "--port", "gone"} << false << 1
            << "gone: not plugged in" << 1;
        QTest::newRow("none of two outputs opens")
            << e131 +
                   QStringList{"--listen-address", "127.0.0.1", "--port", "gone", "--port", "lost"}
            << false << 1 << "none of the 2 outputs could be opened" << 3;
        QTest::newRow("an output it cannot drive")
            << e131 +
                   QStringList{"--listen-address", "127.0.0.1", "--port", "rec:a", "--port", "sim"}
            << false << 2 << "--port sim shows a window" << 1;
        QTest::newRow("another program runs")
            << e131 + QStringList{"--listen-address", "127.0.0.1", "--port", "rec:a"} << true << 1
            << "another" << 1;
    }
    void endsWithOneLine() {
        QFETCH(QStringList, args);
        QFETCH(bool, anotherRunning);
        QFETCH(int, status);
        QFETCH(QString, line);
        QFETCH(int, lines);
        Recorders recorders;
        SignalPipe stopSignals;
        FakeInstanceCheck instance;
        instance.anotherRunning = anotherRunning;
        QStringList errors;
        const auto deadline = stopAfter(3000); // should it run after all
        QCOMPARE(listen(parsed(args),
                        {instance, stopSignals, [&errors](const QString& e) { errors << e; },
                         recorders.opener()}),
                 status);
        QVERIFY2(errors.last().contains(line, Qt::CaseInsensitive), qPrintable(errors.join('\n')));
        QCOMPARE(errors.size(), lines);
        for (const auto& [name, log] : recorders.logs) // none lit
            QVERIFY(!log->contains("F" + QString(64, '0')));
    }

    // Of several --port values each output opened gets, call for call, what
    // it gets alone; one that cannot be opened is told and left out.
    void everyOutputGetsEverything_data() {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QString>("name"); // empty: none opened
        QTest::newRow("two") << QStringList{"rec:a", "rec:b"} << QStringList{} << "rec:a +1";
        QTest::newRow("three, one not plugged in")
            << QStringList{"rec:a", "gone", "rec:b"} << QStringList{"gone: not plugged in"}
            << "rec:a +1";
        QTest::newRow("the first not plugged in")
            << QStringList{"gone", "rec:b"} << QStringList{"gone: not plugged in"} << "rec:b";
        QTest::newRow("none") << QStringList{"gone", "lost"}
                              << QStringList{"gone: not plugged in", "lost: not plugged in"} << "";
    }
    void everyOutputGetsEverything() {
        QFETCH(QStringList, ports);
        QFETCH(QStringList, told);
        QFETCH(QString, name);
        QStringList args;
        for (const QString& port : ports)
            args << "--port" << port;
        Recorders recorders;
        QStringList reports;
        OutputSet set = openOutputs(
            parsed(args), false, [&reports](const QString& r) { reports << r; },
            recorders.opener());
        QCOMPARE(reports, told);
        if (name.isEmpty()) {
            QVERIFY(!set.output());
            QCOMPARE(set.error, "none of the 2 outputs could be opened");
            return;
        }
        QCOMPARE(set.name(), name);
        const LogPort::Log aloneLog = std::make_shared<QStringList>();
        LogPort alone(aloneLog);
        WholeFrameOutput aloneOutput(alone);
        aloneOutput.setBrightness(100);
        PortIo::PackedFrame frame{};
        frame[3] = 0x81;
        std::vector<int> waits; // for the events, in each refresh turn while on
        for (MatrixOutput* output : {set.output(), static_cast<MatrixOutput*>(&aloneOutput)}) {
            int waited = 0;
            output->refresh(true, [&waited] { ++waited; });
            output->show(frame);
            output->showLevels(pattern());
            output->darken();
            output->refresh(true, [&waited] { ++waited; });
            output->setBrightness(40);
            output->stop();
            output->show(frame); // off: kept, not sent
            output->close();
            output->refresh(true, [&waited] { ++waited; }); // closed: no wait
            waits.push_back(waited);
        }
        QCOMPARE(waits, std::vector<int>({2, 2}));
        set.port()->writeControl(7);
        alone.writeControl(7);
        QCOMPARE(int(recorders.logs.size()), name.endsWith("+1") ? 2 : 1);
        for (const auto& [argument, log] : recorders.logs)
            QCOMPARE(*log, *aloneLog);
    }

    // A host with loopback alone (a network namespace of the test's own, so it
    // comes last): the groups cannot be joined, which is said once; a source
    // named with a right-to-left override sends about once a second, unevenly,
    // and OLA's ArtPollReply comes now and then. The log has a line for the
    // start, the group and the source, hardly more, none with the override or
    // the reply.
    void quietLogOnLoopback() {
        if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
            QSKIP("skipped: no network namespace of its own can be made here");
        QCOMPARE(QProcess::execute("ip", {"link", "set", "lo", "up"}), 0);
        const CommandLine line =
            parsed({"--listen", "e131", "--listen", "artnet", "--port", "rec:a"});
        QVERIFY2(line.ok(), qPrintable(line.error));
        const NetworkPackets::E131Source source{QUuid::createUuid(),
                                                QString::fromUtf8("desk\u202Elive"), 100};
        QUdpSocket sender;
        int sequence = 0;
        const auto sendFrame = [&] {
            ++sequence;
            for (int universe : {1, 2})
                sender.writeDatagram(NetworkPackets::e131(source, std::uint16_t(universe),
                                                          std::uint8_t(sequence), 0,
                                                          QByteArray(510, char(255)), 7),
                                     QHostAddress::LocalHost, NetworkPackets::E131Port);
        };
        QByteArray reply("Art-Net\0\0\x21", 10);
        reply.resize(239, '\0');
        int at = 0;
        for (int gap : {300, 700, 1300, 600, 700, 1400, 500, 900, 1300, 600, 800}) {
            QTimer::singleShot(at += gap, sendFrame);
            if (gap > 1000)
                QTimer::singleShot(at, [&] {
                    sender.writeDatagram(reply, QHostAddress::LocalHost,
                                         NetworkPackets::ArtNetPort);
                });
        }
        const auto deadline = stopAfter(at + 500);
        QElapsedTimer ran;
        ran.start();
        Recorders recorders;
        SignalPipe stopSignals;
        FakeInstanceCheck instance;
        QStringList lines;
        QCOMPARE(listen(line, {instance, stopSignals, [&lines](const QString& l) { lines << l; },
                               recorders.opener()}),
                 0);
        QVERIFY(ran.elapsed() >= at);
        const QString all = lines.join('\n');
        QCOMPARE(lines.filter("cannot join").size(), 1);
        QVERIFY2(all.contains(QString::fromUtf8("from desk\uFFFDlive")), qPrintable(all));
        QVERIFY2(!all.contains("ArtPollReply"), qPrintable(all));
        for (const QChar c : all)
            QVERIFY2(c.category() != QChar::Other_Format, qPrintable(all));
        QVERIFY2(lines.size() <= 6, qPrintable(all));
    }
};

QTEST_GUILESS_MAIN(ListenTest)
#include "test_network_listen.moc"
