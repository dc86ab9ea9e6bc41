#include "web/LiveFrame.h"

#include "app/Station.h"
#include "geo/Geodesy.h"
#include "platform/Clock.h"
#include "web/StatusFigures.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace korvane::web {

namespace {

// The window's slider runs 0 to 359.
constexpr int kSliderMax = 359;

QJsonValue orNull(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QJsonArray figures(const Station &station)
{
    QJsonArray list;
    for (const StatusFigure &figure : statusFigures()) {
        const FigureReading r = readFigure(station, figure);
        list.append(QJsonObject{{QStringLiteral("id"), QString::fromLatin1(figure.id)},
                                {QStringLiteral("label"), QString::fromUtf8(figure.label)},
                                {QStringLiteral("text"), r.known ? r.text : QString()},
                                {QStringLiteral("unit"), QString::fromUtf8(figure.unit)},
                                {QStringLiteral("age_s"), orNull(r.ageS)},
                                {QStringLiteral("stale"), r.stale}});
    }
    return list;
}

// A black lamp is one with nothing configured: grey, as a web page shows
// an unlit lamp.
QString lampColour(const Control &lamp)
{
    const QString name = colourName(lamp.colour());
    return name == QLatin1String("black") ? QStringLiteral("grey") : name;
}

// The cloud's tick box has no colour of its own: its lamp is the state of
// the reports.
QString cloudColour(const Station &station)
{
    if (station.cloudUnreported())
        return QStringLiteral("grey");
    switch (station.links.cloud.state()) {
    case LinkOutage::State::Up:
        return QStringLiteral("green");
    case LinkOutage::State::Down:
        return QStringLiteral("red");
    case LinkOutage::State::Unknown:
        break;
    }
    return QStringLiteral("grey");
}

QJsonObject lamp(const char *id, const char *label, const QString &colour, const Control &control)
{
    return {{QStringLiteral("id"), QString::fromLatin1(id)},
            {QStringLiteral("label"), QString::fromUtf8(label)},
            {QStringLiteral("colour"), colour},
            {QStringLiteral("status"), control.status()},
            {QStringLiteral("tip"), control.toolTip()}};
}

std::optional<double> figureNumber(const Station &station, const char *id)
{
    for (const StatusFigure &figure : statusFigures())
        if (qstrcmp(figure.id, id) == 0)
            return readFigure(station, figure).number;
    return std::nullopt;
}

// The bearing from the ship to its ship-to-ship target; none without both
// positions.
std::optional<double> targetBearing(const Station &station)
{
    const ControllerStatus &st = station.controllerStatus;
    const auto lat = figureNumber(station, "target_latitude_deg");
    const auto lon = figureNumber(station, "target_longitude_deg");
    if (!lat || !lon || (st.OwnLatitude == 0 && st.OwnLongitude == 0))
        return std::nullopt;
    return CalculateBearing(st.OwnLatitude, st.OwnLongitude, *lat, *lon);
}

QJsonObject ring(const Display &d)
{
    QJsonArray dots;
    for (int i = 0; i < static_cast<int>(d.angle.size()); ++i)
        dots.append(QJsonObject{{QStringLiteral("index"), i},
                                {QStringLiteral("text"), d.angle[i]->text()},
                                {QStringLiteral("tip"), d.angle[i]->toolTip()},
                                {QStringLiteral("colour"), colourName(d.angle[i]->colour())}});
    return {{QStringLiteral("dots"), dots},
            {QStringLiteral("slider"), d.Slider1.value()},
            {QStringLiteral("slider_min"), 0},
            {QStringLiteral("slider_max"), kSliderMax},
            {QStringLiteral("apply_text"), d.Command_HFIX.text()}};
}

} // namespace

QString colourName(const Rgb &colour)
{
    if (colour == colours::Green)
        return QStringLiteral("green");
    if (colour == colours::Red)
        return QStringLiteral("red");
    if (colour == colours::Yellow)
        return QStringLiteral("yellow");
    if (colour == colours::Black)
        return QStringLiteral("black");
    return QStringLiteral("#%1%2%3")
        .arg(colour.r, 2, 16, QLatin1Char('0'))
        .arg(colour.g, 2, 16, QLatin1Char('0'))
        .arg(colour.b, 2, 16, QLatin1Char('0'));
}

QString shownCaption(const Station &station)
{
    const Display &d = station.display;
    if (!d.Text1.stale())
        return d.MainWindow.text();
    static const QRegularExpression trailingSignal(QStringLiteral("\\s+-?\\d+$"));
    return QString(d.MainWindow.text()).remove(trailingSignal);
}

QJsonObject liveFrame(const Station &station)
{
    const Display &d = station.display;
    QJsonObject frame;
    frame[QStringLiteral("t")] = station.environment().clock->now().toMSecsSinceEpoch();
    frame[QStringLiteral("caption")] = shownCaption(station);
    frame[QStringLiteral("notice")] = d.Label_NOTE.text();
    frame[QStringLiteral("alarm")] = d.Lbl_ALARM.text();
    frame[QStringLiteral("alarm_on")] = !d.Lbl_ALARM.text().trimmed().isEmpty();
    frame[QStringLiteral("figures")] = figures(station);
    frame[QStringLiteral("lamps")] = QJsonArray{lamp("board", "控制器", lampColour(d.Label6), d.Label6),
                                                lamp("radio", "微波", lampColour(d.radioLamp), d.radioLamp),
                                                lamp("cloud", "云平台", cloudColour(station), d.Cloud)};
    frame[QStringLiteral("compass")] =
        QJsonObject{{QStringLiteral("antenna_deg"), orNull(figureNumber(station, "antenna_angle_deg"))},
                    {QStringLiteral("heading_deg"), orNull(figureNumber(station, "heading_deg"))},
                    {QStringLiteral("target_deg"), orNull(targetBearing(station))}};
    frame[QStringLiteral("ring")] = ring(d);
    frame[QStringLiteral("progress")] = QJsonObject{{QStringLiteral("visible"), d.progressBar.visible()},
                                                    {QStringLiteral("value"), d.progressBar.value()},
                                                    {QStringLiteral("text"), d.progressBar.text()}};
    return frame;
}

} // namespace korvane::web
