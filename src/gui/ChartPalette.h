#pragma once

#include <QColor>

namespace korvane::chart {

// The colours the window's charts share, so the survey's chart and the
// history's strips read as one family.
inline const QColor kBackground(250, 251, 253);
inline const QColor kFrame(170, 178, 190);
inline const QColor kGrid(226, 230, 236);
inline const QColor kCaption(95, 105, 120);

} // namespace korvane::chart
