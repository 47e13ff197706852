#pragma once

#include <QString>
#include <functional>

class AnimationTimer;
class Clock;
class CommonDialog;
class InstanceCheck;
class MatrixOutput;
class PortIo;

// A message box the editor asks for.
struct Message {
    enum class Kind { Critical, Warning };
    Kind kind = Kind::Critical;
    QString title;
    QString text;
};

// Everything the editor reaches outside itself. The window passes the matrix
// output, the Qt file dialog, the steady clock, the lock-file check and a QTimer;
// tests pass recording and scripted stand-ins.
struct EditorServices {
    PortIo& port;
    CommonDialog& dialog;
    Clock& clock;
    InstanceCheck& instanceCheck;
    AnimationTimer& timer;
    // Processes pending events (the window redraws the panel there). Pause and
    // the refresh loop call it while they run.
    std::function<void()> yield;
    // Sleeps until an event arrives and processes it; used by the refresh loop
    // when the output multiplexes the board itself.
    std::function<void()> waitForEvents;
    std::function<void(const Message&)> tell;
    // Ends the program once the editor has shut down.
    std::function<void()> endProgram;
    // What keeps the matrix lit while "LPT on" runs; the start-up sequence still
    // goes to `port` directly. Without one the editor refreshes `port` on its
    // own thread, one pass per turn of its loop.
    MatrixOutput* output = nullptr;
};
