#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace korvane {

// Ship-to-ship tracking state shared by the serial and the web receivers.
struct AisState {
    bool shipToShip = false;            // CHK_SHIP_AIS
    bool aisDrive = false;              // SHIP_AIS_DRIVE
    QString targetMmsi;                 // USE_SHIP_MMSI
    std::int32_t headingCorrection = 0; // USE_SHIP_AIS_FIXHDG
    std::int32_t aisHeading = 0;        // USE_SHIP_AIS_ANG
    std::array<QString, 3> detectedPorts;
    QString selectedPort;               // USE_SHIP_AIS_COM
    std::int32_t lastReportTime = 0;    // Unix seconds
    bool firstQuerySent = false;
};

} // namespace korvane
