#include "playback/Playback.h"

#include "playback/AnimationTimer.h"

#include <algorithm>

void Playback::play() {
    playing_ = true;
    if (!timer_.isActive())
        timer_.start();
}

void Playback::stop() {
    playing_ = false;
    timer_.stop();
}

void Playback::setIntervalMs(int ms) {
    intervalMs_ =
        static_cast<std::int16_t>(std::clamp(ms, SpeedLadder::FastestMs, SpeedLadder::SlowestMs));
}

bool Playback::applyInterval() {
    if (timer_.interval() == intervalMs_)
        return false;
    timer_.setInterval(intervalMs_);
    return true;
}

void Playback::onTick(std::function<void()> handler) {
    timer_.setHandler(std::move(handler));
}
