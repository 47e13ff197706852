#include "effects/BuiltIn.h"

#include <vector>

namespace Effects {

namespace {

// Heat a cell, columns from the bottom up: sparks near the bottom, the heat
// drifting up and cooling as it rises.
class Fire : public Effect {
public:
    explicit Fire(const Setup& setup)
        : width_(setup.width), height_(setup.height), values_(setup.values), random_(setup.seed),
          heat_(std::size_t(width_ * height_), 0) {
        for (int n = 0; n < WarmUpSteps; ++n)
            for (int x = 0; x < width_; ++x)
                burn(x);
    }

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 200)); n > 0; --n)
            for (int x = 0; x < width_; ++x)
                burn(x);
    }

    void render(Canvas& canvas) override {
        for (int x = 0; x < width_; ++x)
            for (int k = 0; k < height_; ++k)
                canvas.set(x, height_ - 1 - k, heat(x, k));
    }

private:
    // The first frame already burns: a fire lit this many steps before.
    static constexpr int WarmUpSteps = 24;

    int& heat(int x, int k) { return heat_[std::size_t(x * height_ + k)]; }

    void burn(int x) {
        const int cooling = values_[Slot::Intensity] * 10 / height_ + 2;
        for (int k = 0; k < height_; ++k)
            heat(x, k) = std::max(0, heat(x, k) - random_.below(cooling + 1));
        for (int k = height_ - 1; k >= 2; --k)
            heat(x, k) = (heat(x, k - 1) + 2 * heat(x, k - 2)) / 3;
        if (random_.chance(values_[Slot::Custom1])) {
            const int k = random_.below(std::min(3, height_));
            heat(x, k) = std::min(255, heat(x, k) + random_.between(160, 255));
        }
        if (values_.on(Slot::Switch1))
            heat(x, 0) = std::max(heat(x, 0), 96);
    }

    int width_, height_;
    Values values_;
    Random random_;
    Ticker ticker_;
    std::vector<int> heat_;
};

} // namespace

const EffectInfo& fireEffect() {
    static const EffectInfo info{
        "fire",
        "Heat that rises from sparks at the bottom and cools as it climbs",
        40,
        {{Slot::Speed, "speed", 0, 255, 200, "How fast the flames move"},
         {Slot::Intensity, "cooling", 0, 255, 90, "How fast the heat fades as it rises"},
         {Slot::Custom1, "sparking", 0, 255, 130, "How often a column gets a new spark"},
         {Slot::Switch1, "embers", 0, 1, 0, "Keep the bottom row glowing"}},
        make<Fire>};
    return info;
}

} // namespace Effects
