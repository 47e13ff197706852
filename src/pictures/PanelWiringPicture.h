#pragma once

#include "port/PanelMapping.h"

#include <QImage>

// A network panel's wiring drawn over its test picture on the board: the strip's
// path from LED to LED, its first LED ringed in green and an arrowhead on every
// line saying which way the strip runs. `scale` as for BoardRendering (1 ... 16).
// A null image for a bad scale.
QImage renderPanelWiring(const PanelMapping& mapping, int scale);
