// Chooses between the editor with its window, the player without one, and the
// exporter, by the command line.
#include "EffectPlaying.h"
#include "FileExport.h"
#include "Outputs.h"
#include "cli/CommandLine.h"
#include "editor/Editor.h"
#include "editor/InstanceCheck.h"
#include "effects/Listing.h"
#include "files/FilePath.h"
#include "playback/AnimationTimer.h"
#include "player/Player.h"
#include "player/SignalPipe.h"
#include "port/Clock.h"
#include "port/MatrixOutput.h"
#include "port/PortIo.h"
#include "ui/Form1.h"
#include "ui/MatrixLevelsChoice.h"
#include "ui/MatrixWindow.h"
#include "ui/PlainText.h"
#include "ui/QtCommonDialog.h"
#include "ui/RecoveryKeeper.h"
#include "ui/RefreshRateText.h"

#ifdef QUENTARO_HAVE_NETWORK
#include "Listening.h"
#include "ui/network/NetworkMenu.h"
#endif

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStyleFactory>
#include <QTimer>
#include <csignal>
#include <cstdio>

namespace {

void printLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", FilePath::toBytes(text).constData());
}

void error(const QString& text) {
    printLine(stderr, QStringLiteral("quentaro: ") + text);
}

// The organisation names the settings' folder: ~/.config/quentaro/quentaro.conf.
void name(QCoreApplication& app) {
    app.setOrganizationName(QStringLiteral("quentaro"));
    app.setApplicationName(QStringLiteral("quentaro"));
    app.setApplicationVersion(QStringLiteral(QUENTARO_VERSION));
}

// Settings were once kept in the folder Qt names for a program without an
// organisation. They are moved once, never over settings kept since.
void moveOldSettings() {
    const QString now = QSettings().fileName();
    const QString old =
        QSettings(QSettings::NativeFormat, QSettings::UserScope,
                  QStringLiteral("Unknown Organization"), QCoreApplication::applicationName())
            .fileName();
    if (QFileInfo::exists(now) || !QFileInfo::exists(old))
        return;
    const QString folder = QFileInfo(now).path();
    QFile file(old);
    QString why;
    if (!QDir().mkpath(folder))
        why = QStringLiteral("cannot create %1").arg(folder);
    else if (!file.rename(now))
        why = file.errorString();
    if (why.isEmpty()) {
        QDir().rmdir(QFileInfo(old).path()); // only when nothing else is kept there
        return;
    }
    if (!QFileInfo::exists(now)) // not moved meanwhile by another quentaro starting
        error(QStringLiteral("the settings in %1 could not be moved to %2 (%3); they stay there "
                             "and this run starts without them")
                  .arg(old, now, why));
}

// Bad arguments: one line saying what, then the usage.
int refuse(const CommandLine& line) {
    error(line.error);
    std::fprintf(stderr, "\n%s", line.helpText.toLocal8Bit().constData());
    return 2;
}

// Without a display Qt would abort with advice to reinstall; say what is wrong
// instead. QT_QPA_PLATFORM names a platform that needs none (offscreen, vnc).
bool hasGraphicalSession() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// A player nobody watches must not play into nothing: outputs that cannot be
// opened end it.
int play(const CommandLine& line) {
    SignalPipe stopSignals; // first: from here on a signal darkens the matrix
    moveOldSettings();
    if (line.effect) {
        LockFileInstanceCheck instanceCheck;
        return playEffect(line, {instanceCheck, stopSignals, error});
    }
    LockFileInstanceCheck instanceCheck;
    if (refusedBeforeTheOutputs(line, instanceCheck)) {
        error(instanceCheck.refusalLine());
        return 1;
    }
    OutputSet outputs = openOutputs(line, false, error);
    if (!outputs.output()) {
        error(outputs.error);
        return outputs.badArgument ? 2 : 1;
    }
    QTimer showRate;
    if (line.showRefresh && !outputs.multiplexes())
        error(QStringLiteral("--show-refresh: %1 multiplexes the matrix itself; this program "
                             "does not see its rate")
                  .arg(outputs.name()));
    else if (line.showRefresh) {
        QObject::connect(&showRate, &QTimer::timeout,
                         [&outputs] { error(refreshRateText(outputs.output()->rate())); });
        showRate.start(1000);
    }
    // Closing the on-screen matrix ends the player as Ctrl+C does.
    for (const OutputSet::Member& member : outputs.members)
        if (auto* window = dynamic_cast<MatrixWindow*>(member.port.get()))
            QObject::connect(window, &MatrixWindow::closed, &stopSignals,
                             [&stopSignals] { emit stopSignals.received(SIGINT); });
    SteadyClock clock;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    Player player(
        {*outputs.port(), clock, instanceCheck, *timer, stopSignals, error, outputs.output()});
    return player.run(line.file, line.intervalMs, {line.exitAtEnd, line.intervalGiven});
}

// The player on the on-screen matrix: no other window, but widgets all the same.
int playOnScreen(int argc, char* argv[], const CommandLine& line) {
    if (!hasGraphicalSession()) {
        error(QStringLiteral("--port sim shows the matrix in a window, which needs a graphical "
                             "session (DISPLAY or WAYLAND_DISPLAY is not set)"));
        return 1;
    }
    QApplication app(argc, argv);
    name(app);
    return play(line);
}

int runWithoutWindow(const CommandLine& line) {
    if (line.mode == CommandLine::Mode::Help) {
        printLine(stdout, line.helpText);
        return 0;
    }
    if (line.mode == CommandLine::Mode::Version) {
        printLine(stdout, QStringLiteral("quentaro %1").arg(QStringLiteral(QUENTARO_VERSION)));
        return 0;
    }
    if (line.mode == CommandLine::Mode::Export)
        return exportFile(line);
    if (line.mode == CommandLine::Mode::ListEffects) {
        std::fputs(Effects::listEffects(line.markdown).c_str(), stdout);
        return 0;
    }
#ifdef QUENTARO_HAVE_NETWORK
    if (line.mode == CommandLine::Mode::Listen) {
        SignalPipe stopSignals; // first: from here on a signal darkens the matrix
        moveOldSettings();
        LockFileInstanceCheck instanceCheck;
        return listen(line, {instanceCheck, stopSignals, error, {}});
    }
#else
    if (line.mode == CommandLine::Mode::Listen) {
        error(QStringLiteral("this build has no network receiving; --listen needs Qt Network"));
        return 2;
    }
#endif
    return play(line);
}

// A second editor refused before its window, with the message it gives
// after its start-up writes on a parallel port.
int refuseSecondEditor(const InstanceCheck& check) {
    error(check.refusalLine());
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Attention!"), check.refusalMessage(),
                    QMessageBox::Ok);
    PlainText::box(box);
    box.exec();
    return 1;
}

void rememberPanelSetups(const CommandLine& line, const EditorOutput& output,
                         const PanelSetup& setup) {
    if (output.several.members.empty())
        rememberPanelSetup(line, setup);
    for (const OutputSet::Member& member : output.several.members)
        rememberPanelSetup(line, member.argument, panelSetup(line, member.argument));
}

// Bad arguments found when the outputs are opened.
int refuseOutput(const CommandLine& line, const QString& why) {
    CommandLine refused = line;
    refused.error = why;
    return refuse(refused);
}

// The side panel's grey levels for the output `port` names.
void offerLevels(Form1& window, const QString& port, int levels) {
    const OutputKind kind = outputKind(port);
    const bool multiplexed = kind == OutputKind::ParallelPort || kind == OutputKind::Sim;
    offerMatrixLevels(*window.sidePanel(), levels, multiplexed,
                      kind == OutputKind::Bridge
                          ? QStringLiteral("The USB bridge shows all 16 levels itself")
                          : QStringLiteral("A network panel shows all 16 levels"));
}

// ... for the board the Brightness box names.
void offerLevels(Form1& window, const EditorOutput& output, const CommandLine& line) {
    const OutputSet::Member* named = output.several.brightnessMember();
    offerLevels(window, named != nullptr ? named->argument : line.port, matrixLevels(line));
}

int runEditor(QApplication& app, const CommandLine& line) {
    moveOldSettings();
    LockFileInstanceCheck instanceCheck;
    if (refusedBeforeTheOutputs(line, instanceCheck))
        return refuseSecondEditor(instanceCheck);
    const PanelSetup setup = panelSetup(line);
    EditorOutput output = openEditorOutput(line, error);
    if (!output.badArgument.isEmpty())
        return refuseOutput(line, output.badArgument);
    MatrixOutput* matrix = output.matrix();
    QtCommonDialog dialog;
    SteadyClock clock;
    Form1 window({output.io(), dialog, clock, instanceCheck, {}, matrix});
    // Refused: another editor or player runs, or the lock cannot be checked.
    if (window.hasEnded()) {
        error(instanceCheck.refusalLine());
        return 1;
    }
    if (!output.disabled)
        rememberPanelSetups(line, output, setup);
    window.showRefreshRate([matrix] { return matrix->rate(); });
    window.setOutputName(output.name(line));
    offerBrightness(window, output, line);
    connectMatrixLevels(*window.sidePanel(), matrix);
    offerLevels(window, output, line);
    window.editor().setNotice([&window](const QString& line) {
        error(line);
        window.showNotice(line);
    });
#ifdef QUENTARO_HAVE_NETWORK
    auto* menu =
        new NetworkMenu(&window, window.sharingMenu(), output.switchable, line.port, error);
    QObject::connect(menu, &NetworkMenu::outputChanged, &window, [&window](const QString& port) {
        window.setOutputName(port);
        offerBrightness(window, port, false);
        offerLevels(window, port, storedMatrixLevels());
    });
#endif
    RecoveryKeeper recovery(window.editor(), error);
    if (recovery.offerRestore(&window)) {
        if (!line.file.isEmpty())
            error(QStringLiteral("%1: not opened; the unsaved animation of the last session "
                                 "was restored instead")
                      .arg(line.file));
    } else if (!line.file.isEmpty()) {
        Editor& editor = window.editor();
        const QString why = isPlaylistPath(line.file) ? editor.openPlaylist(line.file)
                                                      : editor.openAnimation(line.file);
        if (!why.isEmpty())
            error(QStringLiteral("%1: %2").arg(line.file, why));
    }
    window.render();
    dialog.setParent(&window);
    window.show();
    const int status = app.exec();
    recovery.closeCleanly();
    return status;
}

QStringList arguments(int argc, char* argv[]) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << FilePath::fromBytes(argv[i]);
    return list;
}

} // namespace

int main(int argc, char* argv[]) {
    const CommandLine line = parseCommandLine(arguments(argc, argv));
    for (const QString& note : line.notes)
        error(note);
    if (!line.ok())
        return refuse(line);
    if (line.mode == CommandLine::Mode::Play && showsMatrixWindow(line.ports))
        return playOnScreen(argc, argv, line);
    if (line.mode != CommandLine::Mode::Editor) {
        QCoreApplication app(argc, argv);
        name(app);
        return runWithoutWindow(line);
    }
    if (!hasGraphicalSession()) {
        error(QStringLiteral("the editor needs a graphical session (DISPLAY or WAYLAND_DISPLAY is "
                             "not set); --play and --export run without one"));
        return 1;
    }
    QApplication app(argc, argv);
    name(app);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setDesktopFileName(QStringLiteral("quentaro"));
    return runEditor(app, line);
}
