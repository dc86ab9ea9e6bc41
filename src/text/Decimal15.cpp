#include "text/Decimal15.h"

#include <QByteArray>

#include <charconv>
#include <cmath>

namespace korvane {

Decimal15 Decimal15::of(double value)
{
    Decimal15 d;
    if (!std::isfinite(value) || value == 0.0)
        return d;
    // Locale-independent: "-d.dddddddddddddde+XX"
    char buf[40] = {};
    std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 14);
    const char *p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    QString digits;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            digits.append(QLatin1Char(*p));
    }
    int exponent = 0;
    if (*p == 'e') {
        const char *e = p + 1;
        if (*e == '+')
            ++e;
        std::from_chars(e, buf + sizeof buf, exponent);
    }
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    d.digits = digits;
    d.pointPos = exponent + 1;
    if (d.digits.isEmpty())
        d.negative = false;
    return d;
}

Decimal15 Decimal15::rounded(int decimals) const
{
    const qsizetype keep = pointPos + decimals; // digits that survive
    if (keep >= digits.size())
        return *this;
    Decimal15 r;
    r.negative = negative;
    if (keep < 0)
        return Decimal15{}; // below half of the last place: zero
    QString kept = QStringLiteral("0") + digits.left(keep);
    int pos = pointPos + 1;
    if (digits.at(keep) >= QLatin1Char('5')) {
        qsizetype i = kept.size() - 1;
        while (kept.at(i) == QLatin1Char('9')) {
            kept[i] = QLatin1Char('0');
            --i;
        }
        kept[i] = QChar(kept.at(i).unicode() + 1);
    }
    while (kept.startsWith(QLatin1Char('0'))) {
        kept.remove(0, 1);
        --pos;
    }
    while (kept.endsWith(QLatin1Char('0')))
        kept.chop(1);
    if (kept.isEmpty())
        return Decimal15{};
    r.digits = kept;
    r.pointPos = pos;
    return r;
}

QString Decimal15::integerDigits() const
{
    if (pointPos <= 0 || digits.isEmpty())
        return QStringLiteral("0");
    if (pointPos >= digits.size())
        return digits + QString(pointPos - digits.size(), QLatin1Char('0'));
    return digits.left(pointPos);
}

QString Decimal15::fractionDigits() const
{
    if (digits.isEmpty() || pointPos >= digits.size())
        return {};
    if (pointPos <= 0)
        return QString(-pointPos, QLatin1Char('0')) + digits;
    return digits.mid(pointPos);
}

double Decimal15::toDouble() const
{
    if (digits.isEmpty())
        return 0.0;
    const QByteArray text = (QStringLiteral("0.") + digits + QStringLiteral("e")
                             + QString::number(pointPos)).toLatin1();
    double v = 0.0;
    std::from_chars(text.constData(), text.constData() + text.size(), v);
    return negative ? -v : v;
}

} // namespace korvane
