// Transitions from the frame shown now to the next: wipe, reveal and
// dissolve. A transition of N frames starts on the current frame and its
// last frame is the next one exactly; played on without an end it takes
// LiveFrames frames and then holds. Without a current frame it starts dark,
// and without a next one it ends dark, or lit when it started dark too.
#include "effects/BuiltIn.h"
#include "effects/Frames.h"

#include <vector>

namespace Effects {

namespace {

constexpr int LiveFrames = 50;

// The frame count and which frame is drawn, as the share of the way done.
class Progress {
public:
    explicit Progress(const Setup& setup)
        : last_((setup.frames > 0 ? setup.frames : LiveFrames) - 1) {}

    void advance() { frame_ = std::min(frame_ + 1, last_); }
    // The share done in 1/65536: 0 on the first frame, 65536 on the last.
    int share() const { return last_ <= 0 ? 65536 : int(frame_ * 65536LL / last_); }

private:
    int last_;
    int frame_ = -1;
};

Frame startOf(const Setup& setup) {
    return Frame(setup.startLevels, setup.width, setup.height, 0);
}

Frame endOf(const Setup& setup) {
    const bool fromDark = setup.startLevels.size() != std::size_t(setup.width * setup.height);
    return Frame(setup.endLevels, setup.width, setup.height, fromDark ? 15 : 0);
}

class Transition : public Effect {
public:
    explicit Transition(const Setup& setup)
        : start_(startOf(setup)), end_(endOf(setup)), progress_(setup),
          direction_(directionOf(setup.values, Slot::Custom1)) {}

    void beforeRender(int) override { progress_.advance(); }

    void render(Canvas& canvas) override {
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                canvas.set(x, y, pixel(x, y, canvas.width(), canvas.height()));
    }

protected:
    virtual int pixel(int x, int y, int width, int height) const = 0;

    Frame start_, end_;
    Progress progress_;
    Direction direction_;
};

// The next frame spreads over the current one behind a straight edge.
class Wipe : public Transition {
public:
    using Transition::Transition;

protected:
    int pixel(int x, int y, int width, int height) const override {
        const int span =
            std::abs(direction_.dx) * (width - 1) + std::abs(direction_.dy) * (height - 1);
        const int along = (direction_.dx < 0 ? width - 1 - x : x) * std::abs(direction_.dx) +
                          (direction_.dy < 0 ? height - 1 - y : y) * std::abs(direction_.dy);
        const bool passed = along < int((span + 1LL) * progress_.share() / 65536);
        return passed ? end_.brightness(x, y) : start_.brightness(x, y);
    }
};

// The next frame slides in from the side it comes from, over the current one.
class Reveal : public Transition {
public:
    using Transition::Transition;

protected:
    int pixel(int x, int y, int width, int height) const override {
        const int rest = 65536 - progress_.share();
        const int fromX = x + int(direction_.dx * (long long)width * rest / 65536);
        const int fromY = y + int(direction_.dy * (long long)height * rest / 65536);
        return end_.inside(fromX, fromY) ? end_.brightness(fromX, fromY) : start_.brightness(x, y);
    }
};

// Every LED changes to the next frame at its own moment, drawn from the seed.
class Dissolve : public Transition {
public:
    explicit Dissolve(const Setup& setup) : Transition(setup) {
        Random random(setup.seed);
        moments_.resize(std::size_t(setup.width * setup.height));
        for (int& moment : moments_)
            moment = random.below(65536);
    }

protected:
    int pixel(int x, int y, int width, int) const override {
        const bool changed = moments_[std::size_t(y * width + x)] < progress_.share();
        return changed ? end_.brightness(x, y) : start_.brightness(x, y);
    }

private:
    std::vector<int> moments_;
};

} // namespace

const EffectInfo& wipeEffect() {
    static const EffectInfo info{
        "wipe",
        "The next frame spreads over the current one behind a straight edge",
        40,
        {{Slot::Custom1, "direction", 0, 7, 3, DirectionTip}},
        make<Wipe>};
    return info;
}

const EffectInfo& revealEffect() {
    static const EffectInfo info{"reveal",
                                 "The next frame slides in over the current one",
                                 40,
                                 {{Slot::Custom1, "direction", 0, 7, 3, DirectionTip}},
                                 make<Reveal>};
    return info;
}

const EffectInfo& dissolveEffect() {
    static const EffectInfo info{"dissolve",
                                 "Each LED changes from the current frame to the next at its own "
                                 "moment, drawn from the seed",
                                 40,
                                 {},
                                 make<Dissolve>};
    return info;
}

} // namespace Effects
