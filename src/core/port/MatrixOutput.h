#pragma once

#include "port/PortIo.h"
#include "port/PortSequences.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

// The matrix as the editor and the player see it: a frame to show, the refresh
// ("LPT on") switched on and off, and a dark board on request. How the board is
// kept lit, multiplexed row by row or by the output itself, is the output's
// business.
class MatrixOutput {
public:
    using Frame = PortIo::PackedFrame;
    // A grey level per LED, row by row from the top, 0 (dark) to MaxLevel (full light).
    static constexpr int MaxLevel = 15;
    using LevelFrame = std::array<std::uint8_t, 256>;
    // Passes per second: over the last second, and the lowest second since the
    // refresh was switched on. Zero when unknown.
    struct Rate {
        double current = 0;
        double lowest = 0;
    };

    virtual ~MatrixOutput() = default;

    // The frame to show from the next row on.
    virtual void show(const Frame& frame) = 0;
    // The frame in grey levels. An output that shows only on and off lights the
    // LEDs at half level or above.
    virtual void showLevels(const LevelFrame& levels) { show(halfLevelFrame(levels)); }
    static Frame halfLevelFrame(const LevelFrame& levels) {
        Frame frame{};
        for (std::size_t led = 0; led < levels.size(); ++led)
            if (levels[led] * 2 >= MaxLevel + 1)
                frame[led / 8] = static_cast<std::uint8_t>(frame[led / 8] | 1u << (led % 8));
        return frame;
    }
    // Nulreg: the registers cleared. While the refresh runs it goes out between
    // two passes, never inside one.
    virtual void darken() = 0;
    // One turn of the "LPT on" loop while the mode is `on`: an output that
    // refreshes on a thread of its own keeps doing so and waits for the window's
    // events meanwhile; one that runs on the caller's thread sends a pass here.
    virtual void refresh(bool on, const std::function<void()>& waitForEvents) = 0;
    // "LPT off": the pass under way finishes, then a Nulreg.
    virtual void stop() = 0;
    // The end of the program: what was asked for goes out, nothing after it.
    virtual void close() = 0;
    virtual Rate rate() const { return {}; }
    // How bright the board is lit, in percent of full light; an output that
    // cannot dim ignores it.
    static constexpr int MinBrightness = 5;
    static constexpr int MaxBrightness = 100;
    virtual void setBrightness(int /*percent*/) {}
    // How many bit planes of grey levels a board multiplexed by the program
    // shows (2^planes levels); an output that shows its own ignores it.
    virtual void setGreyPlanes(int /*planes*/) {}
};

// For an output that keeps the board lit from the last frame it was given (the
// USB bridge, the network panels). A Nulreg while the refresh runs does not
// darken the board for a moment: it only makes the next frame go out even when
// unchanged, so a handler's Nulreg and its next frame are one frame on the wire.
// Levels go out as levels to a port that takes them, else as the on/off frame.
class WholeFrameOutput final : public MatrixOutput {
public:
    explicit WholeFrameOutput(PortIo& port) : port_(port) {}

    void show(const Frame& frame) override {
        content_ = frame;
        if (on_ && !closed_)
            send();
    }
    void showLevels(const LevelFrame& levels) override {
        if (!port_.takesLevels()) {
            show(halfLevelFrame(levels));
            return;
        }
        content_ = levels;
        if (on_ && !closed_)
            send();
    }
    void darken() override {
        if (closed_)
            return;
        if (on_) {
            resend_ = true;
            return;
        }
        PortSequences::nulreg(port_);
        port_.blank();
        sent_.reset();
    }
    void refresh(bool on, const std::function<void()>& waitForEvents) override {
        if (closed_)
            return;
        on_ = true;
        send();
        if (on)
            waitForEvents();
    }
    void stop() override {
        on_ = false;
        resend_ = false;
        darken();
    }
    void close() override {
        stop();
        closed_ = true;
    }
    void setBrightness(int percent) override { port_.setBrightness(percent); }

private:
    using Content = std::variant<Frame, LevelFrame>;

    void send() {
        if (!resend_ && sent_ == content_)
            return;
        if (const auto* frame = std::get_if<Frame>(&content_))
            port_.showFrame(*frame);
        else
            port_.showLevels(std::get<LevelFrame>(content_));
        sent_ = content_;
        resend_ = false;
    }

    PortIo& port_;
    Content content_ = Frame{};
    std::optional<Content> sent_;
    bool on_ = false;
    bool resend_ = false;
    bool closed_ = false;
};
