#pragma once

#include <QString>

namespace korvane {

// A finite double as its 15-significant-digit decimal form:
// value = sign * 0.<digits> * 10^pointPos, trailing zeros removed.
// Zero has empty digits. Shared by every number-to-text rule.
struct Decimal15 {
    bool negative = false;
    QString digits;
    int pointPos = 0;

    static Decimal15 of(double value);

    // Rounds to `decimals` places, an exact half away from zero.
    Decimal15 rounded(int decimals) const;

    // Digits before the point ("0" when none) and after it (none for a
    // whole number).
    QString integerDigits() const;
    QString fractionDigits() const;

    bool isZero() const { return digits.isEmpty(); }
    double toDouble() const;
};

} // namespace korvane
