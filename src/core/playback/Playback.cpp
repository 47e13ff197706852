#include "playback/Playback.h"

#include "playback/AnimationTimer.h"

#include <algorithm>

void Playback::play() {
    playing_ = true;
    playedToEnd_ = false;
    if (!timer_.isActive())
        timer_.start();
}

void Playback::stop() {
    playing_ = false;
    timer_.stop();
}

void Playback::stopAtEnd() {
    stop();
    playedToEnd_ = true;
}

void Playback::setIntervalMs(int ms) {
    intervalMs_ =
        static_cast<std::int16_t>(std::clamp(ms, SpeedLadder::FastestMs, SpeedLadder::SlowestMs));
}

bool Playback::applyInterval() {
    return applyInterval(intervalMs_);
}

bool Playback::applyInterval(int ms) {
    onFrameTime_ = ms != intervalMs_;
    if (timer_.interval() == ms)
        return false;
    timer_.setInterval(ms);
    return true;
}

void Playback::onTick(std::function<void()> handler) {
    timer_.setHandler(std::move(handler));
}
