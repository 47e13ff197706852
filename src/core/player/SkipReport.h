#pragma once

#include "port/Clock.h"

#include <QSet>
#include <QString>
#include <chrono>
#include <functional>

// What the player says about the playlist entries it skips: each entry once, the
// first time, and after that at most once a minute that entries are still being
// skipped, so that a show left running for months does not fill its log.
class SkipReport {
public:
    static constexpr std::chrono::minutes Quiet{1};

    SkipReport(Clock& clock, std::function<void(const QString&)> say)
        : clock_(clock), say_(std::move(say)) {}

    void skipped(const QString& entry);

private:
    Clock& clock_;
    std::function<void(const QString&)> say_;
    QSet<QString> reported_;
    QSet<QString> sinceLastLine_;
    Clock::Duration lastLine_{};
};
