#pragma once

#include "effects/Effect.h"

#include <memory>
#include <vector>

// What the built-in effects share, and each one's entry in the catalogue.
namespace Effects {

template <class T> std::unique_ptr<Effect> make(const Setup& setup) {
    return std::make_unique<T>(setup);
}

// Steps a simulation at a fixed period: how many steps the time since the last
// frame is worth, at most `most` so that a long pause does not stall a frame.
class Ticker {
public:
    int steps(int deltaMs, int periodMs, int most = 8) {
        elapsed_ += deltaMs;
        int count = 0;
        while (elapsed_ >= periodMs && count < most) {
            elapsed_ -= periodMs;
            ++count;
        }
        if (count == most)
            elapsed_ = 0;
        return count;
    }

private:
    int elapsed_ = 0;
};

// Speed 0..255 as the period of a simulation's step: 40 ms at full speed,
// `slowestMs` at 0.
inline int periodOf(int speed, int slowestMs) {
    return slowestMs - (slowestMs - 40) * speed / 255;
}

// A phase that moves at `speed`: a whole turn (256) every `turnMs` at full
// speed, kept in 1/256 steps.
class Phase {
public:
    void advance(int speed, int deltaMs, int turnMs) {
        value_ += static_cast<long long>(speed) * deltaMs * 65536 / (255LL * turnMs);
    }
    int angle() const { return static_cast<int>(value_ >> 8); }
    long long fine() const { return value_; }

private:
    long long value_ = 0;
};

const EffectInfo& fireEffect();
const EffectInfo& plasmaEffect();
const EffectInfo& noiseEffect();
const EffectInfo& juliaEffect();
const EffectInfo& matrixEffect();
const EffectInfo& rainEffect();
const EffectInfo& lifeEffect();
const EffectInfo& ripplesEffect();
const EffectInfo& metaballsEffect();
const EffectInfo& lissajousEffect();
const EffectInfo& sineDotsEffect();
const EffectInfo& dnaEffect();
const EffectInfo& spiralEffect();
const EffectInfo& starfieldEffect();
const EffectInfo& twinkleEffect();
const EffectInfo& ballsEffect();
const EffectInfo& equalizerEffect();
const EffectInfo& wipeEffect();
const EffectInfo& revealEffect();
const EffectInfo& dissolveEffect();
const EffectInfo& scrollEffect();
const EffectInfo& bounceEffect();
const EffectInfo& digitalClockEffect();
const EffectInfo& binaryClockEffect();
const EffectInfo& analogClockEffect();
const EffectInfo& countdownEffect();

inline std::vector<const EffectInfo*> builtInEffects() {
    return {&fireEffect(),        &plasmaEffect(),    &noiseEffect(),        &juliaEffect(),
            &matrixEffect(),      &rainEffect(),      &lifeEffect(),         &ripplesEffect(),
            &metaballsEffect(),   &lissajousEffect(), &sineDotsEffect(),     &dnaEffect(),
            &spiralEffect(),      &starfieldEffect(), &twinkleEffect(),      &ballsEffect(),
            &equalizerEffect(),   &wipeEffect(),      &revealEffect(),       &dissolveEffect(),
            &scrollEffect(),      &bounceEffect(),    &digitalClockEffect(), &binaryClockEffect(),
            &analogClockEffect(), &countdownEffect()};
}

} // namespace Effects
