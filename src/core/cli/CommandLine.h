#pragma once

#include "effects/Choice.h"
#include "files/CHeaderLayout.h"
#include "playback/SpeedLadder.h"
#include "port/PanelSetup.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// A --listen value: the protocol the board takes from the network and the
// first of its universes.
struct ListenSource {
    enum class Protocol { E131, ArtNet, Ddp };
    Protocol protocol = Protocol::E131;
    // E1.31 1 ... 63999 (default 1); Art-Net's 15-bit port-address (default
    // 0, as the Art-Net output's); none for DDP.
    int universe = 1;

    bool operator==(const ListenSource&) const = default;
};

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Mode { Editor, Play, Export, Listen, ListEffects, Help, Version };
    static constexpr const char* DefaultPort = "/dev/parport0";

    Mode mode = Mode::Editor;
    QString file;       // the editor's file to open, the file to play, the .led to export
    QString exportPath; // --export OUT
    QString port = QString::fromLatin1(DefaultPort); // the first of `ports`
    // Every --port, in the order given; every frame goes to each of them.
    QStringList ports{QString::fromLatin1(DefaultPort)};
    int intervalMs = SpeedLadder::StartMs;
    int scale = 8;
    CHeaderLayout cHeader; // --export to a .h file: bit order, scan, PROGMEM, delays, levels
    // The refresh of the matrix: real time when allowed, at most this many
    // passes a second (0: no limit), the rate told once a second (--play).
    bool realtime = true;
    int limitRefreshHz = 0;
    bool showRefresh = false;
    // --play: end, with status 0, once an animation that plays once through
    // has shown its last frame.
    bool exitAtEnd = false;
    bool intervalGiven = false; // --interval was given
    // A network panel's wiring, lit colour and brightness (percent), when given;
    // the brightness is also that of a parallel port's or the USB bridge's board.
    std::optional<PanelWiring> map;
    std::optional<PanelColour> colour;
    std::optional<int> brightness;
    std::optional<int> maxFps; // the most frames a second a network panel is sent
    // --sync: a network panel's universes shown together; none when not given,
    // so that what is kept for the output stands.
    std::optional<bool> sync;
    // --grey-levels: 8 or 16 levels on a board the program multiplexes; none
    // when not given, so that the editor's setting stands.
    std::optional<int> greyLevels;
    static constexpr int HighestRefreshLimit = 100000;
    // --listen: a receiver for each source; one channel a LED instead of three
    // over two universes; the last frame kept when the sources stop; where the
    // receivers listen (port 0: each protocol's own).
    std::vector<ListenSource> listens;
    bool singleChannel = false;
    bool holdLast = false;
    QString listenAddress = QStringLiteral("0.0.0.0");
    int listenPort = 0;
    // --effect NAME[:KEY=VALUE,...]: the frames come from an effect rather
    // than a file, `frames` of them (--export), from `seed`; --list-effects
    // prints the catalogue, as Markdown with --markdown.
    std::optional<Effects::Choice> effect;
    std::uint64_t seed = 0;
    static constexpr int DefaultEffectFrames = 100;
    static constexpr int MostEffectFrames = 32767;
    int frames = DefaultEffectFrames;
    bool markdown = false;
    QStringList notes; // lines for standard error that do not stop the program
    QString error;     // bad arguments: one line, then the usage, status 2
    QString helpText;  // the usage

    bool ok() const { return error.isEmpty(); }
};

// Reads `arguments` (the program name first). Needs no application object, so
// bad arguments are told apart before any window system is asked for.
CommandLine parseCommandLine(const QStringList& arguments);

// Whether a --port value names nothing this program drives: no output's name,
// no path and no file there is (a typo such as "foo" or "dpp:panel"). A path
// is a parallel port's, which says itself what is wrong with it.
bool namesNoOutput(const QString& port);
// The one line that says so, and what --port takes.
QString notAnOutput(const QString& port);

// Whether a path names a playlist rather than an animation.
bool isPlaylistPath(const QString& path);
