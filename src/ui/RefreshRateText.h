#pragma once

#include "port/MatrixOutput.h"

#include <QString>

// "Refresh: 1024 passes/s, lowest 987"; a dash while the refresh is off or its
// first second has not gone by.
inline QString refreshRateText(const MatrixOutput::Rate& rate) {
    if (rate.current <= 0)
        return QStringLiteral("Refresh: – passes/s");
    return QStringLiteral("Refresh: %1 passes/s, lowest %2")
        .arg(qRound(rate.current))
        .arg(qRound(rate.lowest));
}
