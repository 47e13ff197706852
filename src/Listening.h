#pragma once

#include "Outputs.h"
#include "network/receive/NetworkReceiver.h"

#include <QString>
#include <functional>

struct CommandLine;
struct ListenSource;
class InstanceCheck;
class SignalPipe;

// What the board as a network node needs from outside.
struct ListenServices {
    InstanceCheck& instanceCheck;
    // Made before anything else, so that a signal that comes early still ends
    // the run with a dark board.
    SignalPipe& stopSignals;
    std::function<void(const QString&)> error; // one line for standard error
    OutputOpener open;                         // openOutput when empty
};

// What one --listen of `line` listens for: its protocol and first universe,
// the channels a LED, the strip order of --map read the other way, whether
// the last frame is kept, and where.
ListenOptions listenOptions(const CommandLine& line, const ListenSource& source);

// --listen: a receiver for each source, every frame it completes shown on
// every --port, each receiver's status line on standard error when it
// changes in a way a reader cares about (StatusLog), until SIGINT, SIGTERM or
// SIGHUP darkens the boards. The exit status: 0 after a signal, 1 when a socket cannot be
// bound, the outputs cannot be opened or another editor or player runs, 2
// for a --port value that names no output it can drive.
int listen(const CommandLine& line, ListenServices services);
