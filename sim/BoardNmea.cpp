#include "BoardNmea.h"

#include "BoardTexts.h"

#include <cmath>

namespace korvane::sim {

namespace {

constexpr qint64 kMinuteUnits = 100000; // five decimals of a minute

QString utcTime(const QDateTime &utcNow)
{
    // hhmmss.ss: receivers give hundredths of a second.
    return utcNow.toString(QStringLiteral("HHmmss.zzz")).left(9);
}

// ddmm.mmmmm (dddmm.mmmmm for longitude) and the hemisphere letter. Rounded
// in whole units first so the minutes never print as 60.
QString nmeaAngle(double degrees, int degreeDigits, char positive, char negative)
{
    const qint64 units = std::llround(std::fabs(degrees) * 60.0 * kMinuteUnits);
    const qint64 whole = units / (60 * kMinuteUnits);
    const qint64 minuteUnits = units % (60 * kMinuteUnits);
    return QStringLiteral("%1%2.%3,%4")
        .arg(whole, degreeDigits, 10, QLatin1Char('0'))
        .arg(minuteUnits / kMinuteUnits, 2, 10, QLatin1Char('0'))
        .arg(minuteUnits % kMinuteUnits, 5, 10, QLatin1Char('0'))
        .arg(QLatin1Char(degrees < 0 ? negative : positive));
}

} // namespace

std::optional<NmeaKinds> nmeaKindsFrom(const QString &word)
{
    if (word == QLatin1String("rmc"))
        return NmeaKinds::Rmc;
    if (word == QLatin1String("gga"))
        return NmeaKinds::Gga;
    if (word == QLatin1String("both"))
        return NmeaKinds::Both;
    return std::nullopt;
}

QString nmeaKindsName(NmeaKinds kinds)
{
    switch (kinds) {
    case NmeaKinds::Rmc:
        return QStringLiteral("rmc");
    case NmeaKinds::Gga:
        return QStringLiteral("gga");
    default:
        return QStringLiteral("both");
    }
}

QString withChecksum(const QString &body)
{
    unsigned char sum = 0;
    for (const char c : body.toLatin1())
        sum ^= static_cast<unsigned char>(c);
    return u'$' + body + u'*' + QStringLiteral("%1").arg(sum, 2, 16, QLatin1Char('0')).toUpper();
}

QString rmcSentence(const GeoPoint &own, double speedKmh, double course, bool fix, const QDateTime &utcNow)
{
    const QString date = utcNow.toString(QStringLiteral("ddMMyy"));
    if (!fix)
        return withChecksum(QStringLiteral("GNRMC,%1,V,,,,,,,%2,,,N").arg(utcTime(utcNow), date));
    // Fields: time, status, latitude, longitude, knots, course, date,
    // magnetic variation and its side (not known), mode.
    return withChecksum(QStringLiteral("GNRMC,%1,A,%2,%3,%4,%5,%6,,,A")
                            .arg(utcTime(utcNow), nmeaAngle(own.lat, 2, 'N', 'S'),
                                 nmeaAngle(own.lon, 3, 'E', 'W'), BoardTexts::fixed(speedKmh / 1.852, 1),
                                 BoardTexts::fixed(course, 1), date));
}

QString ggaSentence(const GeoPoint &own, bool fix, const QDateTime &utcNow)
{
    if (!fix)
        return withChecksum(QStringLiteral("GNGGA,%1,,,,,0,00,99.99,,,,,,").arg(utcTime(utcNow)));
    // Fields: time, latitude, longitude, quality 1 (fix), satellites, HDOP,
    // altitude, geoid separation, no differential age or station.
    return withChecksum(QStringLiteral("GNGGA,%1,%2,%3,1,12,0.8,%4,M,0.0,M,,")
                            .arg(utcTime(utcNow), nmeaAngle(own.lat, 2, 'N', 'S'),
                                 nmeaAngle(own.lon, 3, 'E', 'W'), BoardTexts::fixed(own.alt, 1)));
}

QStringList receiverSentences(const BoardAntenna &antenna, bool fix, NmeaKinds kinds, const QDateTime &utcNow)
{
    QStringList sentences;
    if (kinds != NmeaKinds::Gga)
        sentences << rmcSentence(antenna.own(), antenna.speedKmh(), antenna.heading(), fix, utcNow);
    if (kinds != NmeaKinds::Rmc)
        sentences << ggaSentence(antenna.own(), fix, utcNow);
    return sentences;
}

} // namespace korvane::sim
