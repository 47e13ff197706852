// The command line: every option, bad values, both file kinds, missing files,
// read without an application object as the program does.
#include "Outputs.h"
#include "cli/CommandLine.h"
#include "playback/SpeedLadder.h"

#include <QTemporaryDir>
#include <QtTest>

using Mode = CommandLine::Mode;
Q_DECLARE_METATYPE(CommandLine::Mode)

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void reads_data();
    void reads();
    void intervalGoesToTheNearestStep_data();
    void intervalGoesToTheNearestStep();
    void readsTheRefreshOptions_data();
    void readsTheRefreshOptions();
    void readsThePanelOptions_data();
    void readsThePanelOptions();
    void readsTheCHeaderOptions_data();
    void readsTheCHeaderOptions();
    void readsTheListenOptionsAndPorts_data();
    void readsTheListenOptionsAndPorts();
    void usageNamesTheProgram();
    void portValueNamingNothingIsRefused_data();
    void portValueNamingNothingIsRefused();
    void readsTheGreyLevels_data();
    void readsTheGreyLevels();

private:
    QTemporaryDir dir_;
    QString led_, pat_;
};

void CommandLineTest::initTestCase() {
    led_ = dir_.filePath("a.led");
    pat_ = dir_.filePath("show.pat");
    for (const QString& path : {led_, pat_}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void CommandLineTest::reads_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("error"); // a part of the message, empty when fine

    const QString led = dir_.filePath("a.led"), pat = dir_.filePath("show.pat");
    const QString missing = dir_.filePath("gone.led");
    const QString parport = "/dev/parport0";
    QTest::newRow("bare") << QStringList{} << Mode::Editor << "" << parport << 301 << "";
    QTest::newRow("editor with a file")
        << QStringList{led} << Mode::Editor << led << parport << 301 << "";
    // The editor starts with a file it cannot read and says why itself.
    QTest::newRow("editor with a missing file")
        << QStringList{missing} << Mode::Editor << missing << parport << 301 << "";
    QTest::newRow("editor with two files")
        << QStringList{led, pat} << Mode::Editor << led << parport << 301 << "one too many";
    QTest::newRow("second card") << QStringList{"--port", "/dev/parport1"} << Mode::Editor << ""
                                 << "/dev/parport1" << 301 << "";
    QTest::newRow("bridge") << QStringList{"--port=bridge:/dev/ttyACM0"} << Mode::Editor << ""
                            << "bridge:/dev/ttyACM0" << 301 << "";
    QTest::newRow("play a file") << QStringList{"--play", led} << Mode::Play << led << parport
                                 << 301 << "";
    QTest::newRow("play a playlist at a step")
        << QStringList{"--play", pat, "--interval", "40", "--port", "sim"} << Mode::Play << pat
        << "sim" << 40 << "";
    QTest::newRow("play a missing file")
        << QStringList{"--play", missing} << Mode::Play << missing << parport << 301 << "no such";
    QTest::newRow("play two files")
        << QStringList{"--play", led, pat} << Mode::Play << led << parport << 301 << "one too many";
    QTest::newRow("interval not a number") << QStringList{"--play", led, "--interval", "fast"}
                                           << Mode::Play << led << parport << 301 << "whole number";
    QTest::newRow("interval beyond any number type")
        << QStringList{"--play", led, "--interval", "-99999999999999999999"} << Mode::Play << led
        << parport << 40 << "";
    QTest::newRow("interval without play")
        << QStringList{"--interval", "40"} << Mode::Editor << "" << parport << 301 << "go with";
    QTest::newRow("export") << QStringList{"--export", "out.gif", led, "--scale", "1"}
                            << Mode::Export << led << parport << 301 << "";
    QTest::newRow("export without input") << QStringList{"--export", "out.gif"} << Mode::Export
                                          << "" << parport << 301 << "one animation";
    QTest::newRow("scale too big") << QStringList{"--export", "o.png", led, "--scale", "17"}
                                   << Mode::Export << led << parport << 301 << "1 to 16";
    QTest::newRow("play and export") << QStringList{"--play", led, "--export", "o.gif"}
                                     << Mode::Editor << "" << parport << 301 << "together";
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << Mode::Editor << "" << parport << 301 << "Unknown option";
    for (const char* blank : {"", " "})
        QTest::addRow("port \"%s\"", blank) << QStringList{"--port", blank} << Mode::Editor << ""
                                            << parport << 301 << "--port takes an output";
    QTest::newRow("option without its value")
        << QStringList{"--port"} << Mode::Editor << "" << parport << 301 << "Missing value";
    QTest::newRow("help") << QStringList{"--help"} << Mode::Help << "" << parport << 301 << "";
    QTest::newRow("version") << QStringList{"-v"} << Mode::Version << "" << parport << 301 << "";
}

void CommandLineTest::reads() {
    QFETCH(QStringList, args);
    QFETCH(Mode, mode);
    QFETCH(QString, file);
    QFETCH(QString, port);
    QFETCH(int, interval);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(QStringList{"quentaro"} + args);
    if (error.isEmpty()) {
        QVERIFY2(line.ok(), qPrintable(line.error));
        QCOMPARE(line.mode, mode);
        QCOMPARE(line.file, file);
        QCOMPARE(line.port, port);
        QCOMPARE(line.intervalMs, interval);
    } else {
        QVERIFY2(line.error.contains(error), qPrintable(line.error));
    }
}

void CommandLineTest::readsThePanelOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("map"); // as written back, empty when not given
    QTest::addColumn<QString>("colour");
    QTest::addColumn<int>("brightness"); // 0: not given
    QTest::addColumn<int>("maxFps");     // 0: not given
    QTest::addColumn<QString>("error");
    QTest::newRow("none") << QStringList{} << ""
                          << "" << 0 << 0 << "";
    QTest::newRow("all") << QStringList{"--map",        "columns,bottom-left,rotate-270",
                                        "--colour",     "#00FF80",
                                        "--brightness", "5",
                                        "--max-fps",    "120"}
                         << "bottom-left,columns,serpentine,rotate-270"
                         << "#00ff80" << 5 << 120 << "";
    QTest::newRow("named colour") << QStringList{"--colour", "White"} << ""
                                  << "#ffffff" << 0 << 0 << "";
    QTest::newRow("unknown word") << QStringList{"--map", "top-left,zigzag"} << ""
                                  << "" << 0 << 0 << "\"zigzag\" is not one of";
    QTest::newRow("bad colour") << QStringList{"--colour", "#12345"} << ""
                                << "" << 0 << 0 << "--colour takes #RRGGBB";
    for (const char* colour : {"#0x00ff", "# 12345", "#+12345", "#-12345", "#12345g", "#1234567"})
        QTest::newRow(colour) << QStringList{"--colour", colour} << ""
                              << "" << 0 << 0 << "--colour takes #RRGGBB";
    QTest::newRow("brightness 0") << QStringList{"--brightness", "0"} << ""
                                  << "" << 0 << 0 << "from 1 to 100, not \"0\"";
    QTest::newRow("brightness 101") << QStringList{"--brightness", "101"} << ""
                                    << "" << 0 << 0 << "from 1 to 100";
    QTest::newRow("brightness 4 on a parallel port")
        << QStringList{"--brightness", "4"} << ""
        << "" << 0 << 0
        << "--brightness on a parallel port or the USB bridge takes 5 to 100 percent, not \"4\"";
    QTest::newRow("brightness 4 on the bridge")
        << QStringList{"--port", "bridge:/dev/ttyACM0", "--brightness", "4"} << ""
        << "" << 0 << 0 << "takes 5 to 100 percent";
    QTest::newRow("brightness 4 on a network panel")
        << QStringList{"--port", "ddp:127.0.0.1", "--brightness", "4"} << ""
        << "" << 4 << 0 << "";
    QTest::newRow("max-fps 0") << QStringList{"--max-fps", "0"} << ""
                               << "" << 0 << 0
                               << "--max-fps takes a whole number of frames a second from 1 to "
                                  "120, not \"0\"";
    QTest::newRow("max-fps 121") << QStringList{"--max-fps", "121"} << ""
                                 << "" << 0 << 0 << "from 1 to 120";
    QTest::newRow("max-fps words") << QStringList{"--max-fps", "fast"} << ""
                                   << "" << 0 << 0 << "not \"fast\"";
    for (const char* option : {"--brightness", "--max-fps"})
        QTest::newRow(option) << QStringList{"--export", "o.gif", led_, option, "9"} << ""
                              << "" << 0 << 0 << "go with the editor or --play";
    QTest::newRow("--sync") << QStringList{"--export", "o.gif", led_, "--sync"} << ""
                            << "" << 0 << 0 << "--max-fps and --sync go with the editor";
}

void CommandLineTest::readsThePanelOptions() {
    QFETCH(QStringList, args);
    QFETCH(QString, map);
    QFETCH(QString, colour);
    QFETCH(int, brightness);
    QFETCH(int, maxFps);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(QStringList{"quentaro"} + args);
    if (!error.isEmpty()) {
        QVERIFY2(line.error.contains(error), qPrintable(line.error));
        return;
    }
    QVERIFY2(line.ok(), qPrintable(line.error));
    QCOMPARE(line.map ? panelWiringText(*line.map) : QString(), map);
    QCOMPARE(line.colour ? panelColourText(*line.colour) : QString(), colour);
    QCOMPARE(line.brightness.value_or(0), brightness);
    QCOMPARE(line.maxFps.value_or(0), maxFps);
}

void CommandLineTest::readsTheCHeaderOptions_data() {
    QTest::addColumn<QStringList>("args");
    // bit order, scan, progmem, delays and levels when bytes: e.g. "msb rows p -"
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("error");
    const QStringList toH{"--export", "out.h", led_};
    QTest::newRow("defaults") << toH << "lsb rows - -"
                              << "";
    QTest::newRow("all") << toH + QStringList{"--bit-order", "msb-first", "--scan",
                                              "columns",     "--progmem", "--delays"}
                         << "msb columns p d"
                         << "";
    QTest::newRow("as written out")
        << QStringList{"--export",    "OUT.H",   led_, "--bit-order=lsb-first",
                       "--scan=rows", "--delays"}
        << "lsb rows - d"
        << "";
    QTest::newRow("bad bit order") << toH + QStringList{"--bit-order", "msb"} << ""
                                   << "--bit-order takes lsb-first or msb-first, not \"msb\"";
    QTest::newRow("bad scan") << toH + QStringList{"--scan", "Rows"} << ""
                              << "--scan takes rows or columns, not \"Rows\"";
    QTest::newRow("to a GIF") << QStringList{"--export", "out.gif", led_, "--progmem"} << ""
                              << "go with --export to a .h file";
    QTest::newRow("levels as bytes")
        << toH + QStringList{"--levels", "bytes", "--delays"} << "lsb rows - d bytes"
        << "";
    QTest::newRow("levels as planes")
        << toH + QStringList{"--levels=planes", "--scan", "columns"} << "lsb columns - -"
        << "";
    QTest::newRow("bad levels") << toH + QStringList{"--levels", "nibbles"} << ""
                                << "--levels takes planes or bytes, not \"nibbles\"";
    QTest::newRow("levels to a PNG")
        << QStringList{"--export", "out.png", led_, "--levels=bytes"} << ""
        << "--levels go with --export to a .h file";
}

void CommandLineTest::readsTheCHeaderOptions() {
    QFETCH(QStringList, args);
    QFETCH(QString, layout);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(QStringList{"quentaro"} + args);
    if (!error.isEmpty()) {
        QVERIFY2(line.error.contains(error), qPrintable(line.error));
        return;
    }
    QVERIFY2(line.ok(), qPrintable(line.error));
    const CHeaderLayout& got = line.cHeader;
    QCOMPARE(QStringList({got.bitOrder == CHeaderLayout::BitOrder::MsbFirst ? "msb" : "lsb",
                          got.scan == CHeaderLayout::Scan::Columns ? "columns" : "rows",
                          got.progmem ? "p" : "-", got.delays ? "d" : "-"})
                     .join(' ') +
                 (got.levels == CHeaderLayout::Levels::Bytes ? " bytes" : ""),
             layout);
}

void CommandLineTest::readsTheListenOptionsAndPorts_data() {
    QTest::addColumn<QStringList>("args");
    // The sources, channels, end, address and port, then the outputs.
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("error");
    const QStringList e131{"--listen", "e131"};
    QTest::newRow("e131, defaults") << e131 << "e131:1 3 dark 0.0.0.0:0 | /dev/parport0"
                                    << "";
    QTest::newRow("all options") << QStringList{"--listen",      "e131:7",
                                                "--channels",    "1",
                                                "--hold-last",   "--port",
                                                "ddp:127.0.0.1", "--listen-address",
                                                "127.000.0.001", "--port",
                                                "/dev/parport1", "--listen-port",
                                                "15568"}
                                 << "e131:7 1 hold 127.0.0.1:15568 | ddp:127.0.0.1 /dev/parport1"
                                 << "";
    QTest::newRow("every protocol")
        << QStringList{"--listen", "ddp", "--listen", "artnet:1.2.3", "--listen", "e131:63998"}
        << "ddp:0 artnet:291 e131:63998 3 dark 0.0.0.0:0 | /dev/parport0"
        << "";
    QTest::newRow("artnet, defaults")
        << QStringList{"--listen", "artnet"} << "artnet:0 3 dark 0.0.0.0:0 | /dev/parport0"
        << "";
    QTest::newRow("the last universes with one channel")
        << QStringList{"--listen", "e131:63999", "--listen", "artnet:127.15.15", "--channels", "1"}
        << "e131:63999 artnet:32767 1 dark 0.0.0.0:0 | /dev/parport0"
        << "";
    QTest::newRow("play on two outputs")
        << QStringList{"--play", led_, "--port", "sim", "--port", "e131:127.0.0.1"}
        << " 3 dark 0.0.0.0:0 | sim e131:127.0.0.1"
        << "";
    const auto refused = [](const char* name, const QStringList& args, const char* error) {
        QTest::newRow(name) << args << "" << error;
    };
    refused("unknown protocol", {"--listen", "sacn"},
            "--listen takes e131[:UNIVERSE], artnet[:NET.SUBNET.UNIVERSE or UNIVERSE] or ddp, "
            "not \"sacn\"");
    refused("e131 universe 0", {"--listen", "e131:0"},
            "--listen e131: the board's first universe is a whole number from 1 to 63998 (with 3 "
            "channels a LED it takes that universe and the next), not \"0\"");
    refused("e131 63999 over two universes", {"--listen", "e131:63999"}, "from 1 to 63998");
    refused("e131 without its universe", {"--listen", "e131:"}, "not \"\"");
    refused("artnet 32767 over two universes", {"--listen", "artnet:32767"}, "from 0 to 32766");
    for (const char* address : {"128.0.0", "0.16.0", "0.0.16", "1.2", "1.2.3.4", "1..3"})
        refused(address, {"--listen", QString("artnet:") + address},
                "--listen artnet: the board's first universe");
    refused("ddp with a universe", {"--listen", "ddp:1"}, "--listen ddp takes no universe");
    refused("a protocol twice", {"--listen", "e131", "--listen", "e131:3"},
            "--listen e131 is given twice");
    refused("channels 2", {"--listen", "e131", "--channels", "2"},
            "--channels takes 3 (red, green and blue a LED) or 1 (one channel a LED), not \"2\"");
    refused("hold-last with play", {"--play", led_, "--hold-last"}, "go with --listen");
    refused("channels in the editor", {"--channels", "1"}, "go with --listen");
    for (const char* address : {"localhost", "1.2.3.256", "1.2.3", "::1", " 1.2.3.4"})
        refused(address, e131 + QStringList{"--listen-address", address},
                "--listen-address takes an IPv4 address");
    for (const char* port : {"0", "65536", "http"})
        refused(port, e131 + QStringList{"--listen-port", port},
                "--listen-port takes a port from 1 to 65535");
    refused("a port for two protocols", e131 + QStringList{"--listen", "ddp", "--listen-port", "9"},
            "--listen-port goes with one --listen");
    refused("listen and play", e131 + QStringList{"--play", led_}, "cannot be used together");
    refused("listen with a file", e131 + QStringList{led_}, "is a file too many");
    refused("listen at an interval", e131 + QStringList{"--interval", "40"},
            "--interval and --scale go with --play or --export");
    refused("listen on the on-screen matrix", e131 + QStringList{"--port", "sim"},
            "--port sim shows a window; it cannot go with --listen");
    refused("a port twice", {"--port", "sim", "--port", "ddp:127.0.0.1", "--port", "sim"},
            "--port sim is given twice");
    refused("a second port blank", {"--port", "sim", "--port", " "}, "--port takes an output");
    refused("brightness 4 with a parallel port among them",
            {"--port", "ddp:127.0.0.1", "--port", "/dev/parport0", "--brightness", "4"},
            "takes 5 to 100 percent");
}

void CommandLineTest::readsTheListenOptionsAndPorts() {
    QFETCH(QStringList, args);
    QFETCH(QString, read);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(QStringList{"quentaro"} + args);
    if (!error.isEmpty()) {
        QVERIFY2(line.error.contains(error), qPrintable(line.error));
        return;
    }
    QVERIFY2(line.ok(), qPrintable(line.error));
    QStringList sources;
    for (const ListenSource& source : line.listens)
        sources << QStringList{"e131", "artnet", "ddp"}.at(int(source.protocol)) + ":" +
                       QString::number(source.universe);
    QCOMPARE(QString("%1 %2 %3 %4:%5 | %6")
                 .arg(sources.join(' '))
                 .arg(line.singleChannel ? 1 : 3)
                 .arg(line.holdLast ? "hold" : "dark", line.listenAddress)
                 .arg(line.listenPort)
                 .arg(line.ports.join(' ')),
             read);
    QCOMPARE(line.mode == Mode::Listen, !line.listens.empty());
    QCOMPARE(line.port, line.ports.first());
}

void CommandLineTest::intervalGoesToTheNearestStep_data() {
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("used");
    QTest::newRow("a step") << 301 << 301;
    QTest::newRow("between 83 and 84, nearer 84") << 84 << 84;
    QTest::newRow("below the fastest") << 1 << 40;
    QTest::newRow("negative") << -5 << 40;
    QTest::newRow("above the slowest") << 10000 << 2672;
    QTest::newRow("between two steps") << 1000 << 1074;
    QTest::newRow("as near to both: the faster") << 44 << 40;
    QTest::newRow("the lowest int") << std::numeric_limits<int>::min() << 40;
    QTest::newRow("the highest int") << std::numeric_limits<int>::max() << 2672;
}

void CommandLineTest::intervalGoesToTheNearestStep() {
    QFETCH(int, given);
    QFETCH(int, used);
    const CommandLine line =
        parseCommandLine({"quentaro", "--play", led_, "--interval", QString::number(given)});
    QVERIFY2(line.ok(), qPrintable(line.error));
    QCOMPARE(line.intervalMs, used);
    QCOMPARE(line.notes.size(), given == used ? 0 : 1);
    // Every step is one the speed buttons can reach.
    QVERIFY(std::ranges::binary_search(SpeedLadder::steps(), used));
}

void CommandLineTest::readsTheRefreshOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("realtime");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("error");
    const QString led = dir_.filePath("a.led");
    QTest::newRow("defaults") << QStringList{"--play", led} << true << 0 << false << "";
    QTest::newRow("player, all three")
        << QStringList{"--play", led, "--no-realtime", "--limit-refresh", "400", "--show-refresh"}
        << false << 400 << true << "";
    QTest::newRow("editor, limited")
        << QStringList{"--limit-refresh=1000"} << true << 1000 << false << "";
    QTest::newRow("limit zero") << QStringList{"--limit-refresh", "0"} << true << 0 << false
                                << "from 1 to 100000";
    QTest::newRow("limit not a number") << QStringList{"--play", led, "--limit-refresh", "fast"}
                                        << true << 0 << false << "\"fast\"";
    QTest::newRow("show in the editor")
        << QStringList{"--show-refresh"} << true << 0 << false << "goes with --play";
    QTest::newRow("export with a limit")
        << QStringList{"--export", "o.gif", led, "--limit-refresh", "50"} << true << 0 << false
        << "the editor or --play";
}

void CommandLineTest::readsTheRefreshOptions() {
    QFETCH(QStringList, args);
    QFETCH(bool, realtime);
    QFETCH(int, limit);
    QFETCH(bool, show);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(QStringList{"quentaro"} + args);
    QVERIFY2(error.isEmpty() ? line.ok() : line.error.contains(error), qPrintable(line.error));
    if (!error.isEmpty())
        return;
    QCOMPARE(line.realtime, realtime);
    QCOMPARE(line.limitRefreshHz, limit);
    QCOMPARE(line.showRefresh, show);
}

void CommandLineTest::readsTheGreyLevels_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("levels"); // 0: not given
    QTest::addColumn<QString>("error");
    const QString led = dir_.filePath("a.led");
    QTest::newRow("not given") << QStringList{"--play", led} << 0 << "";
    QTest::newRow("player, 16") << QStringList{"--play", led, "--grey-levels", "16"} << 16 << "";
    QTest::newRow("listener, 8") << QStringList{"--listen", "ddp", "--grey-levels=8"} << 8 << "";
    QTest::newRow("12") << QStringList{"--play", led, "--grey-levels", "12"} << 0
                        << "--grey-levels takes 8 or 16, not \"12\"";
    QTest::newRow("with --export") << QStringList{"--export", "o.gif", led, "--grey-levels", "16"}
                                   << 0 << "--grey-levels goes with the editor, --play or --listen";
}

void CommandLineTest::readsTheGreyLevels() {
    QFETCH(QStringList, args);
    QFETCH(int, levels);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(QStringList{"quentaro"} + args);
    QCOMPARE(line.error, error);
    if (error.isEmpty())
        QCOMPARE(line.greyLevels.value_or(0), levels);
}

void CommandLineTest::usageNamesTheProgram() {
    const CommandLine line = parseCommandLine({"/usr/bin/quentaro", "--bogus"});
    QVERIFY(line.helpText.startsWith("Usage: quentaro [options] [FILE]"));
    for (const char* option : {"--port", "--play", "--interval", "--export", "--scale",
                               "--bit-order", "--scan", "--progmem", "--delays", "--levels"})
        QVERIFY(line.helpText.contains(option));
}

// A --port value that names no output is a bad argument that lists what
// --port takes; a path, there or not, is a parallel port's and says itself
// what is wrong with it.
void CommandLineTest::portValueNamingNothingIsRefused_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("bad");
    QTest::addColumn<QString>("said");
    const QString listed = QStringLiteral("(/dev/parportN, bridge:DEVICE, ddp:HOST[:PORT], "
                                          "e131:HOST[,UNIVERSE], artnet:HOST[,UNIVERSE] or sim)");
    QTest::newRow("a typo") << "foo" << true
                            << "--port takes an output " + listed + ", not \"foo\"";
    QTest::newRow("a protocol misspelt") << "dpp:panel" << true << "not \"dpp:panel\"";
    QTest::newRow("bridge without a device") << "bridge" << true << "not \"bridge\"";
    QTest::newRow("a parallel port not there") << "/dev/parport97" << false << "/dev/parport97";
    QTest::newRow("a file here, no parallel port") << "a.led" << false << "a.led";
}

void CommandLineTest::portValueNamingNothingIsRefused() {
    QFETCH(QString, port);
    QFETCH(bool, bad);
    QFETCH(QString, said);
    QVERIFY(QDir::setCurrent(dir_.path()));
    const OpenedOutput opened = openOutput(port, false, [](const QString&) {});
    QVERIFY(!opened.port);
    QCOMPARE(opened.badArgument, bad);
    QVERIFY2(opened.error.contains(said), qPrintable(opened.error));
    QCOMPARE(opened.error.contains("--port takes an output"), bad);
}

QTEST_APPLESS_MAIN(CommandLineTest)
#include "test_command_line.moc"
