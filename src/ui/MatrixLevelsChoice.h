#pragma once

#include <QString>

class MatrixOutput;
class SidePanel;

// The side panel's choice of how many grey levels the board shows: kept as
// the setting and taken by `output` at once.
void connectMatrixLevels(SidePanel& panel, MatrixOutput* output);
// Shows `levels` (8 or 16), on offer for a board the program multiplexes; an
// output that shows its own 16 levels (the USB bridge, a network panel) says
// so in `why`.
void offerMatrixLevels(SidePanel& panel, int levels, bool multiplexed, const QString& why = {});
