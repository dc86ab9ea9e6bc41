#include "text/Numbers.h"

#include <QByteArray>

#include "text/Decimal15.h"

#include <charconv>

namespace korvane {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the plain decimal number at the start of `s` (sign, digits,
// one point); 0 when there is none.
qsizetype leadingNumberLength(QStringView s)
{
    qsizetype i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        ++i;
    qsizetype digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    return digits > 0 ? i : 0;
}

} // namespace

double numberOfText(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const QStringView rest = text.mid(start);
    const qsizetype n = leadingNumberLength(rest);
    if (n == 0)
        return 0.0;
    QByteArray latin = rest.left(n).toLatin1();
    if (latin.startsWith('+'))
        latin.remove(0, 1);
    double v = 0.0; // from_chars: no locale, no hexadecimal, no exponent here
    std::from_chars(latin.constData(), latin.constData() + latin.size(), v);
    return v == 0.0 ? 0.0 : v; // no negative zero in texts
}

bool isNumericText(QStringView text)
{
    const QStringView t = text.trimmed();
    return !t.isEmpty() && leadingNumberLength(t) == t.size();
}

double roundHalfAwayFromZero(double value, int decimals)
{
    return Decimal15::of(value).rounded(decimals).toDouble();
}

double roundTenthHalfEven(double value)
{
    // nearbyint in the default mode rounds a tie to even; adding 0 turns a
    // negative zero into zero.
    return std::nearbyint(value * 10.0) / 10.0 + 0.0;
}

} // namespace korvane
