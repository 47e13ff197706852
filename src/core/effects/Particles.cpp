// Effects of points of light that come and go: a starfield, twinkling and
// bouncing balls.
#include "effects/BuiltIn.h"

#include <vector>

namespace Effects {

namespace {

// Stars flying out of the middle, faster and brighter as they come nearer.
class Starfield : public Effect {
public:
    explicit Starfield(const Setup& setup)
        : values_(setup.values), random_(setup.seed), width_(setup.width), height_(setup.height) {}

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 200)); n > 0; --n)
            step();
    }

    void render(Canvas& canvas) override {
        canvas.fade(values_.on(Slot::Switch1) ? 140 : 0);
        for (const Star& star : stars_) {
            const int distance = std::abs(star.x) + std::abs(star.y);
            canvas.lighten(centre(star.x, width_), centre(star.y, height_),
                           64 + distance * 191 / (128 * (width_ + height_) / 2 + 1));
        }
    }

private:
    struct Star {
        int x, y;   // 1/128 pixels from the middle
        int dx, dy; // 1/128 pixels a step
    };

    static int centre(int offset, int side) { return (offset + side * 64) >> 7; }

    void step() {
        for (Star& star : stars_) {
            star.x += star.dx;
            star.y += star.dy;
            star.dx += star.dx / 8;
            star.dy += star.dy / 8;
        }
        std::erase_if(stars_, [this](const Star& star) {
            return std::abs(star.x) > width_ * 64 || std::abs(star.y) > height_ * 64;
        });
        const int most = 4 + values_[Slot::Intensity] / 8;
        if (int(stars_.size()) < most && random_.chance(160))
            stars_.push_back({0, 0, random_.between(-48, 48) | 1, random_.between(-48, 48) | 1});
    }

    Values values_;
    Random random_;
    Ticker ticker_;
    int width_, height_;
    std::vector<Star> stars_;
};

// Pixels that light up at random and fade in and out again.
class Twinkle : public Effect {
public:
    explicit Twinkle(const Setup& setup)
        : values_(setup.values), random_(setup.seed),
          glow_(std::size_t(setup.width * setup.height), 0) {}

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 160)); n > 0; --n)
            step();
    }

    void render(Canvas& canvas) override {
        for (std::size_t i = 0; i < glow_.size(); ++i)
            canvas.pixels()[i] = Canvas::clampByte(std::abs(glow_[i]));
    }

private:
    // A pixel's glow rises while positive and falls while negative.
    void step() {
        const int rate = 8 + values_[Slot::Custom1] / 4;
        for (int& glow : glow_) {
            if (glow > 0)
                glow = glow + rate >= 255 ? -255 : glow + rate;
            else if (glow < 0)
                glow = std::min(0, glow + rate);
            else if (random_.below(1024) < values_[Slot::Intensity] / 4)
                glow = 1;
        }
    }

    Values values_;
    Random random_;
    Ticker ticker_;
    std::vector<int> glow_;
};

// Balls dropped from the top that bounce on the bottom, losing a little of
// their speed each time, and are thrown up again once they lie still.
class Balls : public Effect {
public:
    explicit Balls(const Setup& setup)
        : values_(setup.values), random_(setup.seed), width_(setup.width), height_(setup.height) {
        for (int i = 0; i < values_[Slot::Custom1]; ++i)
            balls_.push_back({(i * 2 + 1) * width_ / (2 * values_[Slot::Custom1]),
                              random_.between(height_ * 128, (height_ - 1) * 256), 0});
    }

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 120)); n > 0; --n)
            for (Ball& ball : balls_)
                move(ball);
    }

    void render(Canvas& canvas) override {
        canvas.fade(values_.on(Slot::Switch1) ? 120 : 0);
        for (const Ball& ball : balls_)
            canvas.set(ball.x, height_ - 1 - (ball.height >> 8), 255);
    }

private:
    struct Ball {
        int x;
        int height; // 1/256 pixels above the bottom
        int rise;   // 1/256 pixels a step
    };

    void move(Ball& ball) {
        ball.rise -= 12; // gravity
        ball.height += ball.rise;
        if (ball.height > 0)
            return;
        ball.height = 0;
        ball.rise = -ball.rise * (128 + values_[Slot::Intensity] / 2) / 256;
        if (ball.rise < 24)
            ball.rise = kick(height_);
    }

    // The speed that throws a ball up to about the top.
    int kick(int height) { return 290 * height / 16 + random_.below(8); }

    Values values_;
    Random random_;
    Ticker ticker_;
    int width_, height_;
    std::vector<Ball> balls_;
};

} // namespace

const EffectInfo& starfieldEffect() {
    static const EffectInfo info{
        "starfield",
        "Flying through stars that stream out of the middle",
        40,
        {{Slot::Speed, "speed", 0, 255, 160, "How fast the stars come"},
         {Slot::Intensity, "stars", 0, 255, 96, "How many stars there are"},
         {Slot::Switch1, "streaks", 0, 1, 0, "Stars leave streaks"}},
        make<Starfield>};
    return info;
}

const EffectInfo& twinkleEffect() {
    static const EffectInfo info{
        "twinkle",
        "Pixels that light up at random and fade away",
        40,
        {{Slot::Speed, "speed", 0, 255, 160, "How often the pixels change"},
         {Slot::Intensity, "density", 0, 255, 96, "How many pixels twinkle"},
         {Slot::Custom1, "fade", 0, 255, 96, "How fast a pixel fades in and out"}},
        make<Twinkle>};
    return info;
}

const EffectInfo& ballsEffect() {
    static const EffectInfo info{
        "balls",
        "Balls bouncing on the bottom under gravity",
        40,
        {{Slot::Speed, "speed", 0, 255, 200, "How fast time runs for the balls"},
         {Slot::Intensity, "bounce", 0, 255, 200, "How much speed a bounce keeps"},
         {Slot::Custom1, "balls", 1, 8, 3, "How many balls there are"},
         {Slot::Switch1, "trails", 0, 1, 0, "Balls leave trails"}},
        make<Balls>};
    return info;
}

} // namespace Effects
