#include "PeerOptions.h"

#include "ShipTrack.h"

#include <QCommandLineParser>

#include <cmath>

namespace korvane::sim {

double optionNumber(const QCommandLineParser &parser, const QString &name, double low, double high, QString &error)
{
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < low || value > high) {
        error = QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(low).arg(high);
        return 0;
    }
    return value;
}

void readShipTrack(const QCommandLineParser &parser, ShipTrack &track, double courseHigh, QString &error)
{
    track.latitude = optionNumber(parser, QStringLiteral("lat"), -90, 90, error);
    track.longitude = optionNumber(parser, QStringLiteral("lon"), -180, 180, error);
    track.courseDegrees = optionNumber(parser, QStringLiteral("course"), 0, courseHigh, error);
    track.speedKnots = optionNumber(parser, QStringLiteral("speed"), 0, 102, error);
    track.turnDegreesPerMinute = optionNumber(parser, QStringLiteral("turn"), -720, 720, error);
    if (!parser.isSet(QStringLiteral("heading")))
        return;
    if (parser.value(QStringLiteral("heading")) == QLatin1String("none"))
        track.hasHeading = false;
    else
        track.headingOffset =
            optionNumber(parser, QStringLiteral("heading"), 0, courseHigh, error) - track.courseDegrees;
}

QString peerHelp(const QCommandLineParser &parser, const QString &usage, const char *description)
{
    QString options = parser.helpText();
    options = options.mid(options.indexOf(u'\n') + 1);
    return QStringLiteral("Usage: korvane-sim ") + usage + u'\n' + QString::fromUtf8(description) + u'\n' + options;
}

} // namespace korvane::sim
