// Effects of round shapes that grow and move: ripples and metaballs.
#include "effects/BuiltIn.h"
#include "effects/Maths.h"

#include <vector>

namespace Effects {

namespace {

// Rings spreading from random points, each fading as it grows.
class Ripples : public Effect {
public:
    explicit Ripples(const Setup& setup)
        : values_(setup.values), random_(setup.seed), width_(setup.width), height_(setup.height) {}

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 160)); n > 0; --n)
            step();
    }

    void render(Canvas& canvas) override {
        canvas.fill(0);
        for (const Ring& ring : rings_)
            draw(canvas, ring);
    }

private:
    struct Ring {
        int x, y;   // 1/16 pixels
        int radius; // 1/16 pixels
    };

    void step() {
        const int reach = 16 * (width_ + height_);
        for (Ring& ring : rings_)
            ring.radius += 6;
        std::erase_if(rings_, [reach](const Ring& ring) { return ring.radius > reach; });
        if (rings_.size() < 6 && random_.chance(values_[Slot::Intensity] / 3))
            rings_.push_back({random_.below(width_ * 16), random_.below(height_ * 16), 0});
    }

    // Only the pixels of the ring's square are near enough to it.
    void draw(Canvas& canvas, const Ring& ring) const {
        const int reach = 16 * (width_ + height_);
        const int strength = 255 * (reach - ring.radius) / reach;
        const int thickness = 8 + values_[Slot::Custom1] / 8;
        const int outer = ring.radius + thickness;
        const int inner = std::max(0, ring.radius - thickness);
        const int top = std::max(0, (ring.y - outer) / 16),
                  bottom = std::min(height_ - 1, (ring.y + outer) / 16);
        const int left = std::max(0, (ring.x - outer) / 16),
                  right = std::min(width_ - 1, (ring.x + outer) / 16);
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                const int dx = x * 16 + 8 - ring.x, dy = y * 16 + 8 - ring.y;
                const int square = dx * dx + dy * dy;
                if (square >= outer * outer || square < inner * inner)
                    continue;
                const int off = std::abs(Maths::squareRoot(square) - ring.radius);
                canvas.add(x, y, strength * std::max(0, thickness - off) / thickness);
            }
    }

    Values values_;
    Random random_;
    Ticker ticker_;
    int width_, height_;
    std::vector<Ring> rings_;
};

// Balls that move on their own Lissajous paths and melt together where their
// fields add up.
class Metaballs : public Effect {
public:
    explicit Metaballs(const Setup& setup) : values_(setup.values) {
        Random random(setup.seed);
        for (Ball& ball : balls_)
            ball = {random.below(256), random.below(256), random.between(2, 5),
                    random.between(2, 5)};
    }

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 6000); }

    void render(Canvas& canvas) override {
        const int count = values_[Slot::Custom1];
        int bx[5], by[5];
        for (int i = 0; i < count; ++i) {
            const Ball& ball = balls_[std::size_t(i)];
            const int t = phase_.angle();
            bx[i] = (canvas.width() * 8) + Maths::sine(ball.phaseX + t * ball.rateX) *
                                               (canvas.width() * 6) / 256; // 1/16 pixels
            by[i] = (canvas.height() * 8) +
                    Maths::cosine(ball.phaseY + t * ball.rateY) * (canvas.height() * 6) / 256;
        }
        const int size = 2 + values_[Slot::Intensity] / 32; // the radius in pixels
        const int weight = size * size * 256 * 256;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                int field = 0;
                for (int i = 0; i < count; ++i) {
                    const int dx = x * 16 + 8 - bx[i], dy = y * 16 + 8 - by[i];
                    field += weight / (dx * dx + dy * dy + 64);
                }
                field = std::min(field, 1024);
                canvas.set(x, y, field * field / 1024);
            }
    }

private:
    struct Ball {
        int phaseX, phaseY, rateX, rateY;
    };

    Values values_;
    Phase phase_;
    Ball balls_[5];
};

} // namespace

const EffectInfo& ripplesEffect() {
    static const EffectInfo info{
        "ripples",
        "Rings spreading out from random points like drops on water",
        40,
        {{Slot::Speed, "speed", 0, 255, 160, "How fast the rings spread"},
         {Slot::Intensity, "drops", 0, 255, 64, "How often a new ring starts"},
         {Slot::Custom1, "width", 0, 255, 64, "How wide a ring is"}},
        make<Ripples>};
    return info;
}

const EffectInfo& metaballsEffect() {
    static const EffectInfo info{"metaballs",
                                 "Glowing balls that drift and melt into each other",
                                 40,
                                 {{Slot::Speed, "speed", 0, 255, 128, "How fast the balls move"},
                                  {Slot::Intensity, "size", 0, 255, 64, "How big the balls are"},
                                  {Slot::Custom1, "balls", 1, 5, 3, "How many balls there are"}},
                                 make<Metaballs>};
    return info;
}

} // namespace Effects
