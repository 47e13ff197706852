#pragma once

#include <QString>
#include <functional>

class AnimationTimer;
class Clock;
class InstanceCheck;
class MatrixOutput;
class PortIo;
class SignalPipe;

// Plays an animation or a slideshow on the matrix with no window: the editor's
// start-up, then its Start (or its Slideshow with the file chosen) and its
// "LPT on" loop, until a signal or the end of a show that has nothing left to
// play. An animation that plays once through stays on its last frame, or ends
// the player when asked to.
class Player {
public:
    struct Services {
        PortIo& port;
        Clock& clock;
        InstanceCheck& instanceCheck;
        AnimationTimer& timer;
        // Made before anything else, so that a signal that comes early still
        // darkens the matrix and ends the player as any other does.
        SignalPipe& stopSignals;
        std::function<void(const QString&)> error; // one line for standard error
        MatrixOutput* output = nullptr;            // as EditorServices::output
    };

    explicit Player(Services services) : services_(std::move(services)) {}

    struct Options {
        // End with status 0 once an animation played once through has shown
        // its last frame, rather than stay on it.
        bool exitAtEnd = false;
        // The interval was asked for: it wins over the file's own speed.
        bool intervalGiven = false;
    };

    // The exit status: 0 after a signal (or at the end, with exitAtEnd), 1 when
    // the player could not start or a slideshow ran out of readable entries.
    // The animation steps at `intervalMs`, unless that is the start speed and
    // its file has a speed of its own; frames with a hold time stay that long.
    int run(const QString& file, int intervalMs, Options options);
    int run(const QString& file, int intervalMs) { return run(file, intervalMs, {}); }

private:
    // The animation's clock held until the output can show the first frame at once.
    void waitForTheOutput(const bool& stopped);

    Services services_;
};
