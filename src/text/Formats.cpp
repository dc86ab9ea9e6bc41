#include "text/Formats.h"

#include "text/Decimal15.h"

namespace korvane {

namespace {

QString signOf(const Decimal15 &d)
{
    return (d.negative && !d.isZero()) ? QStringLiteral("-") : QString();
}

} // namespace

QString shortestDecimal(double value)
{
    const Decimal15 d = Decimal15::of(value);
    if (d.isZero())
        return QStringLiteral("0");
    const QString fraction = d.fractionDigits();
    QString text = signOf(d) + d.integerDigits();
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    return text;
}

QString formatFixed(double value, int decimals)
{
    const Decimal15 d = Decimal15::of(value).rounded(decimals);
    QString text = signOf(d) + d.integerDigits();
    if (decimals > 0) {
        QString fraction = d.fractionDigits();
        fraction += QString(decimals - fraction.size(), QLatin1Char('0'));
        text += QLatin1Char('.') + fraction;
    }
    return text;
}

QString formatSparse7(double value)
{
    const Decimal15 d = Decimal15::of(value).rounded(7);
    QString integer = d.integerDigits();
    if (integer == QLatin1String("0"))
        integer.clear();
    return signOf(d) + integer + QLatin1Char('.') + d.fractionDigits();
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString timeText(const QDateTime &when)
{
    return when.toString(QStringLiteral("HH:mm:ss"));
}

QString dateTimeText(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace korvane
