#pragma once

#include "network/ArtNetDiscovery.h"

#include <QObject>
#include <QString>
#include <functional>

class NetworkPort;
class QAction;
class QMenu;
class LiveInputDialog;
class QWidget;
class SwitchablePort;

// The window's network entries, added to its Export / Import menu: "Network
// panel…" chooses the panel (an Art-Net node found on the local network, or an
// address typed in) and "Panel mapping…" its wiring, colour, brightness and
// rate, with a test picture; a line under them says what the panel last
// reported. "Live input…" shows on the board what arrives from the network. The panel changes while
// the editor runs when its output can be switched; otherwise the dialog gives the command line that
// starts with it. A panel chosen while "LPT on" is off is dark: the menu says so and offers to
// press "LPT on" in the window, when the window is the editor's.
class NetworkMenu final : public QObject {
    Q_OBJECT
public:
    using Report = std::function<void(const QString&)>;

    // `port`: the editor's output when it can be switched, otherwise null;
    // `portArgument` the --port value in use; `report` takes what the panels
    // chosen here have to say.
    NetworkMenu(QWidget* window, QMenu* menu, SwitchablePort* port, QString portArgument,
                Report report);

    const QString& portArgument() const { return portArgument_; }
    // The network panel in use, if any.
    NetworkPort* panel() const;
    // Where tests let the poll go (127.0.0.1), instead of the local network.
    void setPollOptions(const ArtPollOptions& options) { poll_ = options; }

    // Sends to the panel a --port value names from now on, with the setup kept
    // for it. False when the value names no panel, or, having said so and given
    // the command line, when the output cannot change while the editor runs.
    bool use(const QString& argument);
    void choosePanel();
    void editMapping();
    // "Live input…": the dialog, opened once and shown again (editor windows only).
    void openLiveInput();

signals:
    // The editor now sends to the panel `argument` names.
    void outputChanged(const QString& argument);

private:
    void offerLptOn();
    void updateEntries();

    QWidget* window_;
    QMenu* menu_;
    SwitchablePort* port_;
    QString portArgument_;
    Report report_;
    ArtPollOptions poll_;
    QAction* mapping_ = nullptr;
    QAction* state_ = nullptr;
    LiveInputDialog* liveInput_ = nullptr;
};
