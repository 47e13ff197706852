#pragma once

#include "Outputs.h"

#include <QString>
#include <functional>

struct CommandLine;
class InstanceCheck;
class SignalPipe;

struct EffectPlayServices {
    InstanceCheck& instanceCheck;
    // Made before anything else, so that a signal that comes early still ends
    // the run with a dark board.
    SignalPipe& stopSignals;
    std::function<void(const QString&)> error; // one line for standard error
};

// --effect without --export: the effect's frames on every --port, one each
// --interval or the effect's own frame time, until SIGINT, SIGTERM or SIGHUP
// darkens the boards. The frames are those --export renders with the same
// seed. The exit status: 0 after a signal, 1 when the outputs cannot be
// opened or another editor or player runs, 2 for a --port value that names
// no output it can drive.
int playEffect(const CommandLine& line, EffectPlayServices services);
