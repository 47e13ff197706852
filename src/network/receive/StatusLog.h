#pragma once

#include "network/receive/NetworkReceiver.h"

#include <chrono>
#include <optional>

// Which of a receiver's status lines go to a log read later (standard error,
// the journal). A line at once when something its reader cares about changes:
// a source comes or goes, a kind of problem is met for the first time, the
// receiver stops listening. Otherwise one for a marked change of the rates,
// at most every QuietInterval. A rate that wobbles, or a problem met again,
// gives no line of its own; the next line says it.
class StatusLog {
public:
    using Time = std::chrono::steady_clock::duration;
    static constexpr std::chrono::seconds QuietInterval{5};

    // The line to log now, if any.
    std::optional<QString> next(Time now, const QString& line, const ReceiverStatus& status,
                                bool listening);

private:
    bool changedMarkedly(const ReceiverStatus& status) const;

    std::optional<ReceiverStatus> told_;
    bool toldListening_ = false;
    QString toldLine_;
    Time toldAt_{};
};
