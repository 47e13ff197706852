// Effects drawn from sine curves: a Lissajous figure, sine dots, a DNA helix
// and a spiral.
#include "effects/BuiltIn.h"
#include "effects/Maths.h"

namespace Effects {

namespace {

// A point of a curve, x and y each -256..256, put on the canvas.
void plot(Canvas& canvas, int x, int y, int value) {
    const int px = (x + 256) * (canvas.width() - 1) / 512;
    const int py = (y + 256) * (canvas.height() - 1) / 512;
    canvas.lighten(px, py, value);
}

class Lissajous : public Effect {
public:
    explicit Lissajous(const Setup& setup)
        : values_(setup.values), shift_(static_cast<int>(Random::mix(setup.seed) & 255)) {}

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 8000); }

    void render(Canvas& canvas) override {
        canvas.fade(values_[Slot::Intensity]);
        const int a = values_[Slot::Custom1], b = values_[Slot::Custom2];
        const int t = phase_.angle() + shift_;
        for (int k = 0; k < 256; k += 4)
            plot(canvas, Maths::sine(a * k + t), Maths::sine(b * k), 255);
    }

private:
    Values values_;
    int shift_;
    Phase phase_;
};

// Dots swinging on sine waves of their own rates, leaving trails.
class SineDots : public Effect {
public:
    explicit SineDots(const Setup& setup)
        : values_(setup.values), shift_(static_cast<int>(Random::mix(setup.seed) & 255)) {}

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 4000); }

    void render(Canvas& canvas) override {
        canvas.fade(values_[Slot::Intensity]);
        const int t = phase_.angle();
        for (int i = 0; i < values_[Slot::Custom1]; ++i)
            plot(canvas, Maths::sine(t * (i + 2) / 2 + shift_ + i * 97),
                 Maths::cosine(t * (i + 3) / 3 + shift_ * 3 + i * 59), 255);
    }

private:
    Values values_;
    int shift_;
    Phase phase_;
};

// Two strands winding round each other down the picture, joined by rungs; the
// strand in front brighter.
class Dna : public Effect {
public:
    explicit Dna(const Setup& setup) : values_(setup.values) {}

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 3000); }

    void render(Canvas& canvas) override {
        canvas.fill(0);
        const int twist = 4 + values_[Slot::Intensity] / 8;
        for (int y = 0; y < canvas.height(); ++y) {
            const int angle = y * twist + phase_.angle();
            const int a = Maths::sine(angle), b = -a;
            const int depth = Maths::cosine(angle);
            if (values_.on(Slot::Switch1) && y % 2 == 0)
                rung(canvas, y, a, b);
            strand(canvas, y, a, depth > 0 ? 255 : 120);
            strand(canvas, y, b, depth > 0 ? 120 : 255);
        }
    }

private:
    static int column(const Canvas& canvas, int x) {
        return (x + 256) * (canvas.width() - 1) / 512;
    }

    static void strand(Canvas& canvas, int y, int x, int value) {
        canvas.lighten(column(canvas, x), y, value);
    }

    static void rung(Canvas& canvas, int y, int a, int b) {
        const int from = std::min(column(canvas, a), column(canvas, b));
        const int to = std::max(column(canvas, a), column(canvas, b));
        for (int x = from; x <= to; ++x)
            canvas.lighten(x, y, 48);
    }

    Values values_;
    Phase phase_;
};

class Spiral : public Effect {
public:
    explicit Spiral(const Setup& setup) : values_(setup.values) {}

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 2000); }

    void render(Canvas& canvas) override {
        const int arms = values_[Slot::Custom1];
        const int twist = values_[Slot::Intensity] / 4;
        const int turn = values_.on(Slot::Switch1) ? -phase_.angle() : phase_.angle();
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const int dx = 2 * x + 1 - canvas.width(), dy = 2 * y + 1 - canvas.height();
                const int distance = Maths::squareRoot((dx * dx + dy * dy) * 64); // 1/16 pixels
                const int angle = Maths::angleOf(dx, dy) * arms + distance * twist / 16 + turn;
                canvas.set(x, y, std::max(0, Maths::sine(angle)));
            }
    }

private:
    Values values_;
    Phase phase_;
};

} // namespace

const EffectInfo& lissajousEffect() {
    static const EffectInfo info{
        "lissajous",
        "A Lissajous figure turning slowly, drawn with a fading trail",
        40,
        {{Slot::Speed, "speed", 0, 255, 96, "How fast the figure turns"},
         {Slot::Intensity, "trail", 0, 255, 128, "How long the trail stays"},
         {Slot::Custom1, "x-rate", 1, 8, 3, "Turns of the curve across"},
         {Slot::Custom2, "y-rate", 1, 8, 2, "Turns of the curve down"}},
        make<Lissajous>};
    return info;
}

const EffectInfo& sineDotsEffect() {
    static const EffectInfo info{
        "sinedots",
        "Dots swinging on sine waves of their own rates",
        40,
        {{Slot::Speed, "speed", 0, 255, 128, "How fast the dots swing"},
         {Slot::Intensity, "trail", 0, 255, 200, "How long the trails stay"},
         {Slot::Custom1, "dots", 1, 8, 4, "How many dots there are"}},
        make<SineDots>};
    return info;
}

const EffectInfo& dnaEffect() {
    static const EffectInfo info{
        "dna",
        "A double helix turning, its strands joined by rungs",
        40,
        {{Slot::Speed, "speed", 0, 255, 128, "How fast the helix turns"},
         {Slot::Intensity, "twist", 0, 255, 64, "How tightly the strands wind"},
         {Slot::Switch1, "rungs", 0, 1, 1, "Join the strands with rungs"}},
        make<Dna>};
    return info;
}

const EffectInfo& spiralEffect() {
    static const EffectInfo info{
        "spiral",
        "Spiral arms turning round the middle",
        40,
        {{Slot::Speed, "speed", 0, 255, 128, "How fast the spiral turns"},
         {Slot::Intensity, "twist", 0, 255, 96, "How tightly the arms wind"},
         {Slot::Custom1, "arms", 1, 6, 2, "How many arms there are"},
         {Slot::Switch1, "reverse", 0, 1, 0, "Turn the other way"}},
        make<Spiral>};
    return info;
}

} // namespace Effects
