#include "player/SkipReport.h"

void SkipReport::skipped(const QString& entry) {
    const Clock::Duration now = clock_.now();
    sinceLastLine_.insert(entry);
    if (!reported_.contains(entry)) {
        reported_.insert(entry);
        say_(QStringLiteral("%1: cannot be played, skipped").arg(entry));
    } else if (now - lastLine_ >= Quiet) {
        const qsizetype count = sinceLastLine_.size();
        say_(count == 1
                 ? QStringLiteral("1 entry of the playlist is still skipped")
                 : QStringLiteral("%1 entries of the playlist are still skipped").arg(count));
    } else {
        return;
    }
    lastLine_ = now;
    sinceLastLine_.clear();
}
