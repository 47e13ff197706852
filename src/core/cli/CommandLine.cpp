#include "cli/CommandLine.h"

#include "playback/SpeedLadder.h"

#include "files/AnimationFile.h"
#include "files/FilePath.h"
#include <QCommandLineParser>
#include <QFileInfo>

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace {

const QString Usage = QStringLiteral(
    "An editor and driver for a 16 x 16 LED matrix.\n\n"
    "  quentaro [FILE]            edit; FILE.led or FILE.qanim is loaded, FILE.pat starts its\n"
    "                             slideshow\n"
    "  quentaro --play FILE       play FILE.led, FILE.qanim or FILE.pat on the matrix, no window\n"
    "  quentaro --export OUT IN\n"
    "                             write IN (.led or .qanim) as OUT.gif, OUT.png or OUT.h\n"
    "                             (C source), or convert it to OUT.qanim or OUT.led\n"
    "  quentaro --effect NAME[:KEY=VALUE,...] [--seed N] [--port DEVICE]\n"
    "                             play an effect on the matrix until stopped, no window\n"
    "  quentaro --export OUT --effect NAME[:KEY=VALUE,...] [--frames N] [--seed N]\n"
    "                             render an effect's frames to OUT (--list-effects lists them)\n"
    "  quentaro --listen e131|artnet|ddp\n"
    "                             show on the matrix what arrives from the network, no window");

struct Options {
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("The matrix output: /dev/parportN (default "
                                           "/dev/parport0), bridge:SERIAL-DEVICE, "
                                           "ddp:HOST[:PORT], e131:HOST[,UNIVERSE], "
                                           "artnet:HOST[,UNIVERSE] or sim; given more "
                                           "than once, every output shows every frame."),
                            QStringLiteral("DEVICE")};
    QCommandLineOption play{QStringLiteral("play"),
                            QStringLiteral("Play FILE (.led, .qanim or .pat) without a window; "
                                           "--port sim shows the matrix in one."),
                            QStringLiteral("FILE")};
    QCommandLineOption interval{
        QStringLiteral("interval"),
        QStringLiteral("Animation step for --play and --export, a step of the speed ladder "
                       "40 ... 2672 ms (default 301)."),
        QStringLiteral("MS")};
    QCommandLineOption exportTo{QStringLiteral("export"),
                                QStringLiteral("Write the animation IN (.led or .qanim) to OUT "
                                               "(.gif, .png or .h), or convert it (.qanim or "
                                               ".led)."),
                                QStringLiteral("OUT")};
    QCommandLineOption scale{QStringLiteral("scale"),
                             QStringLiteral("Screen pixels per LED for --export, 1 ... 16 "
                                            "(default 8)."),
                             QStringLiteral("N")};
    QCommandLineOption bitOrder{
        QStringLiteral("bit-order"),
        QStringLiteral("For --export to .h: lsb-first (default; a uint16_t per row or column, "
                       "bit k = LED k from the left or the top) or msb-first (two bytes per row "
                       "or column, the first LED in bit 7, as drawBitmap and MAX7219 modules "
                       "read them)."),
        QStringLiteral("ORDER")};
    QCommandLineOption scan{QStringLiteral("scan"),
                            QStringLiteral("For --export to .h: rows (default, from the top) or "
                                           "columns (from the left, the top LED first)."),
                            QStringLiteral("WAY")};
    QCommandLineOption progmem{QStringLiteral("progmem"),
                               QStringLiteral("For --export to .h: the tables in AVR program "
                                              "memory (PROGMEM); other targets read them as "
                                              "plain data.")};
    QCommandLineOption delays{QStringLiteral("delays"),
                              QStringLiteral("For --export to .h: add frame_delays_ms[], each "
                                             "frame's delay in milliseconds.")};
    QCommandLineOption levels{
        QStringLiteral("levels"),
        QStringLiteral("For --export to .h, an animation with grey levels: planes (default; "
                       "four bit planes a frame, weights 1, 2, 4, 8, each laid out as "
                       "--bit-order and --scan say) or bytes (a byte per LED, 0 ... 15, in "
                       "--scan order)."),
        QStringLiteral("LAYOUT")};
    QCommandLineOption noRealtime{QStringLiteral("no-realtime"),
                                  QStringLiteral("Refresh the matrix at the normal scheduling "
                                                 "policy, not SCHED_FIFO.")};
    QCommandLineOption limitRefresh{
        QStringLiteral("limit-refresh"),
        QStringLiteral("At most HZ passes a second over the matrix, so that it stays as bright "
                       "when the computer gets busy."),
        QStringLiteral("HZ")};
    QCommandLineOption map{
        QStringLiteral("map"),
        QStringLiteral("A network panel's wiring: where its strip starts (top-left, top-right, "
                       "bottom-left, bottom-right), rows or columns, serpentine or straight, "
                       "rotate-90/180/270, mirror; e.g. bottom-left,columns,serpentine."),
        QStringLiteral("WORDS")};
    QCommandLineOption colour{QStringLiteral("colour"),
                              QStringLiteral("A network panel's lit colour, #RRGGBB or red, "
                                             "green, blue, white, yellow, cyan, magenta, orange "
                                             "(default red)."),
                              QStringLiteral("COLOUR")};
    QCommandLineOption brightness{
        QStringLiteral("brightness"),
        QStringLiteral("The matrix's brightness in percent: a network panel's 1 ... 100 "
                       "(default 20), on a parallel port or the USB bridge 5 ... 100 "
                       "(default 100)."),
        QStringLiteral("PERCENT")};
    QCommandLineOption maxFps{
        QStringLiteral("max-fps"),
        QStringLiteral("At most N frames a second to a network panel, %1 ... %2 (default %3).")
            .arg(PanelSetup::LowestMaxFps)
            .arg(PanelSetup::HighestMaxFps)
            .arg(PanelSetup::DefaultMaxFps),
        QStringLiteral("N")};
    QCommandLineOption sync{
        QStringLiteral("sync"),
        QStringLiteral("An E1.31 or Art-Net panel shows a frame's two universes together: a "
                       "universe synchronisation (on the universe after the panel's two) or an "
                       "ArtSync follows every frame. Kept for the output, as --map is.")};
    QCommandLineOption greyLevels{
        QStringLiteral("grey-levels"),
        QStringLiteral("Grey levels a parallel port's board shows: 8 (default; three bit planes, "
                       "the top level lit 86 % of its row's time, 168 cycles a second) or 16 (four "
                       "planes, 84 %, 153 cycles, the least level held only 17 us). The USB bridge "
                       "always shows 16."),
        QStringLiteral("N")};
    QCommandLineOption exitAtEnd{
        QStringLiteral("exit-at-end"),
        QStringLiteral("With --play: end once an animation whose play mode is once has shown "
                       "its last frame, rather than stay on it.")};
    QCommandLineOption listen{
        QStringLiteral("listen"),
        QStringLiteral("Show on the matrix what arrives from the network, without a window: "
                       "e131[:UNIVERSE] (default 1), artnet[:NET.SUBNET.UNIVERSE or UNIVERSE] "
                       "(default 0) or ddp. May be given once for each protocol."),
        QStringLiteral("SOURCE")};
    QCommandLineOption channels{
        QStringLiteral("channels"),
        QStringLiteral("With --listen: 3 (default; red, green and blue a LED over two "
                       "universes) or 1 (one channel a LED, one universe)."),
        QStringLiteral("N")};
    QCommandLineOption holdLast{
        QStringLiteral("hold-last"),
        QStringLiteral("With --listen: keep the last frame when the sources stop, instead of "
                       "going dark.")};
    QCommandLineOption listenAddress{
        QStringLiteral("listen-address"),
        QStringLiteral("With --listen: the IPv4 address to listen on (default 0.0.0.0, every "
                       "interface)."),
        QStringLiteral("ADDRESS")};
    QCommandLineOption listenPort{
        QStringLiteral("listen-port"),
        QStringLiteral("With one --listen: the UDP port, 1 ... 65535 (default the protocol's: "
                       "5568, 6454 or 4048)."),
        QStringLiteral("PORT")};
    QCommandLineOption effect{
        QStringLiteral("effect"),
        QStringLiteral("Play the effect NAME on every --port until stopped, or with --export "
                       "render its frames; its parameters given as KEY=VALUE (--list-effects "
                       "lists the effects, their parameters and ranges); e.g. "
                       "fire:cooling=120,sparking=200."),
        QStringLiteral("NAME[:KEY=VALUE,...]")};
    QCommandLineOption seed{QStringLiteral("seed"),
                            QStringLiteral("With --effect: the seed of its random numbers, 0 ... "
                                           "18446744073709551615 (default 0); the same seed "
                                           "gives the same frames."),
                            QStringLiteral("N")};
    QCommandLineOption frames{QStringLiteral("frames"),
                              QStringLiteral("With --effect and --export: how many frames to "
                                             "render, 1 ... 32767 (default 100)."),
                              QStringLiteral("N")};
    QCommandLineOption from{
        QStringLiteral("from"),
        QStringLiteral("With --effect: an animation whose first frame the effect starts from and "
                       "whose second, if any, a transition ends on (default: from dark)."),
        QStringLiteral("FILE")};
    QCommandLineOption listEffects{
        QStringLiteral("list-effects"),
        QStringLiteral("Print the effects with their parameters, ranges and defaults.")};
    QCommandLineOption markdown{QStringLiteral("markdown"),
                                QStringLiteral("With --list-effects: print the list as Markdown.")};
    QCommandLineOption showRefresh{
        QStringLiteral("show-refresh"),
        QStringLiteral("With --play: the passes per second, now and lowest, once a second on "
                       "standard error.")};
};

// A whole number of any length, saturated to the range of int so that nothing
// done with it later can overflow; nothing for any other text.
std::optional<int> wholeNumber(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^\\s*([+-]?)[0-9]+\\s*$"));
    const QRegularExpressionMatch match = digits.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    constexpr qlonglong lowest = std::numeric_limits<int>::min();
    constexpr qlonglong highest = std::numeric_limits<int>::max();
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok) // more digits than a long long holds
        return static_cast<int>(match.captured(1) == QStringLiteral("-") ? lowest : highest);
    return static_cast<int>(std::clamp(value, lowest, highest));
}

QString mustExist(const QString& path) {
    if (!FilePath::exists(path))
        return QStringLiteral("%1: no such file").arg(path);
    return {};
}

void readInterval(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    const QString text = parser.value(o.interval);
    const std::optional<int> ms = wholeNumber(text);
    if (!ms) {
        line.error =
            QStringLiteral("--interval takes a whole number of milliseconds, not \"%1\"").arg(text);
        return;
    }
    line.intervalMs = SpeedLadder::nearestStep(*ms);
    line.intervalGiven = true;
    if (line.intervalMs != *ms)
        line.notes << QStringLiteral("--interval %1 is not a step of the speed ladder; using %2 ms")
                          .arg(text.trimmed())
                          .arg(line.intervalMs);
}

void readScale(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    const std::optional<int> scale = wholeNumber(parser.value(o.scale));
    if (!scale || *scale < 1 || *scale > 16) {
        line.error = QStringLiteral("--scale takes a whole number from 1 to 16, not \"%1\"")
                         .arg(parser.value(o.scale));
        return;
    }
    line.scale = *scale;
}

void readCHeader(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    if (!parser.isSet(o.bitOrder) && !parser.isSet(o.scan) && !parser.isSet(o.progmem) &&
        !parser.isSet(o.delays) && !parser.isSet(o.levels))
        return;
    if (line.mode != CommandLine::Mode::Export ||
        QFileInfo(line.exportPath).suffix().toLower() != QLatin1String("h")) {
        line.error = QStringLiteral("--bit-order, --scan, --progmem, --delays and --levels go "
                                    "with --export to a .h file");
        return;
    }
    CHeaderLayout& layout = line.cHeader;
    layout.progmem = parser.isSet(o.progmem);
    layout.delays = parser.isSet(o.delays);
    if (parser.isSet(o.bitOrder)) {
        const auto order = CHeaderLayout::bitOrderNamed(parser.value(o.bitOrder));
        if (!order) {
            line.error = QStringLiteral("--bit-order takes lsb-first or msb-first, not \"%1\"")
                             .arg(parser.value(o.bitOrder));
            return;
        }
        layout.bitOrder = *order;
    }
    if (parser.isSet(o.scan)) {
        const auto scan = CHeaderLayout::scanNamed(parser.value(o.scan));
        if (!scan) {
            line.error = QStringLiteral("--scan takes rows or columns, not \"%1\"")
                             .arg(parser.value(o.scan));
            return;
        }
        layout.scan = *scan;
    }
    if (parser.isSet(o.levels)) {
        const auto levels = CHeaderLayout::levelsNamed(parser.value(o.levels));
        if (!levels) {
            line.error = QStringLiteral("--levels takes planes or bytes, not \"%1\"")
                             .arg(parser.value(o.levels));
            return;
        }
        layout.levels = *levels;
    }
}

void readRefresh(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    line.realtime = !parser.isSet(o.noRealtime);
    line.showRefresh = parser.isSet(o.showRefresh);
    if (line.mode == CommandLine::Mode::Export &&
        (parser.isSet(o.noRealtime) || parser.isSet(o.limitRefresh) || line.showRefresh)) {
        line.error = QStringLiteral("--no-realtime, --limit-refresh and --show-refresh go with "
                                    "the editor or --play");
        return;
    }
    if (line.showRefresh && line.mode != CommandLine::Mode::Play) {
        line.error = QStringLiteral("--show-refresh goes with --play; the editor shows the rate "
                                    "in its window");
        return;
    }
    if (!parser.isSet(o.limitRefresh))
        return;
    const std::optional<int> hz = wholeNumber(parser.value(o.limitRefresh));
    if (!hz || *hz < 1 || *hz > CommandLine::HighestRefreshLimit) {
        line.error = QStringLiteral("--limit-refresh takes a whole number of passes a second "
                                    "from 1 to %1, not \"%2\"")
                         .arg(CommandLine::HighestRefreshLimit)
                         .arg(parser.value(o.limitRefresh));
        return;
    }
    line.limitRefreshHz = *hz;
}

// A board whose rows the program or the USB bridge light in turn (the
// on-screen matrix shows such a board): darker than this its rows would be lit
// too seldom not to flicker.
constexpr int LeastMultiplexedBrightness = 5;

bool multiplexes(const QString& port) {
    for (const char* network : {"ddp:", "e131:", "artnet:"})
        if (port.startsWith(QLatin1String(network)))
            return false;
    return true;
}

bool anyMultiplexes(const QStringList& ports) {
    return std::ranges::any_of(ports, multiplexes);
}

void readPanel(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    if (parser.isSet(o.map)) {
        const ParsedWiring parsed = parsePanelWiring(parser.value(o.map));
        line.map = parsed.wiring;
        line.error = parsed.error;
    }
    if (line.ok() && parser.isSet(o.colour)) {
        line.colour = parsePanelColour(parser.value(o.colour));
        if (!line.colour)
            line.error = QStringLiteral("--colour takes #RRGGBB or a colour's name, not \"%1\"")
                             .arg(parser.value(o.colour));
    }
    if (line.ok() && parser.isSet(o.brightness)) {
        line.brightness = wholeNumber(parser.value(o.brightness));
        if (!line.brightness || *line.brightness < 1 || *line.brightness > 100)
            line.error = QStringLiteral("--brightness takes a whole number of percent from 1 to "
                                        "100, not \"%1\"")
                             .arg(parser.value(o.brightness));
        else if (*line.brightness < LeastMultiplexedBrightness && anyMultiplexes(line.ports))
            line.error = QStringLiteral("--brightness on a parallel port or the USB bridge takes "
                                        "%1 to 100 percent, not \"%2\"")
                             .arg(LeastMultiplexedBrightness)
                             .arg(parser.value(o.brightness));
    }
    if (line.ok() && parser.isSet(o.maxFps)) {
        line.maxFps = wholeNumber(parser.value(o.maxFps));
        if (!line.maxFps || *line.maxFps < PanelSetup::LowestMaxFps ||
            *line.maxFps > PanelSetup::HighestMaxFps)
            line.error = QStringLiteral("--max-fps takes a whole number of frames a second from "
                                        "%1 to %2, not \"%3\"")
                             .arg(PanelSetup::LowestMaxFps)
                             .arg(PanelSetup::HighestMaxFps)
                             .arg(parser.value(o.maxFps));
    }
    if (parser.isSet(o.sync))
        line.sync = true;
    if (line.ok() && parser.isSet(o.greyLevels)) {
        line.greyLevels = wholeNumber(parser.value(o.greyLevels));
        if (line.greyLevels != FewerMatrixLevels && line.greyLevels != MoreMatrixLevels)
            line.error = QStringLiteral("--grey-levels takes 8 or 16, not \"%1\"")
                             .arg(parser.value(o.greyLevels));
    }
    if (line.ok() && line.mode == CommandLine::Mode::Export &&
        (line.map || line.colour || line.brightness || line.maxFps || line.sync))
        line.error = QStringLiteral(
            "--map, --colour, --brightness, --max-fps and --sync go with the editor or --play");
    if (line.ok() && line.mode == CommandLine::Mode::Export && line.greyLevels)
        line.error = QStringLiteral("--grey-levels goes with the editor, --play or --listen");
}

void readMode(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(o.listEffects)) {
        line.mode = CommandLine::Mode::ListEffects;
        line.markdown = parser.isSet(o.markdown);
        if (parser.isSet(o.play) || parser.isSet(o.exportTo) || parser.isSet(o.listen) ||
            parser.isSet(o.effect) || !files.isEmpty())
            line.error = QStringLiteral("--list-effects only prints the list (as Markdown with "
                                        "--markdown)");
    } else if (parser.isSet(o.markdown)) {
        line.error = QStringLiteral("--markdown goes with --list-effects");
    } else if (parser.isSet(o.effect) && (parser.isSet(o.play) || parser.isSet(o.listen))) {
        line.error = QStringLiteral("--effect plays itself; it cannot go with --play or --listen");
    } else if (parser.isSet(o.play) && parser.isSet(o.exportTo)) {
        line.error = QStringLiteral("--play and --export cannot be used together");
    } else if (parser.isSet(o.listen) && (parser.isSet(o.play) || parser.isSet(o.exportTo))) {
        line.error = QStringLiteral("--listen cannot be used together with --play or --export");
    } else if (parser.isSet(o.listen)) {
        line.mode = CommandLine::Mode::Listen;
        if (!files.isEmpty())
            line.error = QStringLiteral("--listen shows what arrives from the network; \"%1\" "
                                        "is a file too many")
                             .arg(files.first());
        else if (parser.isSet(o.interval) || parser.isSet(o.scale))
            line.error = QStringLiteral("--interval and --scale go with --play or --export");
    } else if (parser.isSet(o.play)) {
        line.mode = CommandLine::Mode::Play;
        line.file = parser.value(o.play);
        if (!files.isEmpty())
            line.error =
                QStringLiteral("--play takes one file; \"%1\" is one too many").arg(files.first());
        else
            line.error = mustExist(line.file);
    } else if (parser.isSet(o.exportTo)) {
        line.mode = CommandLine::Mode::Export;
        line.exportPath = parser.value(o.exportTo);
        if (parser.isSet(o.effect) && !files.isEmpty())
            line.error = QStringLiteral("--export OUT --effect renders the effect; \"%1\" is a "
                                        "file too many")
                             .arg(files.first());
        else if (parser.isSet(o.effect))
            return;
        else if (files.size() != 1)
            line.error = QStringLiteral("--export OUT takes one animation file to read");
        else
            line.error = mustExist(line.file = files.first());
    } else if (parser.isSet(o.effect)) {
        line.mode = CommandLine::Mode::Play; // the effect, live
        if (!files.isEmpty())
            line.error = QStringLiteral("--effect plays the effect; \"%1\" is a file too many")
                             .arg(files.first());
    } else {
        if (files.size() > 1)
            line.error = QStringLiteral("the editor opens one file; \"%1\" is one too many")
                             .arg(files.at(1));
        else if (files.size() == 1)
            line.file = files.first();
        if (parser.isSet(o.interval) || parser.isSet(o.scale))
            line.error = QStringLiteral("--interval and --scale go with --play or --export");
    }
}

void readSeed(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    bool ok = false;
    const QString text = parser.value(o.seed).trimmed();
    line.seed = text.startsWith(QLatin1Char('+')) ? 0 : text.toULongLong(&ok);
    if (!ok)
        line.error = QStringLiteral("--seed takes a whole number from 0 to %1, not \"%2\"")
                         .arg(std::numeric_limits<std::uint64_t>::max())
                         .arg(parser.value(o.seed));
}

void readFrames(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    const std::optional<int> frames = wholeNumber(parser.value(o.frames));
    if (!frames || *frames < 1 || *frames > CommandLine::MostEffectFrames)
        line.error = QStringLiteral("--frames takes a whole number from 1 to %1, not \"%2\"")
                         .arg(CommandLine::MostEffectFrames)
                         .arg(parser.value(o.frames));
    else
        line.frames = *frames;
}

// --from FILE: the frame an effect starts from and the one it goes to.
void readFrom(const QString& path, Effects::Choice& choice, CommandLine& line) {
    const AnimationFile::AnimationAttempt attempt = AnimationFile::tryLoadAnimation(path);
    if (!attempt.loaded) {
        line.error = QStringLiteral("--from %1: %2").arg(path, attempt.error);
        return;
    }
    const std::vector<std::uint8_t>& levels = attempt.loaded->animation.levels;
    const auto frame = [&levels](std::size_t n) {
        return std::vector<std::uint8_t>(levels.begin() + std::ptrdiff_t(n * 256),
                                         levels.begin() + std::ptrdiff_t((n + 1) * 256));
    };
    if (levels.size() >= 256)
        choice.startLevels = frame(0);
    if (levels.size() >= 512)
        choice.endLevels = frame(1);
}

void readEffect(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    if (!parser.isSet(o.effect)) {
        if (parser.isSet(o.seed) || parser.isSet(o.frames) || parser.isSet(o.from))
            line.error = QStringLiteral("--seed, --frames and --from go with --effect");
        return;
    }
    if (parser.isSet(o.frames) && line.mode != CommandLine::Mode::Export) {
        line.error = QStringLiteral("--frames goes with --export; played live, an effect runs "
                                    "until stopped");
        return;
    }
    Effects::Choice choice = Effects::parseChoice(parser.value(o.effect).toStdString());
    if (!choice.ok()) {
        line.error = QString::fromStdString(choice.error);
        return;
    }
    if (parser.isSet(o.from))
        readFrom(parser.value(o.from), choice, line);
    if (!line.ok())
        return;
    line.effect = std::move(choice);
    if (parser.isSet(o.seed))
        readSeed(parser, o, line);
    if (line.ok() && parser.isSet(o.frames))
        readFrames(parser, o, line);
}

// Every --port, each once.
void readPorts(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    if (!parser.isSet(o.port))
        return;
    line.ports = parser.values(o.port);
    for (const QString& port : line.ports) {
        if (port.trimmed().isEmpty()) {
            line.error = notAnOutput(port);
            return;
        }
        if (line.ports.count(port) > 1) {
            line.error = QStringLiteral("--port %1 is given twice").arg(port);
            return;
        }
    }
    line.port = line.ports.first();
}

// The board's universes: two with three channels a LED, one with one.
int universesTaken(const CommandLine& line) {
    return line.singleChannel ? 1 : 2;
}

QString universeRangeError(const QString& name, int lowest, int highest, const CommandLine& line,
                           const QString& given) {
    return QStringLiteral("--listen %1: the board's first universe is a whole number from %2 to "
                          "%3%4, not \"%5\"")
        .arg(name)
        .arg(lowest)
        .arg(highest)
        .arg(line.singleChannel ? QString()
                                : QStringLiteral(" (with 3 channels a LED it takes that "
                                                 "universe and the next)"))
        .arg(given);
}

// Art-Net's port-address as NET.SUBNET.UNIVERSE (0 ... 127, 0 ... 15, 0 ... 15)
// or as one number.
std::optional<int> artNetAddress(const QString& text) {
    static const QRegularExpression dotted(
        QStringLiteral("^([0-9]{1,3})\\.([0-9]{1,2})\\.([0-9]{1,2})$"));
    const QRegularExpressionMatch parts = dotted.match(text);
    if (!parts.hasMatch())
        return text.contains(QLatin1Char('.')) ? std::nullopt : wholeNumber(text);
    const int net = parts.captured(1).toInt(), sub = parts.captured(2).toInt(),
              universe = parts.captured(3).toInt();
    if (net > 127 || sub > 15 || universe > 15)
        return std::nullopt;
    return net << 8 | sub << 4 | universe;
}

// One --listen value; empty when it is good, else why not.
QString readListenSource(const QString& text, const CommandLine& line, ListenSource& source) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString name = colon < 0 ? text : text.left(colon);
    const QString universe = colon < 0 ? QString() : text.mid(colon + 1);
    if (name == QStringLiteral("ddp")) {
        source = {ListenSource::Protocol::Ddp, 0};
        return colon < 0 ? QString()
                         : QStringLiteral("--listen ddp takes no universe, not \"%1\"").arg(text);
    }
    const bool e131 = name == QStringLiteral("e131");
    if (!e131 && name != QStringLiteral("artnet"))
        return QStringLiteral("--listen takes e131[:UNIVERSE], artnet[:NET.SUBNET.UNIVERSE or "
                              "UNIVERSE] or ddp, not \"%1\"")
            .arg(text);
    source.protocol = e131 ? ListenSource::Protocol::E131 : ListenSource::Protocol::ArtNet;
    source.universe = e131 ? 1 : 0;
    if (colon < 0)
        return {};
    const int lowest = e131 ? 1 : 0;
    const int highest = (e131 ? 63999 : 32767) - universesTaken(line) + 1;
    const std::optional<int> first = e131 ? wholeNumber(universe) : artNetAddress(universe);
    if (!first || *first < lowest || *first > highest)
        return universeRangeError(name, lowest, highest, line, universe);
    source.universe = *first;
    return {};
}

QString protocolWord(ListenSource::Protocol protocol) {
    switch (protocol) {
    case ListenSource::Protocol::E131:
        return QStringLiteral("e131");
    case ListenSource::Protocol::ArtNet:
        return QStringLiteral("artnet");
    case ListenSource::Protocol::Ddp:
        break;
    }
    return QStringLiteral("ddp");
}

// A dotted IPv4 address, written back plainly; nothing for any other text.
std::optional<QString> ipv4Address(const QString& text) {
    static const QRegularExpression dotted(
        QStringLiteral("^([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})$"));
    const QRegularExpressionMatch match = dotted.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QStringList bytes;
    for (int i = 1; i <= 4; ++i) {
        const int byte = match.captured(i).toInt();
        if (byte > 255)
            return std::nullopt;
        bytes << QString::number(byte);
    }
    return bytes.join(QLatin1Char('.'));
}

void readListenPlace(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    if (parser.isSet(o.listenAddress)) {
        const std::optional<QString> address = ipv4Address(parser.value(o.listenAddress));
        if (!address) {
            line.error = QStringLiteral("--listen-address takes an IPv4 address such as "
                                        "127.0.0.1 (0.0.0.0: every interface), not \"%1\"")
                             .arg(parser.value(o.listenAddress));
            return;
        }
        line.listenAddress = *address;
    }
    if (!parser.isSet(o.listenPort))
        return;
    const std::optional<int> port = wholeNumber(parser.value(o.listenPort));
    if (!port || *port < 1 || *port > 65535)
        line.error = QStringLiteral("--listen-port takes a port from 1 to 65535, not \"%1\"")
                         .arg(parser.value(o.listenPort));
    else if (line.listens.size() > 1)
        line.error = QStringLiteral("--listen-port goes with one --listen: each protocol listens "
                                    "on a port of its own");
    else
        line.listenPort = *port;
}

void readListen(const QCommandLineParser& parser, const Options& o, CommandLine& line) {
    if (line.mode != CommandLine::Mode::Listen) {
        if (parser.isSet(o.channels) || parser.isSet(o.holdLast) || parser.isSet(o.listenAddress) ||
            parser.isSet(o.listenPort))
            line.error = QStringLiteral(
                "--channels, --hold-last, --listen-address and --listen-port go with --listen");
        return;
    }
    if (line.ports.contains(QStringLiteral("sim"))) {
        line.error = QStringLiteral("--port sim shows a window; it cannot go with --listen");
        return;
    }
    line.holdLast = parser.isSet(o.holdLast);
    if (parser.isSet(o.channels)) {
        const QString channels = parser.value(o.channels);
        if (channels != QStringLiteral("3") && channels != QStringLiteral("1")) {
            line.error = QStringLiteral("--channels takes 3 (red, green and blue a LED) or 1 "
                                        "(one channel a LED), not \"%1\"")
                             .arg(channels);
            return;
        }
        line.singleChannel = channels == QStringLiteral("1");
    }
    for (const QString& value : parser.values(o.listen)) {
        ListenSource source;
        line.error = readListenSource(value, line, source);
        if (!line.ok())
            return;
        if (std::ranges::find(line.listens, source.protocol, &ListenSource::protocol) !=
            line.listens.end()) {
            line.error = QStringLiteral("--listen %1 is given twice; each protocol is listened "
                                        "to once")
                             .arg(protocolWord(source.protocol));
            return;
        }
        line.listens.push_back(source);
    }
    readListenPlace(parser, o, line);
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    QCommandLineParser parser;
    Options o;
    parser.setApplicationDescription(Usage);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({o.port,       o.play,         o.interval,      o.exportTo,  o.scale,
                       o.bitOrder,   o.scan,         o.progmem,       o.delays,    o.levels,
                       o.noRealtime, o.limitRefresh, o.showRefresh,   o.map,       o.colour,
                       o.brightness, o.maxFps,       o.sync,          o.exitAtEnd, o.listen,
                       o.channels,   o.holdLast,     o.listenAddress, o.listenPort});
    parser.addOptions(
        {o.greyLevels, o.effect, o.seed, o.frames, o.from, o.listEffects, o.markdown});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("An animation (.led or .qanim) or a playlist (.pat)."),
        QStringLiteral("[FILE]"));
    line.helpText =
        parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("quentaro"));
    if (!parser.parse(arguments)) {
        line.error = parser.errorText();
        return line;
    }
    if (parser.isSet(help)) {
        line.mode = CommandLine::Mode::Help;
        return line;
    }
    if (parser.isSet(version)) {
        line.mode = CommandLine::Mode::Version;
        return line;
    }
    readPorts(parser, o, line);
    if (!line.ok())
        return line;
    readMode(parser, o, line);
    if (line.ok())
        readEffect(parser, o, line);
    if (line.ok())
        readListen(parser, o, line);
    if (line.ok() && parser.isSet(o.interval))
        readInterval(parser, o, line);
    if (line.ok() && parser.isSet(o.scale))
        readScale(parser, o, line);
    if (line.ok())
        readCHeader(parser, o, line);
    if (line.ok())
        readRefresh(parser, o, line);
    if (line.ok())
        readPanel(parser, o, line);
    line.exitAtEnd = parser.isSet(o.exitAtEnd);
    if (line.ok() && line.exitAtEnd && line.mode != CommandLine::Mode::Play)
        line.error = QStringLiteral("--exit-at-end goes with --play");
    return line;
}

bool namesNoOutput(const QString& port) {
    for (const char* prefix : {"ddp:", "e131:", "artnet:", "bridge:"})
        if (port.startsWith(QLatin1String(prefix)))
            return false;
    if (port == QStringLiteral("sim") || port.contains(QLatin1Char('/')))
        return false;
    return port.trimmed().isEmpty() || !FilePath::exists(port);
}

QString notAnOutput(const QString& port) {
    return QStringLiteral("--port takes an output (/dev/parportN, bridge:DEVICE, ddp:HOST[:PORT], "
                          "e131:HOST[,UNIVERSE], artnet:HOST[,UNIVERSE] or sim), not \"%1\"")
        .arg(port);
}

bool isPlaylistPath(const QString& path) {
    return path.endsWith(QStringLiteral(".pat"), Qt::CaseInsensitive);
}
