#pragma once

#include "editor/EditorState.h"
#include "editing/FrameTransforms.h"

#include <QWidget>
#include <functional>
#include <memory>

class BoardView;
class Clock;
class CommonDialog;
class IconStore;
class InstanceCheck;
class MouseSurface;
class PortIo;
class QGroupBox;
class QLabel;
class QTimer;
class QToolButton;

// Everything the window reaches outside itself. The running program passes the
// parallel port, the Qt file dialog, the steady clock and the lock-file check;
// tests pass recording and scripted stand-ins.
struct Form1Services {
    PortIo& port;
    CommonDialog& dialog;
    Clock& clock;
    InstanceCheck& instanceCheck;
    // Ends the program once the window has closed; by default leaves the event loop.
    std::function<void()> endProgram;
};

// The editor's one window: the board, the four button groups, the two labels and
// the animation timer, with every handler and procedure working on `State`.
class Form1 final : public QWidget {
    Q_OBJECT
public:
    explicit Form1(Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // True once the program has ended: after a refused second start or after the
    // window was closed. No handler runs and no port write goes out from then on.
    bool hasEnded() const { return ended_; }

    EditorState State;

    // Controls, named as on the form.
    QGroupBox* Frame1 = nullptr; // "Matrix "
    QGroupBox* Frame2 = nullptr; // "Animation"
    QGroupBox* Frame3 = nullptr; // "Speed"
    QGroupBox* Frame4 = nullptr; // "Image"
    QToolButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr, *Command8 = nullptr,
                *Command9 = nullptr, *Command10 = nullptr, *Command11 = nullptr,
                *Command12 = nullptr, *Command13 = nullptr, *Command14 = nullptr,
                *Command15 = nullptr, *Command16 = nullptr, *Command17 = nullptr,
                *Command18 = nullptr, *Command19 = nullptr, *Command20 = nullptr,
                *Command21 = nullptr, *Command22 = nullptr, *Command23 = nullptr,
                *Command24 = nullptr, *Command25 = nullptr, *Command26 = nullptr,
                *Command27 = nullptr, *Command28 = nullptr, *Command33 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    BoardView* Image1 = nullptr; // background with the 256 cell pictures over it
    MouseSurface* Image3 = nullptr;
    IconStore *Image4 = nullptr, *Image5 = nullptr, *Image6 = nullptr, *Image7 = nullptr,
              *Image8 = nullptr, *Image9 = nullptr, *Image10 = nullptr, *Image11 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    CommonDialog& CommonDialog1;

    // Cell pictures of the board.
    bool isCellShown(int cell) const;
    void setCellShown(int cell, bool shown);

    // Start-up and shut-down.
    void Form_Load();
    void Form_Unload();

    // Speed.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    // Whole-frame transforms.
    void Command5_Click();
    void Command7_Click();
    void Command10_Click();
    void Command12_Click();
    void Command13_Click();
    void Command15_Click();
    // Shifts.
    void Command6_Click();
    void Command9_Click();
    void Command11_Click();
    void Command14_Click();
    // Copy and paste.
    void Command8_Click();
    void Command16_Click();
    // Files.
    void Command17_Click();
    void Command18_Click();
    void Command20_Click();
    void Command28_Click();
    // Matrix output.
    void Command19_Click();
    // Frames.
    void Command21_Click();
    void Command22_Click();
    void Command23_Click();
    void Command24_Click();
    void Command25_Click();
    void Command26_Click();
    // Playback.
    void Command27_Click();
    void Command33_Click();
    void Timer2_Timer();
    // Board mouse.
    void Image3_MouseMove(int button, int shift, float x, float y);
    void Image3_MouseUp(int button, int shift, float x, float y);

    // Procedures shared by the handlers.
    void Zapmat();
    void Chitmat();
    void Nulreg();
    void Pause(float seconds);
    void Dknop();
    void Aknop();
    bool Pattern(); // false when the next animation could not be loaded

    // How long the refresh loop holds each row; the benchmark sets it to zero.
    void setRowPauseSeconds(float seconds) { rowPauseSeconds_ = seconds; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class GatedPort;

    PortIo& port();
    void createControls();
    void connectHandlers();
    QToolButton* makeButton(QWidget* group, const char* tooltip, int left, int top, int width,
                            int height, const QIcon& icon);
    void setLabel2();
    void showCommand(QToolButton* button, bool shown);
    void setCaption(const QString& caption);
    // Runs a handler unless the program has ended.
    void run(void (Form1::*handler)());

    // Helpers of the editing, file and playback handlers.
    using FrameFn = FrameTransforms::Frame (*)(const FrameTransforms::Frame&);
    FrameTransforms::Frame currentFrame() const;
    void storeCurrentFrame(const FrameTransforms::Frame& frame);
    void showOnBoard(const FrameTransforms::Frame& frame);
    void transformFrame(FrameFn transform);
    void hideAllCells();
    void stopAfterFailedPattern();

    Form1Services services_;
    std::unique_ptr<GatedPort> port_;
    float rowPauseSeconds_;
    bool ended_ = false;
};
