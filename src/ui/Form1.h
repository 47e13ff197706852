#pragma once

#include "editor/Controls.h"
#include "editor/Panel.h"
#include "frames/ToolStroke.h"
#include "port/MatrixOutput.h"

#include <QKeySequence>
#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

class AnimationTimer;
class BoardView;
class Clock;
class CommonDialog;
class Editor;
class IconStore;
class InstanceCheck;
class MouseSurface;
class PortIo;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class FrameStrip;
class SidePanel;
class SelectionTool;

// Everything the window hands on to the editor. The running program passes the
// matrix output, the Qt file dialog, the steady clock and the lock-file check;
// tests pass recording and scripted stand-ins.
struct Form1Services {
    PortIo& port;
    CommonDialog& dialog;
    Clock& clock;
    InstanceCheck& instanceCheck;
    // Ends the program once the editor has shut down; by default leaves the event loop.
    std::function<void()> endProgram;
    // The refresh of the matrix; by default the editor's own (see EditorServices).
    MatrixOutput* output = nullptr;
};

// The editor's one window: it draws the editor's panel and forwards clicks,
// mouse events on the board and the close to the editor. It holds no rule of
// its own.
class Form1 final : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs the editor's start-up.
    explicit Form1(Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    Editor& editor() { return *editor_; }
    bool hasEnded() const;

    QToolButton* button(Control control) const {
        return buttons_[static_cast<std::size_t>(control)];
    }
    QGroupBox* group(Group group) const { return groups_[static_cast<std::size_t>(group)]; }
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    BoardView* Image1 = nullptr; // background with the 256 cell pictures over it
    MouseSurface* Image3 = nullptr;
    // Image4 .. Image11, the hidden pictures the toggles copy.
    std::array<IconStore*, 8> stores{};

    // Draws what changed on the panel since it was last drawn.
    void render();
    // Keeps the passes per second of the refresh in the tooltip of the group
    // of "LPT on", once a second.
    void showRefreshRate(std::function<MatrixOutput::Rate()> rate);

    // The key actions of the buttons, the Export / Import menu.
    QAction* keyAction(Control control) const { return keys_[static_cast<std::size_t>(control)]; }
    QMenu* sharingMenu() const { return sharingMenu_; }

    // The panel beside the board with the tools, text, onion skin and frames,
    // and the handle at the right edge that opens it.
    SidePanel* sidePanel() const { return sidePanel_; }
    FrameStrip* frameStrip() const { return strip_; }
    QToolButton* sidePanelHandle() const { return handle_; }
    bool isSidePanelOpen() const;
    void setSidePanelOpen(bool open);
    // The output the frames go to, by its --port name, named in the side panel
    // with whether "LPT on" runs; given again when the output is switched.
    void setOutputName(const QString& name);
    // The side panel's brightness for the output kept under `port` (its --port
    // value): `given` (then kept), else as kept for that output, full when never
    // kept. It and every change reach the matrix at once and are kept for that
    // output. Withheld, with why, from an output that sets its own.
    void setBrightnessOutput(const QString& port, std::optional<int> given = std::nullopt);
    void withholdBrightness(const QString& why);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createButtons();
    void createStores();
    void orderTabStops();
    void connectControls();
    void createKeys();
    void createSharingMenu();
    QAction* addKey(const QList<QKeySequence>& keys, std::function<void()> run);
    void showHelp();
    void toggleFromKeyboard(int cell);
    void createSidePanel();
    void showSidePanel(bool open);
    void createToolKeys();
    void chooseTool(Tool tool);
    // A drawing tool's stroke on the board, from the mouse or the keyboard.
    bool drawsWithTool() const;
    void beginStroke(int cell, bool shift, bool erase = false);
    void continueStroke(Drawing::Point to, bool shift);
    void finishStroke();
    void cancelStroke();
    void keepStrokeCurrent();
    void showOnionSkin();
    void showShades();
    void showOutput();
    void changeBrightness(int percent);
    void openTextDialog();
    void tell(const struct Message& message);
    // The Select and Wand tools (Form1Selection.cpp).
    void createSelection();
    void createSelectionKeys();
    bool selects() const;
    bool selectionTakesKey(Control control) const;
    void showSelectionKeys();
    // The mirror's axes (Form1Mirror.cpp).
    void createMirrorAxes();
    void placeMirrorAxes();
    void showMirrorAxes();
    // A button or its key: on the selection, on every chosen image, or as the
    // editor's own handler.
    void runControl(Control control, bool fromKey);
    void refuse(const QString& title, const QString& refusal);

public:
    // The images a change reaches, in rising order: those chosen in the strip
    // and the image shown while "Apply to chosen frames" is on, else the image shown.
    std::vector<int> targetImages() const;
    // Shows a note that needs no answer, without blocking the window.
    void showNotice(const QString& text);
    // A frame from a live input shown on the board in place of the image, a
    // level a cell; none: the image again. The animation stays as it is.
    void showLiveFrame(const std::optional<MatrixOutput::LevelFrame>& levels);

private:
    std::unique_ptr<AnimationTimer> timer_;
    std::unique_ptr<Editor> editor_;
    std::array<QGroupBox*, 4> groups_{};
    std::array<QToolButton*, ButtonCount> buttons_{};
    std::array<QAction*, ButtonCount> keys_{};
    QMenu* sharingMenu_ = nullptr;
    QTimer* rateTimer_ = nullptr;
    SidePanel* sidePanel_ = nullptr;
    FrameStrip* strip_ = nullptr;
    class AnimationControls* animationControls_ = nullptr;
    QToolButton* handle_ = nullptr;
    QAction* cancelStroke_ = nullptr;
    SelectionTool* selection_ = nullptr;
    QList<QAction*> selectionKeys_; // enabled while LEDs are selected
    std::optional<ToolStroke> stroke_;
    Qt::MouseButton strokeButton_ = Qt::LeftButton;
    std::pair<int, std::uint64_t> strokeOn_; // the image and change it began on
    QList<QAction*> sharingActions_;
    // What the onion skin shows: changes, store, image, editing, previous, next.
    using OnionKey = std::tuple<std::uint64_t, std::uint64_t, int, bool, bool, bool>;
    std::optional<OnionKey> onionShown_;
    using ShadesKey = std::tuple<std::uint64_t, std::uint64_t, int, bool>;
    std::optional<ShadesKey> shadesShown_;
    QString outputName_;
    std::optional<bool> outputOnShown_;
    MatrixOutput* output_ = nullptr;        // the program's, to dim; the editor's own does not
    std::optional<QString> brightnessPort_; // where a change of brightness is kept
    Panel drawn_;
    bool rendered_ = false;
};
