#pragma once

#include "playback/SpeedLadder.h"

#include <cstdint>
#include <functional>

class AnimationTimer;

// Whether the animation plays, its step time, and the timer that steps it.
//
// What it keeps: the timer runs exactly while the animation plays (play() and
// stop() are the only switches), and the step time lies within the speed
// ladder's range. The timer takes the step time only when applyInterval() says
// so, at a tick, because setting a running timer restarts it.
class Playback {
public:
    explicit Playback(AnimationTimer& timer) : timer_(timer) {}

    bool playing() const { return playing_; }
    // Playing, with the timer on; a timer that runs already keeps its rhythm.
    void play();
    // Stopped, with the timer off.
    void stop();

    std::int16_t intervalMs() const { return intervalMs_; }
    void setIntervalMs(int ms);
    // Gives the timer the step time when it has another one; true when it did.
    bool applyInterval();

    // What a tick runs.
    void onTick(std::function<void()> handler);

private:
    AnimationTimer& timer_;
    bool playing_ = false;
    std::int16_t intervalMs_ = SpeedLadder::StartMs;
};
