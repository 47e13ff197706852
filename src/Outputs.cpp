#include "Outputs.h"

#include "cli/CommandLine.h"
#include "editor/InstanceCheck.h"
#include "port/FanOutOutput.h"
#include "port/MatrixOutput.h"
#include "port/PortSequences.h"
#include "port/PpdevPort.h"
#include "port/RefreshEngine.h"
#include "port/SwitchablePort.h"

#ifdef QUENTARO_HAVE_BRIDGE
#include "bridge/BridgePort.h"
#endif
#ifdef QUENTARO_HAVE_REALTIME
#include "realtime/RealtimeKit.h"
#endif
#ifdef QUENTARO_HAVE_NETWORK
#include "network/NetworkPort.h"
#endif
#include "ui/Form1.h"
#include "ui/MatrixWindow.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <thread>

namespace {

using Report = std::function<void(const QString&)>;

OpenedOutput badArgument(const QString& why) {
    return {nullptr, why, true};
}

OpenedOutput openParallelPort(const QString& device) {
    PpdevPort::OpenResult opened =
        PpdevPort::open(realPpdevSystem(), QFile::encodeName(device).constData());
    return {std::move(opened.port), QString::fromStdString(opened.error)};
}

#ifdef QUENTARO_HAVE_BRIDGE
// The bridge keeps trying its device on the event loop. Without a window a
// device that is there but cannot be opened at once is a failure all the same:
// a player that nobody watches must not play into nothing. What the bridge says
// while it is first opened is held back, so that the failure is said once.
OpenedOutput openBridgeOutput(const QString& device, bool withWindow, const Report& report) {
    auto held = std::make_shared<std::optional<QStringList>>(QStringList());
    auto bridge = std::make_unique<BridgePort>(device, [held, report](const QString& line) {
        if (*held)
            (*held)->append(line);
        else
            report(line);
    });
    const QStringList said = **held;
    held->reset();
    if (!withWindow && bridge->link() == BridgePort::Link::Waiting && QFileInfo::exists(device))
        return {nullptr, said.join(QStringLiteral("; "))};
    for (const QString& line : said)
        report(line);
    return {std::move(bridge), {}};
}
#endif

// A network output counts as opened at once: its host is looked up, and sent
// to, on the event loop.
OpenedOutput openNetworkOutput(const QString& portArgument, const PanelSetup& setup,
                               const Report& report) {
#ifdef QUENTARO_HAVE_NETWORK
    const ParsedTarget parsed = parseNetworkTarget(portArgument);
    if (!parsed.target)
        return badArgument(parsed.error);
    return {NetworkPort::open(*parsed.target, setup, report), {}};
#else
    (void)portArgument, (void)setup, (void)report;
    return badArgument(QStringLiteral("this build has no network outputs"));
#endif
}

} // namespace

// What a --port value names, by its prefix; anything else is a parallel port device.
OutputKind outputKind(const QString& portArgument) {
    static constexpr struct {
        const char* prefix;
        OutputKind kind;
    } Kinds[] = {{"ddp:", OutputKind::Network},
                 {"e131:", OutputKind::Network},
                 {"artnet:", OutputKind::Network},
                 {"bridge:", OutputKind::Bridge}};
    if (portArgument == QStringLiteral("sim"))
        return OutputKind::Sim;
    for (const auto& k : Kinds)
        if (portArgument.startsWith(QLatin1String(k.prefix)))
            return k.kind;
    return OutputKind::ParallelPort;
}

bool showsMatrixWindow(const QStringList& portArguments) {
    return std::ranges::any_of(
        portArguments, [](const QString& port) { return outputKind(port) == OutputKind::Sim; });
}

QString portName(const QString& portArgument) {
    return portArgument.isEmpty() ? QString::fromLatin1(PpdevPort::DefaultDevice) : portArgument;
}

OpenedOutput openOutput(const QString& portArgument, bool withWindow, const Report& report,
                        const PanelSetup& setup) {
    switch (outputKind(portArgument)) {
    case OutputKind::Network:
        return openNetworkOutput(portArgument, setup, report);
    case OutputKind::Sim:
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
            return badArgument(
                QStringLiteral("--port sim shows a window; this mode runs without one"));
        return {openMatrixWindow(), {}};
    case OutputKind::Bridge: {
#ifdef QUENTARO_HAVE_BRIDGE
        const std::optional<QString> device = bridgeDevice(portArgument);
        if (!device)
            return badArgument(QStringLiteral("\"%1\" names no serial device").arg(portArgument));
        return openBridgeOutput(*device, withWindow, report);
#else
        return badArgument(QStringLiteral("this build has no USB bridge support"));
#endif
    }
    case OutputKind::ParallelPort:
        break;
    }
    if (namesNoOutput(portArgument))
        return badArgument(notAnOutput(portArgument));
    return openParallelPort(portArgument);
}

PanelSetup panelSetup(const CommandLine& line) {
    return panelSetup(line, line.port);
}

PanelSetup panelSetup(const CommandLine& line, const QString& portArgument) {
    PanelSetup s = storedPanelSetup(portArgument);
    PanelMapping& m = s.mapping;
    m.wiring = line.map.value_or(m.wiring);
    m.colour = line.colour.value_or(m.colour);
    m.brightness = line.brightness.value_or(m.brightness);
    s.maxFps = line.maxFps.value_or(s.maxFps);
    s.syncUniverses = line.sync.value_or(s.syncUniverses);
    return s;
}

void rememberPanelSetup(const CommandLine& line, const PanelSetup& setup) {
    rememberPanelSetup(line, line.port, setup);
}

void rememberPanelSetup(const CommandLine& line, const QString& portArgument,
                        const PanelSetup& setup) {
    if (line.map || line.colour || line.brightness || line.maxFps || line.sync)
        storePanelSetup(portArgument, setup);
}

MatrixRefresh::MatrixRefresh() = default;
MatrixRefresh::MatrixRefresh(MatrixRefresh&&) noexcept = default;
MatrixRefresh::~MatrixRefresh() = default;

// The old output goes before its timing: its thread may be waiting on it.
MatrixRefresh& MatrixRefresh::operator=(MatrixRefresh&& other) noexcept {
    output = std::move(other.output);
    timing = std::move(other.timing);
    failure = std::move(other.failure);
    return *this;
}

int multiplexedBrightness(const CommandLine& line) {
    return multiplexedBrightness(line, line.port);
}

int multiplexedBrightness(const CommandLine& line, const QString& portArgument) {
    if (outputKind(portArgument) == OutputKind::Network)
        return MatrixOutput::MaxBrightness;
    return line.brightness.value_or(storedBrightness(portName(portArgument)));
}

QString portsName(const QStringList& portArguments) {
    if (portArguments.isEmpty())
        return portName({});
    const QString first = portName(portArguments.first());
    if (portArguments.size() == 1)
        return first;
    return QStringLiteral("%1 +%2").arg(first).arg(portArguments.size() - 1);
}

bool refusedBeforeTheOutputs(const CommandLine& line, InstanceCheck& check) {
    const bool onlyParallelPorts = std::ranges::all_of(line.ports, [](const QString& port) {
        return outputKind(port) == OutputKind::ParallelPort;
    });
    return !onlyParallelPorts && check.anotherInstanceRunning();
}

int matrixLevels(const CommandLine& line) {
    return line.greyLevels.value_or(storedMatrixLevels());
}

MatrixRefresh startRefresh(PortIo& port, bool realtime, int limitHz, int brightness,
                           const Report& report, int greyPlanes) {
    MatrixRefresh refresh;
    if (port.refreshesItself()) {
        refresh.output = std::make_unique<WholeFrameOutput>(port);
        refresh.output->setBrightness(brightness);
        return refresh;
    }
    refresh.timing = std::make_unique<SleepingTiming>();
    RefreshEngine::Options options;
    options.realtime = realtime;
#ifdef QUENTARO_HAVE_REALTIME
    options.realtimeBroker = RealtimeKit::makeThreadRealtime;
#endif
    options.limitHz = limitHz;
    options.brightness = brightness;
    options.greyPlanes = greyPlanes;
    auto engine = std::make_unique<RefreshEngine>(port, *refresh.timing, options);
    if (!engine->startFailure().empty()) {
        refresh.failure = QString::fromStdString(engine->startFailure());
        return refresh;
    }
    if (!engine->realtimeNote().empty())
        report(QString::fromStdString(engine->realtimeNote()));
    if (!engine->memoryNote().empty())
        report(QString::fromStdString(engine->memoryNote()));
    if (auto* window = dynamic_cast<MatrixWindow*>(&port))
        window->setRateSource([engine = engine.get()] { return engine->rate(); });
    refresh.output = std::move(engine);
    return refresh;
}

OutputSet::OutputSet() = default;
OutputSet::OutputSet(OutputSet&&) noexcept = default;
OutputSet& OutputSet::operator=(OutputSet&&) noexcept = default;
OutputSet::~OutputSet() = default;

PortIo* OutputSet::port() const {
    if (fanOutPort)
        return fanOutPort.get();
    return members.empty() ? nullptr : members.front().port.get();
}

MatrixOutput* OutputSet::output() const {
    if (fanOutOutput)
        return fanOutOutput.get();
    return members.empty() ? nullptr : members.front().refresh.output.get();
}

bool OutputSet::multiplexes() const {
    return std::ranges::any_of(
        members, [](const Member& member) { return member.refresh.timing != nullptr; });
}

QString OutputSet::name() const {
    QStringList arguments;
    for (const Member& member : members)
        arguments << member.argument;
    return portsName(arguments);
}

const OutputSet::Member* OutputSet::brightnessMember() const {
    for (const Member& member : members)
        if (outputKind(member.argument) != OutputKind::Network)
            return &member;
    return members.empty() ? nullptr : &members.front();
}

namespace {

// Why one of several outputs is left out, naming it.
QString leftOut(const QString& argument, const QString& why) {
    return why.contains(argument) ? why : QStringLiteral("%1: %2").arg(argument, why);
}

void fanOut(OutputSet& set) {
    std::vector<PortIo*> ports;
    std::vector<MatrixOutput*> outputs;
    std::vector<int> brightness;
    for (const OutputSet::Member& member : set.members) {
        ports.push_back(member.port.get());
        outputs.push_back(member.refresh.output.get());
        brightness.push_back(member.brightness);
    }
    const auto leader = std::size_t(set.brightnessMember() - set.members.data());
    set.fanOutPort = std::make_unique<FanOutPort>(std::move(ports));
    set.fanOutOutput =
        std::make_unique<FanOutOutput>(std::move(outputs), std::move(brightness), leader);
}

} // namespace

OutputSet openOutputs(const CommandLine& line, bool withWindow, const Report& report,
                      const OutputOpener& open) {
    OutputSet set;
    const bool several = line.ports.size() > 1;
    for (const QString& argument : line.ports) {
        const PanelSetup setup = panelSetup(line, argument);
        OpenedOutput opened =
            open ? open(argument, setup) : openOutput(argument, withWindow, report, setup);
        if (opened.badArgument || (!opened.port && !several)) {
            set.members.clear();
            set.error = opened.error;
            set.badArgument = opened.badArgument;
            return set;
        }
        if (!opened.port) {
            report(leftOut(argument, opened.error));
            continue;
        }
        const int brightness = multiplexedBrightness(line, argument);
        MatrixRefresh refresh = startRefresh(*opened.port, line.realtime, line.limitRefreshHz,
                                             brightness, report, greyPlanesFor(matrixLevels(line)));
        if (!refresh.output) {
            const QString why = QStringLiteral("%1: %2").arg(argument, refresh.failure);
            if (!several) {
                set.error = why;
                return set;
            }
            report(why);
            continue;
        }
        set.members.push_back({argument, std::move(opened.port), std::move(refresh), brightness});
    }
    if (set.members.empty())
        set.error = QStringLiteral("none of the %1 outputs could be opened").arg(line.ports.size());
    else if (several && set.members.size() > 1)
        fanOut(set);
    return set;
}

int startBoards(OutputSet& outputs, InstanceCheck& check, const Report& report) {
    MatrixOutput* output = outputs.output();
    if (!output) {
        report(outputs.error);
        return outputs.badArgument ? 2 : 1;
    }
    int counter = 0;
    PortSequences::startup(
        *outputs.port(),
        [](float seconds) { std::this_thread::sleep_for(std::chrono::duration<float>(seconds)); },
        counter);
    output->darken();
    if (check.anotherInstanceRunning()) {
        report(check.refusalLine());
        output->close();
        return 1;
    }
    return 0;
}

EditorOutput::EditorOutput() = default;
EditorOutput::EditorOutput(EditorOutput&&) noexcept = default;
EditorOutput& EditorOutput::operator=(EditorOutput&&) noexcept = default;
EditorOutput::~EditorOutput() = default;

PortIo& EditorOutput::io() const {
    return several.port() ? *several.port() : *port;
}

MatrixOutput* EditorOutput::matrix() const {
    return several.output() ? several.output() : refresh.output.get();
}

QString EditorOutput::name(const CommandLine& line) const {
    if (disabled)
        return QStringLiteral("none (%1 could not be opened)").arg(portsName(line.ports));
    return several.members.empty() ? portName(line.port) : several.name();
}

namespace {

EditorOutput disabledOutput(EditorOutput output, const QString& why, const Report& report) {
    report(QStringLiteral("LED matrix output disabled: ") + why);
    output.port = std::make_unique<NullPort>();
    output.disabled = true;
    return output;
}

EditorOutput editorOutput(OpenedOutput opened, const CommandLine& line, const Report& report) {
    EditorOutput output;
    output.port = std::move(opened.port);
    if (!output.port)
        output = disabledOutput(std::move(output), opened.error, report);
    if (!output.port->refreshesItself()) {
        output.refresh =
            startRefresh(*output.port, line.realtime, line.limitRefreshHz,
                         multiplexedBrightness(line), report, greyPlanesFor(matrixLevels(line)));
        if (output.refresh.output)
            return output;
        const QString why = QStringLiteral("%1: %2").arg(line.port, output.refresh.failure);
        output = disabledOutput(std::move(output), why, report);
    }
    auto port = std::make_unique<SwitchablePort>(std::move(output.port));
    output.switchable = port.get();
    output.port = std::move(port);
    output.refresh =
        startRefresh(*output.port, line.realtime, line.limitRefreshHz, multiplexedBrightness(line),
                     report, greyPlanesFor(matrixLevels(line)));
    return output;
}

// With more than one --port: every output that opens gets every frame; when
// none does, the editor runs without, as with one.
EditorOutput editorOutputs(OutputSet set, const CommandLine& line, const Report& report) {
    if (!set.output())
        return editorOutput({nullptr, set.error}, line, report);
    EditorOutput output;
    output.several = std::move(set);
    return output;
}

EditorOutput refusedOutput(const QString& why) {
    EditorOutput output;
    output.badArgument = why;
    return output;
}

} // namespace

EditorOutput openEditorOutput(const CommandLine& line, const Report& report,
                              const OutputOpener& open) {
    if (line.ports.size() > 1) {
        OutputSet set = openOutputs(line, true, report, open);
        if (set.badArgument)
            return refusedOutput(set.error);
        return editorOutputs(std::move(set), line, report);
    }
    const PanelSetup setup = panelSetup(line);
    OpenedOutput opened =
        open ? open(line.port, setup) : openOutput(line.port, true, report, setup);
    if (opened.badArgument)
        return refusedOutput(opened.error);
    return editorOutput(std::move(opened), line, report);
}

void offerBrightness(Form1& window, const QString& portArgument, bool disabled,
                     std::optional<int> given) {
    if (disabled)
        window.withholdBrightness(QStringLiteral("No output to dim: it could not be opened"));
    else if (outputKind(portArgument) == OutputKind::Network) // its brightness is in its setup
        window.withholdBrightness(
            QStringLiteral("A network panel's brightness is set in Panel mapping… (Ctrl+Shift+M, "
                           "or a right click on Load)"));
    else
        window.setBrightnessOutput(portName(portArgument), given);
}

void offerBrightness(Form1& window, EditorOutput& output, const CommandLine& line) {
    OutputSet& set = output.several;
    if (set.fanOutOutput) {
        set.fanOutOutput->setBrightnessKeeper([&set](std::size_t member, int percent) {
            const QString& argument = set.members.at(member).argument;
            if (outputKind(argument) != OutputKind::Network)
                storeBrightness(portName(argument), percent);
        });
    }
    const OutputSet::Member* named = set.brightnessMember();
    const QString port = named != nullptr ? named->argument : line.port;
    // With several, the box starts at the named output's own brightness; the
    // command line's is every output's own already.
    offerBrightness(window, port, output.disabled,
                    named != nullptr ? std::optional(named->brightness) : line.brightness);
}
