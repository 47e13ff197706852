#pragma once

#include "port/PanelSetup.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class FanOutOutput;
class FanOutPort;
class MatrixOutput;
class PortIo;
class QWidget;
class RefreshTiming;

// The matrix output a --port value names: a parallel port device, the USB bridge
// ("bridge:" and a serial device), an LED panel on the network ("ddp:",
// "e131:", "artnet:") or the on-screen matrix ("sim", only with a window).
struct OpenedOutput {
    std::unique_ptr<PortIo> port; // null when it could not be opened
    QString error;                // why not, in one line
    bool badArgument = false;     // the value names no output this program can drive
};

// `report` takes the lines an output has to say while the program runs (the
// bridge: unplugged, found again). A USB bridge that is not plugged in counts as
// opened: it is waited for.
// `setup` places the frame on a network panel's LEDs and caps its frame rate.
OpenedOutput openOutput(const QString& portArgument, bool withWindow,
                        const std::function<void(const QString&)>& report,
                        const PanelSetup& setup = {});

// What a --port value names: a network panel, the USB bridge, the on-screen
// matrix, or else a parallel port device.
enum class OutputKind { ParallelPort, Bridge, Sim, Network };
OutputKind outputKind(const QString& portArgument);
// The output a --port value names, as the window shows it and its brightness is
// kept under: none given is the default parallel port.
QString portName(const QString& portArgument);

// The mapping and rate cap of the network panel `portArgument` names (the
// first --port when none is named): what the command line gives, the rest as
// last used with this output.
struct CommandLine;
PanelSetup panelSetup(const CommandLine& line);
PanelSetup panelSetup(const CommandLine& line, const QString& portArgument);
// Keeps what the command line gave of `setup` for the next time with this
// output (the editor, once it is sure to run and its output opened).
void rememberPanelSetup(const CommandLine& line, const PanelSetup& setup);
void rememberPanelSetup(const CommandLine& line, const QString& portArgument,
                        const PanelSetup& setup);

// The brightness of a board whose rows are lit in turn: the command line's, else
// as last used with this output. A network panel's --brightness is its
// mapping's, and such a board is lit full.
int multiplexedBrightness(const CommandLine& line);
int multiplexedBrightness(const CommandLine& line, const QString& portArgument);

// How the outputs of several --port values are named: the first, and how many
// more ("/dev/parport0 +1").
QString portsName(const QStringList& portArguments);

// On a parallel port the start-up writes go out before the instance check, as
// they always did: the kernel's claim keeps a second program from writing.
// Any other output of a second program would show over the running one's
// picture, so it is opened only once this program may run.
class InstanceCheck;
bool refusedBeforeTheOutputs(const CommandLine& line, InstanceCheck& check);

// What keeps the board lit while "LPT on" runs: a refresh thread that
// multiplexes an output taking the port's registers (real time unless
// `realtime` is false, at most `limitHz` passes a second unless 0), or whole
// frames for an output that multiplexes the board itself; either lit at
// `brightness` percent when it can dim. `report` takes why
// the thread could not have real time. A thread that cannot start leaves
// `output` null and says why in `failure`.
struct MatrixRefresh {
    std::unique_ptr<RefreshTiming> timing;
    std::unique_ptr<MatrixOutput> output;
    QString failure;
    MatrixRefresh();
    MatrixRefresh(MatrixRefresh&&) noexcept;
    MatrixRefresh& operator=(MatrixRefresh&&) noexcept;
    ~MatrixRefresh();
};
MatrixRefresh startRefresh(PortIo& port, bool realtime, int limitHz, int brightness,
                           const std::function<void(const QString&)>& report,
                           int greyPlanes = greyPlanesFor(FewerMatrixLevels));
// The grey levels a multiplexed board shows: the command line's, else the
// editor's setting.
int matrixLevels(const CommandLine& line);

// Every output the --port values name, each opened and kept lit as one is on
// its own: its mapping, its brightness, its refresh. With one, port() and
// output() are its own; with more, they hand everything to each.
struct OutputSet {
    struct Member {
        QString argument;
        std::unique_ptr<PortIo> port;
        MatrixRefresh refresh; // goes before its port
    };
    std::vector<Member> members;
    std::unique_ptr<FanOutPort> fanOutPort;
    std::unique_ptr<FanOutOutput> fanOutOutput;
    QString error;            // none could be opened: why, in one line
    bool badArgument = false; // a --port value names no output this program can drive

    OutputSet();
    OutputSet(OutputSet&&) noexcept;
    OutputSet& operator=(OutputSet&&) noexcept;
    ~OutputSet();

    PortIo* port() const; // null when none was opened
    MatrixOutput* output() const;
    // Whether the program multiplexes one of the boards (a refresh thread runs).
    bool multiplexes() const;
    // The outputs opened, as portsName names them.
    QString name() const;
};

// Opens every --port of `line` and starts its refresh. With one, a failure
// ends it as it always did; with more, an output that cannot be opened or
// refreshed is told in one line through `report` and the others go on, and
// only none at all is a failure. A value that names no output this program can
// drive is a bad argument, whichever it is. `open` stands in for openOutput in
// tests.
using OutputOpener =
    std::function<OpenedOutput(const QString& portArgument, const PanelSetup& setup)>;
OutputSet openOutputs(const CommandLine& line, bool withWindow,
                      const std::function<void(const QString&)>& report,
                      const OutputOpener& open = {});
