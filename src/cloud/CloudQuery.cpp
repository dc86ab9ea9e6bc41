#include "cloud/CloudQuery.h"

#include "cloud/UrlEncode.h"
#include "text/Formats.h"
#include "text/Numbers.h"

namespace korvane {

namespace {

constexpr double kKmPerNauticalMile = 1.852;
constexpr double kThroughputCeiling = 1000.0;
constexpr double kThroughputStandIn = 350.0;

const QString kCrLf = QStringLiteral("\r\n");

QString number(double value)
{
    return shortestDecimal(value);
}

// -120 is "no signal" and goes as 0; anything weaker is left out.
QString signPart(std::int16_t dbm)
{
    if (dbm == -120)
        return QStringLiteral("&sign=0");
    if (dbm > -120)
        return QStringLiteral("&sign=") + number(dbm);
    return {};
}

QString headingFigure(const CloudFigures &f)
{
    return f.heading != 0 ? number(f.heading) : number(f.aisHeading);
}

QString identity(const CloudFigures &f)
{
    // A MAC is hexadecimal and passes unchanged; escaping it keeps anything
    // else a radio might return from breaking the request line.
    return QStringLiteral("mac=") + UrlEncode(f.mac) + QStringLiteral("&name=") + UrlEncode(f.name)
           + QStringLiteral("&lat=") + number(f.latitude) + QStringLiteral("&lng=") + number(f.longitude);
}

QString fullQuery(const CloudFigures &f)
{
    const double knots = roundTenthHalfEven(f.speed / kKmPerNauticalMile);
    return identity(f) + signPart(f.signalDbm) + QStringLiteral("&delta=") + number(f.chainDeltaDb)
           + QStringLiteral("&noise=") + number(f.noiseDbm) + QStringLiteral("&dcap=") + number(f.capacityDownMbps)
           + QStringLiteral("&ucap=") + number(f.capacityUpMbps) + QStringLiteral("&dspd=") + formatFixed(f.rxMbps, 2)
           + QStringLiteral("&uspd=") + formatFixed(f.txMbps, 2) + QStringLiteral("&knot=") + number(knots)
           + QStringLiteral("&km=") + number(f.distanceKm) + QStringLiteral("&ang=") + headingFigure(f)
           + QStringLiteral("&com=") + number(f.lastCompass) + QStringLiteral("&note=") + UrlEncode(f.note);
}

QString lostQuery(const CloudFigures &f)
{
    return identity(f)
           + QStringLiteral("&sign=&delta=&noise=&dcap=&ucap=&dspd=&uspd=&knot=&km=&ang=&com=&note=WIRELESS%20LOST");
}

QString trimmedWith(const QString &caption, const QString &lineBreak)
{
    QString text = caption.trimmed();
    text.replace(QStringLiteral("\r\n"), lineBreak);
    text.replace(QLatin1Char('\n'), lineBreak);
    text.replace(QLatin1Char('\r'), lineBreak);
    return text;
}

} // namespace

QString cloudDeviceName(const QString &caption)
{
    return trimmedWith(caption, QString());
}

QString cloudAlarmNote(const QString &caption)
{
    return trimmedWith(caption, QStringLiteral(" "));
}

QString cloudCpeName()
{
    return QStringLiteral("5G动中通");
}

double clampedThroughput(double mbps)
{
    if (mbps >= kThroughputCeiling)
        return kThroughputStandIn;
    if (mbps < 0)
        return 0.0;
    return mbps;
}

QString buildCloudQuery(CloudForm form, const CloudFigures &figures)
{
    return form == CloudForm::RadioLost ? lostQuery(figures) : fullQuery(figures);
}

QString cloudRequestText(const QString &query, const QString &hostHeader)
{
    return QStringLiteral("GET /ship/?") + query + QStringLiteral(" HTTP/1.1") + kCrLf + QStringLiteral("Host: ")
           + hostHeader + kCrLf + QStringLiteral("Connection: close") + kCrLf
           + QStringLiteral("User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                            "Gecko) Chrome/91.0.4472.124 Safari/537.36")
           + kCrLf + QStringLiteral("Accept: */*") + kCrLf + kCrLf;
}

} // namespace korvane
