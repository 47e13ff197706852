// Effects of things falling down the picture: matrix rain, and rain that
// splashes where it lands.
#include "effects/BuiltIn.h"

#include <vector>

namespace Effects {

namespace {

// Bright heads that run down their columns, each leaving a fading trail.
class MatrixRain : public Effect {
public:
    explicit MatrixRain(const Setup& setup)
        : width_(setup.width), height_(setup.height), values_(setup.values), random_(setup.seed),
          trail_(setup.width, setup.height), heads_(std::size_t(width_ * height_), false) {
        for (int n = 0; n < height_; ++n) // the first frame already rains
            step();
    }

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 400)); n > 0; --n)
            step();
    }

    void render(Canvas& canvas) override { canvas.pixels() = trail_.pixels(); }

private:
    void step() {
        trail_.fade(160 + values_[Slot::Custom1] * 95 / 255);
        for (int y = height_ - 1; y >= 0; --y)
            for (int x = 0; x < width_; ++x)
                if (head(x, y)) {
                    head(x, y) = false;
                    if (y + 1 < height_)
                        head(x, y + 1) = true;
                }
        for (int x = 0; x < width_; ++x)
            if (!head(x, 1) && random_.chance(values_[Slot::Intensity] / 4))
                head(x, 0) = true;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (head(x, y))
                    trail_.set(x, y, 255);
    }

    std::vector<bool>::reference head(int x, int y) { return heads_[std::size_t(y * width_ + x)]; }

    int width_, height_;
    Values values_;
    Random random_;
    Ticker ticker_;
    Canvas trail_;
    std::vector<bool> heads_;
};

// Drops at speeds of their own, in 1/256 pixels, that splash on the bottom row.
class Rain : public Effect {
public:
    explicit Rain(const Setup& setup)
        : values_(setup.values), random_(setup.seed), sky_(setup.width, setup.height) {
        for (int n = 0; n < 2 * setup.height; ++n) // the first frame already rains
            step();
    }

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 200)); n > 0; --n)
            step();
    }

    void render(Canvas& canvas) override { canvas.pixels() = sky_.pixels(); }

private:
    struct Drop {
        int x;
        int y; // 1/256 pixels
        int fall;
    };

    void step() {
        sky_.fade(values_.on(Slot::Switch1) ? 200 : 120);
        const int bottom = (sky_.height() - 1) * 256;
        for (Drop& drop : drops_) {
            drop.y += drop.fall;
            if (drop.y >= bottom)
                splash(drop.x);
        }
        std::erase_if(drops_, [bottom](const Drop& drop) { return drop.y >= bottom; });
        if (random_.chance(values_[Slot::Intensity]))
            drops_.push_back({random_.below(sky_.width()), 0, random_.between(96, 256)});
        for (const Drop& drop : drops_) {
            sky_.lighten(drop.x, drop.y >> 8, 255);
            sky_.lighten(drop.x, (drop.y >> 8) - 1, 96);
        }
    }

    void splash(int x) {
        sky_.lighten(x, sky_.height() - 1, 255);
        if (!values_.on(Slot::Switch1))
            return;
        sky_.lighten(x - 1, sky_.height() - 2, 160);
        sky_.lighten(x + 1, sky_.height() - 2, 160);
    }

    Values values_;
    Random random_;
    Ticker ticker_;
    Canvas sky_;
    std::vector<Drop> drops_;
};

} // namespace

const EffectInfo& matrixEffect() {
    static const EffectInfo info{
        "matrix",
        "Code rain: bright heads running down with fading trails",
        40,
        {{Slot::Speed, "speed", 0, 255, 180, "How fast the heads fall"},
         {Slot::Intensity, "spawn", 0, 255, 96, "How often a new head starts at the top"},
         {Slot::Custom1, "trail", 0, 255, 160, "How long the trails stay"}},
        make<MatrixRain>};
    return info;
}

const EffectInfo& rainEffect() {
    static const EffectInfo info{
        "rain",
        "Drops falling at their own speeds, lighting the bottom where they land",
        40,
        {{Slot::Speed, "speed", 0, 255, 200, "How fast the drops fall"},
         {Slot::Intensity, "density", 0, 255, 110, "How many drops there are"},
         {Slot::Switch1, "drips", 0, 1, 1, "Drops splash and leave drips"}},
        make<Rain>};
    return info;
}

} // namespace Effects
