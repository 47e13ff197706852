#include "effects/BuiltIn.h"

#include <vector>

namespace Effects {

namespace {

// Bars that jump to random heights and sink back, with peak dots that fall
// more slowly, as a music equalizer's.
class Equalizer : public Effect {
public:
    explicit Equalizer(const Setup& setup)
        : values_(setup.values), random_(setup.seed), height_(setup.height),
          bars_(std::size_t(setup.width), 0), peaks_(std::size_t(setup.width), 0) {}

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 240)); n > 0; --n)
            step();
    }

    void render(Canvas& canvas) override {
        canvas.fill(0);
        for (int x = 0; x < canvas.width(); ++x) {
            const int top = bars_[std::size_t(x)] >> 8;
            for (int k = 0; k < top; ++k)
                canvas.set(x, height_ - 1 - k, 96 + 159 * k / height_);
            if (values_.on(Slot::Switch1))
                canvas.set(x, height_ - 1 - (peaks_[std::size_t(x)] >> 8), 255);
        }
    }

private:
    void step() {
        const int full = height_ * 256;
        for (std::size_t x = 0; x < bars_.size(); ++x) {
            int& bar = bars_[x];
            if (random_.chance(values_[Slot::Custom1]))
                bar = std::max(bar, random_.below(full * values_[Slot::Intensity] / 255 + 1));
            else
                bar = std::max(0, bar - full / 10);
            peaks_[x] = std::max({peaks_[x] - full / 40, bar, 0});
            peaks_[x] = std::min(peaks_[x], full - 256);
        }
    }

    Values values_;
    Random random_;
    Ticker ticker_;
    int height_;
    std::vector<int> bars_;
    std::vector<int> peaks_;
};

} // namespace

const EffectInfo& equalizerEffect() {
    static const EffectInfo info{
        "equalizer",
        "Bars of a music equalizer jumping and sinking, with falling peaks",
        40,
        {{Slot::Speed, "speed", 0, 255, 200, "How fast the bars move"},
         {Slot::Intensity, "level", 0, 255, 220, "How high the bars reach"},
         {Slot::Custom1, "beat", 0, 255, 90, "How often a bar jumps"},
         {Slot::Switch1, "peaks", 0, 1, 1, "Show a falling dot at each bar's peak"}},
        make<Equalizer>};
    return info;
}

} // namespace Effects
