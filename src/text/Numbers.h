#pragma once

#include <QStringView>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace korvane {

// The number of a text: the leading decimal number after leading blanks
// ("12abc" -> 12, "-.5" -> -0.5, "" -> 0). No hexadecimal, no exponent,
// never fails.
double numberOfText(QStringView text);

// True when the whole text, blanks trimmed, is one plain decimal number.
bool isNumericText(QStringView text);

// Conversion to an integer width: nearest, an exact half to the even
// neighbour; nullopt when the result does not fit (or is not finite).
template <typename T>
std::optional<T> toIntegerWidth(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // default mode: ties to even
    if (r < static_cast<double>(std::numeric_limits<T>::min())
        || r > static_cast<double>(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(r);
}

inline std::optional<std::uint8_t> toByte(double v) { return toIntegerWidth<std::uint8_t>(v); }
inline std::optional<std::int16_t> toInt16(double v) { return toIntegerWidth<std::int16_t>(v); }
inline std::optional<std::int32_t> toInt32(double v) { return toIntegerWidth<std::int32_t>(v); }

// The text's number converted to a width; nullopt on overflow.
template <typename T>
std::optional<T> textToWidth(QStringView text)
{
    return toIntegerWidth<T>(numberOfText(text));
}

// "Int" / "integer part" in the station's texts: rounding down (-0.4 -> -1).
inline double floorPart(double v) { return std::floor(v); }

// Rounding to `decimals` places on the value's 15-digit decimal form, an
// exact half away from zero (the status report's one- and seven-decimal
// figures).
double roundHalfAwayFromZero(double value, int decimals);

// One decimal, an exact half to the even digit (12.25 -> 12.2, 12.75 ->
// 12.8): the rounding of every bearing the station sends, and the cloud's
// speed in knots.
double roundTenthHalfEven(double value);

} // namespace korvane
