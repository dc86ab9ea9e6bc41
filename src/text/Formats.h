#pragma once

#include <QDateTime>
#include <QString>

namespace korvane {

// The shortest plain decimal text: at most 15 significant digits, no
// exponent, trailing zeros and a trailing point dropped (0.1+0.2 -> "0.3").
QString shortestDecimal(double value);

// Fixed formats "0.0", "0.00", "#0.0", "0.000000", "0.0000000": exactly
// `decimals` places, an exact decimal half rounded away from zero.
QString formatFixed(double value, int decimals);

// The "###.#######" form: up to seven decimals without trailing zeros, no
// leading zero before the point, and the point kept for a whole number
// (30 -> "30.", 0.5 -> ".5").
QString formatSparse7(double value);

// Date and time texts.
QString dateText(const QDate &date);            // yyyy-MM-dd
QString timeText(const QDateTime &when);        // hh:mm:ss, 24 hours
QString dateTimeText(const QDateTime &when);    // yyyy-MM-dd hh:mm:ss

} // namespace korvane
