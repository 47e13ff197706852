#include "effects/BuiltIn.h"

#include <vector>

namespace Effects {

namespace {

// Conway's Game of Life on a torus, from the frame before (a cell at half
// level or more alive) or at random, sown again at random once it stalls:
// the same as one or two generations before for `stall` generations.
class Life : public Effect {
public:
    explicit Life(const Setup& setup)
        : width_(setup.width), height_(setup.height), values_(setup.values), random_(setup.seed),
          cells_(std::size_t(width_ * height_), 0), glow_(setup.width, setup.height) {
        if (values_.on(Slot::Switch1) && setup.startLevels.size() == cells_.size())
            for (std::size_t i = 0; i < cells_.size(); ++i)
                cells_[i] = setup.startLevels[i] >= 8;
        else
            sow();
        paint();
    }

    void beforeRender(int deltaMs) override {
        for (int n = ticker_.steps(deltaMs, periodOf(values_[Slot::Speed], 1000)); n > 0; --n) {
            generation();
            paint();
        }
    }

    void render(Canvas& canvas) override { canvas.pixels() = glow_.pixels(); }

private:
    void sow() {
        for (auto& cell : cells_)
            cell = random_.chance(values_[Slot::Intensity]);
    }

    int alive(int x, int y) const {
        x = (x + width_) % width_;
        y = (y + height_) % height_;
        return cells_[std::size_t(y * width_ + x)];
    }

    int neighbours(int x, int y) const {
        int count = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                count += (dx != 0 || dy != 0) ? alive(x + dx, y + dy) : 0;
        return count;
    }

    void generation() {
        std::vector<std::uint8_t> next(cells_.size());
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const int n = neighbours(x, y);
                next[std::size_t(y * width_ + x)] = n == 3 || (n == 2 && alive(x, y));
            }
        const bool stalled = next == cells_ || next == before_;
        before_ = std::move(cells_);
        cells_ = std::move(next);
        still_ = stalled ? still_ + 1 : 0;
        if (still_ > values_[Slot::Custom1]) {
            sow();
            still_ = 0;
        }
    }

    void paint() {
        glow_.fade(values_[Slot::Custom2]);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (alive(x, y))
                    glow_.set(x, y, 255);
    }

    int width_, height_;
    Values values_;
    Random random_;
    Ticker ticker_;
    std::vector<std::uint8_t> cells_;
    std::vector<std::uint8_t> before_;
    int still_ = 0;
    Canvas glow_;
};

} // namespace

const EffectInfo& lifeEffect() {
    static const EffectInfo info{
        "life",
        "Conway's Game of Life with wrapping edges, sown again when it stalls",
        40,
        {{Slot::Speed, "speed", 0, 255, 200, "How fast the generations follow each other"},
         {Slot::Intensity, "density", 1, 255, 80, "How many cells a random sowing makes alive"},
         {Slot::Custom1, "stall", 1, 255, 12,
          "Generations that repeat themselves before the board is sown again"},
         {Slot::Custom2, "afterglow", 0, 255, 0, "How long a cell glows after it dies"},
         {Slot::Switch1, "from-frame", 0, 1, 0,
          "Start from the current frame instead of at random"}},
        make<Life>};
    return info;
}

} // namespace Effects
