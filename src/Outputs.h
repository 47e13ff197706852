#pragma once

#include "port/PanelSetup.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FanOutOutput;
class FanOutPort;
class Form1;
class MatrixOutput;
class PortIo;
class QWidget;
class RefreshTiming;
class SwitchablePort;

// The matrix output a --port value names: a parallel port device, the USB bridge
// ("bridge:" and a serial device), an LED panel on the network ("ddp:",
// "e131:", "artnet:") or the on-screen matrix ("sim", only in a program with
// widgets).
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
// Whether one of the --port values is the on-screen matrix, which needs a window.
bool showsMatrixWindow(const QStringList& portArguments);
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
        int brightness = 100;  // its own, as it was started with
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
    // The output the side panel's brightness names: the first whose rows are
    // lit in turn, else the first; null when none was opened.
    const Member* brightnessMember() const;
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

// For a program without a window, once `outputs` are opened: the start-up
// writes of a board on a parallel port, as the editor sends them, then dark,
// unless another program drives the boards. 0, or the exit status when none
// was opened or another program runs, told through `report`.
int startBoards(OutputSet& outputs, InstanceCheck& check,
                const std::function<void(const QString&)>& report);

// The editor's output and what keeps it lit. The editor works without its
// output: one that cannot be opened, or whose refresh cannot start, gives way
// to none (told through `report`). One output that keeps the board lit by
// itself can give way to a network panel chosen in the window: `switchable`.
struct EditorOutput {
    std::unique_ptr<PortIo> port;
    MatrixRefresh refresh;
    OutputSet several; // with more than one --port: the outputs opened
    bool disabled = false;
    SwitchablePort* switchable = nullptr;
    QString badArgument; // a --port value names no output: why; nothing is opened

    EditorOutput();
    EditorOutput(EditorOutput&&) noexcept;
    EditorOutput& operator=(EditorOutput&&) noexcept;
    ~EditorOutput();

    PortIo& io() const;
    MatrixOutput* matrix() const;
    // What the side panel calls the outputs.
    QString name(const CommandLine& line) const;
};
EditorOutput openEditorOutput(const CommandLine& line,
                              const std::function<void(const QString&)>& report,
                              const OutputOpener& open = {});

// The side panel's brightness for the output `portArgument` names: a board
// whose rows are lit in turn, at `given` or as kept for it; a network panel
// has its own.
void offerBrightness(Form1& window, const QString& portArgument, bool disabled,
                     std::optional<int> given = std::nullopt);
// For the editor's outputs: with several, the box names the first whose rows
// are lit in turn and the others follow it from their own brightness, each
// kept for its output.
void offerBrightness(Form1& window, EditorOutput& output, const CommandLine& line);
