#include "playback/AnimationTimer.h"

#include <QTimer>

namespace {

class QtAnimationTimer final : public AnimationTimer {
public:
    QtAnimationTimer() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1000);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            if (onTick_)
                onTick_();
        });
    }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }
    void setInterval(int ms) override { timer_.setInterval(ms); }
    void setHandler(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

private:
    QTimer timer_;
    std::function<void()> onTick_;
};

} // namespace

std::unique_ptr<AnimationTimer> makeQtAnimationTimer() {
    return std::make_unique<QtAnimationTimer>();
}
