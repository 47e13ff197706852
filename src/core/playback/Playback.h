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
    // Stopped because an animation played once through has shown its last
    // frame; said by playedToEnd() until it plays again.
    void stopAtEnd();
    bool playedToEnd() const { return playedToEnd_; }
    // Playing back and forth: on the way back to the first frame.
    bool backwards() const { return backwards_; }
    void setBackwards(bool backwards) { backwards_ = backwards; }

    std::int16_t intervalMs() const { return intervalMs_; }
    void setIntervalMs(int ms);
    // Gives the timer the step time when it has another one; true when it did.
    bool applyInterval();
    // Gives the timer `ms` (a frame's own hold time, or the step time) when it
    // has another one; true when it did.
    bool applyInterval(int ms);
    // Whether the timer was last given a frame's own time, not the step time.
    bool onFrameTime() const { return onFrameTime_; }

    // What a tick runs.
    void onTick(std::function<void()> handler);

private:
    AnimationTimer& timer_;
    bool playing_ = false;
    bool playedToEnd_ = false;
    bool backwards_ = false;
    bool onFrameTime_ = false;
    std::int16_t intervalMs_ = SpeedLadder::StartMs;
};
