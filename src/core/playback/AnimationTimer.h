#pragma once

#include <functional>
#include <memory>

// The animation tick. Setting the interval of a running timer restarts it, as a
// QTimer does: the editor relies on that to keep the rhythm of ticks.
class AnimationTimer {
public:
    virtual ~AnimationTimer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
    virtual void setInterval(int ms) = 0;
    // Called on every tick.
    virtual void setHandler(std::function<void()> onTick) = 0;
};

// A precise QTimer, 1000 ms and off at first.
std::unique_ptr<AnimationTimer> makeQtAnimationTimer();
