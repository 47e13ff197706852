// The network outputs against a real receiver: the Open Lighting Architecture's
// daemon, started here with its Art-Net plugin only, records what arrives with
// ola_recorder. That plugin sends on 127.0.0.1 only, though its socket is bound
// to 0.0.0.0:6454. The E1.31 plugin stays off: it binds every interface and joins
// multicast groups, so E1.31 is checked by the loopback receiver in
// test_network_outputs. Skipped, and saying so, where the ola package is not
// installed or its RPC port is taken.
#include "network/NetworkPort.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <unistd.h>

namespace {

// Every plugin but Art-Net, off; E1.31 above all, which would leave loopback.
const char* const OtherPlugins[] = {
    "dummy",   "e131",    "espnet",           "ftdidmx", "gpio",     "karate",   "kinet",
    "milinst", "opendmx", "openpixelcontrol", "osc",     "pathport", "renard",   "sandnet",
    "shownet", "spi",     "stageprofi",       "uartdmx", "usbdmx",   "usbserial"};

bool writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

// A client's output, or nothing when it failed.
std::optional<QString> run(const QString& program, const QStringList& args = {}) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

PortIo::PackedFrame picture(int seed) {
    PortIo::PackedFrame f{};
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = std::uint8_t((seed * 37 + int(i) * 11) & 0xFF);
    return f;
}

// The show file's frames of one universe, each repeat (the keep-alive) dropped.
QList<QByteArray> recorded(const QString& path, int universe) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> frames;
    const QByteArray prefix = QByteArray::number(universe) + ' ';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.startsWith(prefix))
            continue;
        QByteArray values;
        for (const QByteArray& v : line.mid(prefix.size()).split(','))
            values.append(char(v.toInt()));
        if (frames.isEmpty() || frames.last() != values)
            frames << values;
    }
    return frames;
}

} // namespace

class TestNetworkOlad : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        for (const char* tool : {"olad", "ola_dev_info", "ola_patch", "ola_recorder"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("skipped: %1 is not installed (Debian package ola)")
                                     .arg(QLatin1String(tool))));
        }
        QTcpServer probe;
        if (!probe.listen(QHostAddress::Any, 9010)) // where OLA's clients call
            QSKIP("skipped: port 9010 is taken; another olad may be running");
        probe.close();
        QVERIFY(dir_.isValid());
        for (const char* plugin : OtherPlugins)
            QVERIFY(writeFile(dir_.filePath(QStringLiteral("ola-%1.conf").arg(plugin)),
                              "enabled = false\n"));
        QVERIFY(writeFile(dir_.filePath(QStringLiteral("ola-artnet.conf")),
                          "enabled = true\nip = 127.0.0.1\nuse_loopback = true\nnet = 0\n"
                          "subnet = 0\noutput_ports = 0\nalways_broadcast = false\n"
                          "use_limited_broadcast = false\nshort_name = quentaro test\n"));
        QStringList args{QStringLiteral("olad"), QStringLiteral("--config-dir"), dir_.path(),
                         QStringLiteral("--no-http"), QStringLiteral("--no-register-with-dns-sd")};
        if (geteuid() == 0) { // olad refuses to run as root: here it runs as nobody
            QCOMPARE(
                QProcess::execute(QStringLiteral("chmod"),
                                  {QStringLiteral("-R"), QStringLiteral("a+rwX"), dir_.path()}),
                0);
            args = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                               QStringLiteral("--clear-groups")} +
                   args;
            olad_.start(QStringLiteral("setpriv"), args);
        } else {
            olad_.start(args.takeFirst(), args);
        }
        QVERIFY(olad_.waitForStarted());
        QString devices;
        QTRY_VERIFY_WITH_TIMEOUT((devices = run(QStringLiteral("ola_dev_info")).value_or(QString()))
                                     .contains(QStringLiteral("ArtNet")),
                                 10000);
        const QRegularExpressionMatch device =
            QRegularExpression(QStringLiteral("^Device (\\d+): ArtNet"),
                               QRegularExpression::MultilineOption)
                .match(devices);
        QVERIFY2(device.hasMatch(), qPrintable(devices));
        // An Art-Net input port listens to the port-address of its universe's low bits.
        for (int port : {0, 1})
            QVERIFY(run(QStringLiteral("ola_patch"),
                        {QStringLiteral("-d"), device.captured(1), QStringLiteral("-p"),
                         QString::number(port), QStringLiteral("-i"), QStringLiteral("-u"),
                         QString::number(3 + port)}));
    }

    void cleanupTestCase() {
        if (olad_.state() == QProcess::NotRunning)
            return;
        olad_.terminate(); // by its process id
        if (!olad_.waitForFinished(5000))
            olad_.kill();
    }

    // Every frame shown, and the dark one at the end, in order in both universes,
    // with a wiring, colour and brightness that are not the defaults.
    void framesArriveInOrderMapped() {
        PanelMapping mapping;
        mapping.wiring =
            *parsePanelWiring(QStringLiteral("bottom-right,columns,rotate-90,mirror")).wiring;
        mapping.colour = *parsePanelColour(QStringLiteral("#20c0ff"));
        mapping.brightness = 60;
        const QString show = dir_.filePath(QStringLiteral("show"));
        // Line-buffered, so that its "Recording" says when it listens.
        QProcess recorder;
        recorder.start(QStringLiteral("stdbuf"),
                       {QStringLiteral("-oL"), QStringLiteral("ola_recorder"),
                        QStringLiteral("--record"), show, QStringLiteral("--universes"),
                        QStringLiteral("3,4")});
        const auto stopRecorder = qScopeGuard([&recorder] {
            if (recorder.state() != QProcess::NotRunning)
                recorder.kill(), recorder.waitForFinished();
        });
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += recorder.readAllStandardOutput()).contains("Recording") ||
                                     recorder.state() == QProcess::NotRunning,
                                 5000);
        QVERIFY(recorder.state() == QProcess::Running);

        QList<PanelMapping::Rgb> shown; // the first frame given is the first sent
        {
            NetworkPort output(*parseNetworkTarget(QStringLiteral("artnet:127.0.0.1,3")).target,
                               mapping, {});
            for (int i = 1; i <= 6; ++i) {
                output.showFrame(picture(i));
                shown << mapping.rgb(picture(i));
                QTest::qWait(60);
            }
            output.blank();
            shown << PanelMapping::Rgb{};
            QTest::qWait(60);
        }
        QTest::qWait(300);
        ::kill(pid_t(recorder.processId()), SIGINT);
        QVERIFY(recorder.waitForFinished(5000));

        for (int universe : {3, 4}) {
            QList<QByteArray> expected;
            for (const PanelMapping::Rgb& rgb : shown)
                expected << QByteArray(reinterpret_cast<const char*>(rgb.data()), 768)
                                .mid(universe == 3 ? 0 : 510, universe == 3 ? 510 : 258);
            QCOMPARE(recorded(show, universe), expected);
        }
    }

private:
    QTemporaryDir dir_;
    QProcess olad_;
};

QTEST_GUILESS_MAIN(TestNetworkOlad)
#include "test_network_olad.moc"
