// Clocks and a countdown. A clock starts at the time of day its `time`
// parameter gives and runs on with the frames' time; at -1 it starts at the
// present time, which is the one thing that makes its frames differ from run
// to run.
#include "effects/BuiltIn.h"
#include "effects/DigitFont.h"
#include "effects/Maths.h"

#include <ctime>
#include <string>

namespace Effects {

namespace {

constexpr int DayMs = 24 * 3600 * 1000;
constexpr int Lit = 255;
constexpr int Dim = 34;

int presentSecond() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

// The time of day a clock shows, in milliseconds since midnight.
class TimeOfDay {
public:
    explicit TimeOfDay(int startSecond)
        : ms_((startSecond < 0 ? presentSecond() : startSecond) * 1000LL) {}

    void advance(int deltaMs) { ms_ = (ms_ + deltaMs) % DayMs; }
    int hour() const { return int(ms_ / 3600000); }
    int minute() const { return int(ms_ / 60000 % 60); }
    int second() const { return int(ms_ / 1000 % 60); }
    int msOfMinute() const { return int(ms_ % 60000); }
    int secondOfDay() const { return int(ms_ / 1000); }

private:
    long long ms_;
};

void drawDigit(Canvas& canvas, int digit, int left, int top) {
    for (int y = 0; y < DigitFont::Height; ++y)
        for (int x = 0; x < DigitFont::Width; ++x)
            if (DigitFont::lit(digit, x, y))
                canvas.set(left + x, top + y, Lit);
}

// Two digits side by side, the first left out when `blankZero` and it is 0.
void drawPair(Canvas& canvas, int value, int left, int top, bool blankZero = false) {
    if (!(blankZero && value < 10))
        drawDigit(canvas, value / 10, left, top);
    drawDigit(canvas, value % 10, left + DigitFont::Width + 1, top);
}

const Parameter& timeParameter() {
    static const Parameter time{Slot::Custom1,
                                "time",
                                -1,
                                86399,
                                -1,
                                "Start time, seconds since midnight or HH:MM[:SS]; -1 for the "
                                "present time"};
    return time;
}

// Hours over minutes, or HH:MM on one line on a low picture, with the
// minute's seconds as a bar along the bottom.
class DigitalClock : public Effect {
public:
    explicit DigitalClock(const Setup& setup)
        : time_(setup.values[Slot::Custom1]), twelve_(setup.values.on(Slot::Switch1)) {}

    void beforeRender(int deltaMs) override { time_.advance(deltaMs); }

    void render(Canvas& canvas) override {
        canvas.fill(0);
        const int hour = twelve_ ? (time_.hour() + 11) % 12 + 1 : time_.hour();
        if (canvas.height() >= 16) {
            const int left = (canvas.width() - 7) / 2, top = (canvas.height() - 16) / 2 + 1;
            drawPair(canvas, hour, left, top, twelve_);
            drawPair(canvas, time_.minute(), left, top + 7);
        } else {
            const int left = (canvas.width() - 15) / 2, top = (canvas.height() - 5) / 2;
            drawPair(canvas, hour, left, top, twelve_);
            canvas.set(left + 7, top + 1, Lit);
            canvas.set(left + 7, top + 3, Lit);
            drawPair(canvas, time_.minute(), left + 8, top);
        }
        drawSecondsBar(canvas);
    }

private:
    void drawSecondsBar(Canvas& canvas) const {
        const long long length = time_.msOfMinute() * 256LL * canvas.width() / 60000;
        const int y = canvas.height() - 1;
        for (int x = 0; x < canvas.width(); ++x)
            canvas.set(x, y, int(std::clamp(length - x * 256LL, 0LL, 256LL) * 120 / 256));
    }

    TimeOfDay time_;
    bool twelve_;
};

// Hours, minutes and seconds as six columns of binary coded decimal digits,
// the lowest bit at the bottom; a bit that is off glows dimly.
class BinaryClock : public Effect {
public:
    explicit BinaryClock(const Setup& setup) : time_(setup.values[Slot::Custom1]) {}

    void beforeRender(int deltaMs) override { time_.advance(deltaMs); }

    void render(Canvas& canvas) override {
        canvas.fill(0);
        const std::array<int, 6> digits{time_.hour() / 10,   time_.hour() % 10,
                                        time_.minute() / 10, time_.minute() % 10,
                                        time_.second() / 10, time_.second() % 10};
        const int left = (canvas.width() - 14) / 2, top = (canvas.height() - 11) / 2;
        for (int column = 0; column < 6; ++column)
            for (int bit = 0; bit < 4; ++bit)
                drawBit(canvas, left + column * 2 + column / 2, top + (3 - bit) * 3,
                        (digits[std::size_t(column)] >> bit) & 1);
    }

private:
    static void drawBit(Canvas& canvas, int x, int y, bool on) {
        for (int k = 0; k < 4; ++k)
            canvas.set(x + k % 2, y + k / 2, on ? Lit : Dim);
    }

    TimeOfDay time_;
};

// A dial of twelve dots with hour, minute and, if wanted, second hands drawn
// from the middle.
class AnalogClock : public Effect {
public:
    explicit AnalogClock(const Setup& setup)
        : time_(setup.values[Slot::Custom1]), seconds_(setup.values.on(Slot::Switch1)) {}

    void beforeRender(int deltaMs) override { time_.advance(deltaMs); }

    void render(Canvas& canvas) override {
        canvas.fill(0);
        const int radius = std::min(canvas.width(), canvas.height()) * 128 - 128;
        for (int hour = 0; hour < 12; ++hour)
            drawHand(canvas, hour * 256 / 12, radius, radius, Dim);
        const int second = time_.secondOfDay() % 43200;
        drawHand(canvas, second * 256 / 43200, 0, radius / 2, Lit);
        drawHand(canvas, second % 3600 * 256 / 3600, 0, radius * 7 / 8, 200);
        if (seconds_)
            drawHand(canvas, time_.msOfMinute() * 256 / 60000, radius / 4, radius, 90);
    }

private:
    // A line at `angle` (1/256 turns clockwise from 12) from `from` to `to`
    // 1/256 pixels out from the middle.
    static void drawHand(Canvas& canvas, int angle, int from, int to, int brightness) {
        const int cx = canvas.width() * 128, cy = canvas.height() * 128;
        for (int along = from; along <= to; along += 64)
            canvas.lighten((cx + Maths::sine(angle) * along / 256) >> 8,
                           (cy - Maths::cosine(angle) * along / 256) >> 8, brightness);
    }

    TimeOfDay time_;
    bool seconds_;
};

// The seconds left, counting down to 0 and staying there.
class Countdown : public Effect {
public:
    explicit Countdown(const Setup& setup) : from_(setup.values[Slot::Custom1]) {}

    void beforeRender(int deltaMs) override { elapsedMs_ += deltaMs; }

    void render(Canvas& canvas) override {
        canvas.fill(0);
        const std::string digits = std::to_string(std::max(0LL, from_ - elapsedMs_ / 1000));
        const int width = int(digits.size()) * (DigitFont::Width + 1) - 1;
        const int left = (canvas.width() - width) / 2, top = (canvas.height() - 5) / 2;
        for (std::size_t i = 0; i < digits.size(); ++i)
            drawDigit(canvas, digits[i] - '0', left + int(i) * (DigitFont::Width + 1), top);
    }

private:
    long long from_;
    long long elapsedMs_ = 0;
};

} // namespace

const EffectInfo& digitalClockEffect() {
    static const EffectInfo info{
        "digitalclock",
        "The time of day in digits, hours over minutes, with the seconds as a bar",
        40,
        {timeParameter(), {Slot::Switch1, "12h", 0, 1, 0, "Show 12 hours rather than 24"}},
        make<DigitalClock>};
    return info;
}

const EffectInfo& binaryClockEffect() {
    static const EffectInfo info{
        "binaryclock",
        "The time of day as six columns of binary digits: hours, minutes, seconds",
        40,
        {timeParameter()},
        make<BinaryClock>};
    return info;
}

const EffectInfo& analogClockEffect() {
    static const EffectInfo info{
        "analogclock",
        "A clock face with hands turning from the middle",
        40,
        {timeParameter(), {Slot::Switch1, "seconds", 0, 1, 1, "Show a second hand"}},
        make<AnalogClock>};
    return info;
}

const EffectInfo& countdownEffect() {
    static const EffectInfo info{
        "countdown",
        "The seconds left in digits, counting down to 0",
        40,
        {{Slot::Custom1, "from", 0, 9999, 60, "How many seconds it counts down from"}},
        make<Countdown>};
    return info;
}

} // namespace Effects
