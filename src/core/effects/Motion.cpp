// The current frame on the move: scrolled round the picture's edges, or
// bounced to and fro. Without a current frame they move a sample picture.
#include "effects/BuiltIn.h"
#include "effects/Frames.h"
#include "effects/Maths.h"

namespace Effects {

namespace {

// A lit square in the top-left quarter on dim diagonal lines.
std::vector<std::uint8_t> samplePicture(int width, int height) {
    std::vector<std::uint8_t> levels(std::size_t(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            levels[std::size_t(y * width + x)] = x < width / 2 && y < height / 2 ? 15
                                                 : (x + y) % 4 == 0              ? 4
                                                                                 : 0;
    return levels;
}

Frame pictureOf(const Setup& setup) {
    const bool given = setup.startLevels.size() == std::size_t(setup.width * setup.height);
    return Frame(given ? setup.startLevels : samplePicture(setup.width, setup.height), setup.width,
                 setup.height, 0);
}

int wrapped(int value, int side) {
    return ((value % side) + side) % side;
}

// Scrolls the frame in a direction, what leaves one edge coming back at the
// other; at full speed a pixel every 40 ms.
class Scroll : public Effect {
public:
    explicit Scroll(const Setup& setup)
        : picture_(pictureOf(setup)), speed_(setup.values[Slot::Speed]),
          direction_(directionOf(setup.values, Slot::Custom1)) {}

    void beforeRender(int deltaMs) override { travelled_ += speed_ * deltaMs * 256LL / (255 * 40); }

    void render(Canvas& canvas) override {
        const int step = int(travelled_ >> 8);
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                canvas.set(x, y,
                           picture_.brightness(wrapped(x - direction_.dx * step, canvas.width()),
                                               wrapped(y - direction_.dy * step, canvas.height())));
    }

private:
    Frame picture_;
    int speed_;
    Direction direction_;
    long long travelled_ = 0; // in 1/256 pixels
};

// Moves the frame out by `distance` pixels and back again, easing at the
// turns; what moves off the picture is not drawn.
class Bounce : public Effect {
public:
    explicit Bounce(const Setup& setup)
        : picture_(pictureOf(setup)), values_(setup.values),
          direction_(directionOf(setup.values, Slot::Custom2)) {}

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 1000); }

    void render(Canvas& canvas) override {
        const int out = values_[Slot::Custom1] * (256 - Maths::cosine(phase_.angle())) / 512;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                canvas.set(x, y,
                           picture_.brightness(x - direction_.dx * out, y - direction_.dy * out));
    }

private:
    Frame picture_;
    Values values_;
    Direction direction_;
    Phase phase_;
};

} // namespace

const EffectInfo& scrollEffect() {
    static const EffectInfo info{
        "scroll",
        "The current frame scrolls round, what leaves one edge coming in at the other",
        40,
        {{Slot::Speed, "speed", 0, 255, 128, "How fast it scrolls: a pixel a frame at 255"},
         {Slot::Custom1, "direction", 0, 7, 2, DirectionTip}},
        make<Scroll>};
    return info;
}

const EffectInfo& bounceEffect() {
    static const EffectInfo info{
        "bounce",
        "The current frame moves out and back again, to and fro",
        40,
        {{Slot::Speed, "speed", 0, 255, 128, "How fast it moves: a return trip a second at 255"},
         {Slot::Custom1, "distance", 1, 64, 4, "How many pixels it moves out"},
         {Slot::Custom2, "direction", 0, 7, 3, DirectionTip}},
        make<Bounce>};
    return info;
}

} // namespace Effects
