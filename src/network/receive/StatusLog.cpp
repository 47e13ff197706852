#include "network/receive/StatusLog.h"

#include <algorithm>
#include <cmath>

namespace {

// A rate has changed markedly when it moved by more than a third, and by more
// than one a second.
bool marked(double before, double now) {
    return std::abs(now - before) > std::max(1.0, std::max(before, now) / 3);
}

} // namespace

std::optional<QString> StatusLog::next(Time now, const QString& line, const ReceiverStatus& status,
                                       bool listening) {
    if (line == toldLine_)
        return std::nullopt;
    const bool meaningful = !told_ || listening != toldListening_ ||
                            status.sources != told_->sources ||
                            status.problemKinds != told_->problemKinds;
    if (!meaningful && (now - toldAt_ < QuietInterval || !changedMarkedly(status)))
        return std::nullopt;
    told_ = status;
    toldListening_ = listening;
    toldLine_ = line;
    toldAt_ = now;
    return line;
}

bool StatusLog::changedMarkedly(const ReceiverStatus& status) const {
    return marked(told_->framesPerSecond, status.framesPerSecond) ||
           marked(told_->packetsPerSecond, status.packetsPerSecond);
}
