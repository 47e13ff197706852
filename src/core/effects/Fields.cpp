// Effects that give every pixel a value of its own from where it is and the
// time: plasma, a noise field and a Julia set.
#include "effects/BuiltIn.h"
#include "effects/Maths.h"

namespace Effects {

namespace {

class Plasma : public Effect {
public:
    explicit Plasma(const Setup& setup)
        : values_(setup.values), offset_(static_cast<int>(Random::mix(setup.seed) & 255)) {}

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 2000); }

    void render(Canvas& canvas) override {
        const int scale = 4 + values_[Slot::Intensity] / 16; // 1/256 turns a pixel
        const int t = phase_.angle() + offset_;
        const int cx = canvas.width() * 128 + Maths::sine(t / 2) * 4;
        const int cy = canvas.height() * 128 + Maths::cosine(t / 3) * 4;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const int dx = (x * 256 - cx) >> 4, dy = (y * 256 - cy) >> 4;
                const int ring = Maths::squareRoot(dx * dx + dy * dy) * scale >> 4;
                const int sum = Maths::sine(x * scale + t) + Maths::sine(y * scale - t * 2) +
                                Maths::sine((x + y) * scale / 2 + t) + Maths::sine(ring - t);
                canvas.set(x, y, Maths::sineByte(sum / 8));
            }
    }

private:
    Values values_;
    int offset_;
    Phase phase_;
};

class Noise : public Effect {
public:
    explicit Noise(const Setup& setup)
        : values_(setup.values), seed_(static_cast<std::uint32_t>(Random::mix(setup.seed))) {}

    void beforeRender(int deltaMs) override { phase_.advance(values_[Slot::Speed], deltaMs, 1000); }

    void render(Canvas& canvas) override {
        const int scale = 16 + values_[Slot::Intensity]; // lattice 1/256 a pixel
        const int drift = values_.on(Slot::Switch1) ? static_cast<int>(phase_.fine() >> 8) : 0;
        const int z = static_cast<int>(phase_.fine() >> 8);
        const int contrast = values_[Slot::Custom1];
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const int value = Maths::noise(x * scale + drift, y * scale, z, seed_);
                canvas.set(x, y, 128 + (value - 128) * (64 + contrast) / 64);
            }
    }

private:
    Values values_;
    std::uint32_t seed_;
    Phase phase_;
};

// The Julia set of z^2 + c, c going round a circle in the time, in fixed point
// with 12 fraction bits.
class Julia : public Effect {
public:
    explicit Julia(const Setup& setup)
        : values_(setup.values), start_(static_cast<int>(Random::mix(setup.seed) & 255)) {}

    void beforeRender(int deltaMs) override {
        phase_.advance(values_[Slot::Speed], deltaMs, 20000);
    }

    void render(Canvas& canvas) override {
        const int angle = phase_.angle() + start_;
        const int cr = Maths::cosine(angle) * 3229 >> 8; // radius 0.7885
        const int ci = Maths::sine(angle) * 3229 >> 8;
        const int span = 3 * 4096 * 64 / (64 + values_[Slot::Intensity]); // the view's width
        const int most = values_[Slot::Custom1];
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const int zr = (2 * x + 1 - canvas.width()) * span / (2 * canvas.width());
                const int zi = (2 * y + 1 - canvas.height()) * span / (2 * canvas.height());
                canvas.set(x, y, escape(zr, zi, cr, ci, most) * 255 / most);
            }
    }

private:
    static int escape(int zr, int zi, int cr, int ci, int most) {
        int n = 0;
        for (; n < most; ++n) {
            const int rr = zr * zr >> 12, ii = zi * zi >> 12;
            if (rr + ii > 4 * 4096)
                break;
            zi = (2 * zr * zi >> 12) + ci;
            zr = rr - ii + cr;
        }
        return n;
    }

    Values values_;
    int start_;
    Phase phase_;
};

} // namespace

const EffectInfo& plasmaEffect() {
    static const EffectInfo info{
        "plasma",
        "Soft waves of light that flow into each other",
        40,
        {{Slot::Speed, "speed", 0, 255, 128, "How fast the waves flow"},
         {Slot::Intensity, "scale", 0, 255, 96, "How close the waves lie"}},
        make<Plasma>};
    return info;
}

const EffectInfo& noiseEffect() {
    static const EffectInfo info{
        "noise",
        "A cloudy field of smooth noise that changes in the time",
        40,
        {{Slot::Speed, "speed", 0, 255, 96, "How fast the field changes"},
         {Slot::Intensity, "scale", 0, 255, 64, "How fine the clouds are"},
         {Slot::Custom1, "contrast", 0, 255, 64, "How sharp light and dark part"},
         {Slot::Switch1, "drift", 0, 1, 1, "Let the field drift sideways"}},
        make<Noise>};
    return info;
}

const EffectInfo& juliaEffect() {
    static const EffectInfo info{
        "julia",
        "A Julia set whose constant goes round a circle",
        40,
        {{Slot::Speed, "speed", 0, 255, 96, "How fast the shape turns"},
         {Slot::Intensity, "zoom", 0, 255, 32, "How far the view is zoomed in"},
         {Slot::Custom1, "iterations", 4, 64, 24, "How many steps decide a point's brightness"}},
        make<Julia>};
    return info;
}

} // namespace Effects
