#pragma once

#include <QString>

namespace korvane {

// The arithmetic of a ship-to-ship drive, shared by the serial and the web
// receivers so both put the same bytes on the wire.

// The target's bearing relative to the ship's heading, plus the mounting
// correction: heading − bearing + correction, folded back once when above
// 360 and then once when below −360 (no more, so it may stay outside ±360).
double relativeAngle(double heading, double bearing, double correction);

// The relative-turn command for the board: "r" and −rel with two decimals
// (an exact half away from zero), so the value is bearing − heading −
// correction.
QString driveCommand(double rel);

// A position whose latitude or longitude has an integer part (rounded
// down) of 0 counts as missing: 0.4 is missing, −0.4 is not.
bool positionsUsable(double ownLatitude, double ownLongitude, double targetLatitude,
                     double targetLongitude);

// A reported position that can be aimed at: both values in range, and not
// AIS's "not available" (longitude 181, latitude 91) nor the empty 0/0.
bool positionAvailable(double latitude, double longitude);

// The target command of ship-to-ship mode, without its line end:
// "p1 j<lon> w<lat> d15 mmsi<MMSI> *<n>", the numbers as shortest plain
// decimal texts and n the length of the text up to the MMSI plus 4 (the
// length of the whole command while n has two digits).
QString targetCommand(double longitude, double latitude, double mmsi);

} // namespace korvane
