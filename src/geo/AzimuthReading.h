#pragma once

#include <QString>

namespace korvane {

// What Point2Azimuth hands back: the bearing and the two intermediate
// great-circle terms, already written as the texts of their display labels.
struct AzimuthReading {
    double azimuth = 0.0; // degrees, one decimal
    QString xText;        // x term, plain decimal text
    QString yText;        // y term, plain decimal text
};

} // namespace korvane
