#include "web/StatusFigures.h"

#include "app/Station.h"
#include "platform/Clock.h"
#include "text/Formats.h"

#include <QJsonValue>
#include <QRegularExpression>

namespace korvane::web {

namespace {

// "100 /50", "12.5海里/23.1公里": the halves the window writes in one box.
QString half(const QString &text, int n)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    return parts.size() > n ? parts[n].trimmed() : QString();
}

std::optional<double> firstNumber(const QString &text, const Station &)
{
    return numberInText(text);
}

// The quality bar: its glyphs, blanks between them; an empty bar is no signal.
std::optional<double> barCount(const QString &text, const Station &)
{
    int bars = 0;
    for (const QChar c : text)
        if (!c.isSpace())
            ++bars;
    return bars;
}

bool shipToShip(const Display &d)
{
    return d.CHK_SHIP_AIS.value() == 1 || d.SHIP_AIS_DRIVE.value() == 1;
}

// The target's position comes from the ship service when it drives the
// antenna, else from the board's own status.
const Feed *targetFeed(const Display &d)
{
    return d.SHIP_AIS_DRIVE.value() == 1 ? &d.shipFeed : &d.boardFeed;
}

QString targetText(const Station &s, double value)
{
    const ShipTargetPosition &t = s.controllerStatus.ShipTarget;
    if (!shipToShip(s.display) || (t.latitude == 0 && t.longitude == 0))
        return QString();
    return shortestDecimal(value);
}

const Feed *radioFeed(const Display &d) { return &d.radioFeed; }
const Feed *boardFeed(const Display &d) { return &d.boardFeed; }
const Feed *pingFeed(const Display &d) { return &d.pingFeed; }

constexpr double kMbpsToBytes = 1e6 / 8;
// The throughput is worked out in binary megabits.
constexpr double kMibpsToBytes = 1024.0 * 1024.0 / 8;
constexpr double kKnotToMetresPerSecond = 1852.0 / 3600.0;

} // namespace

std::optional<double> numberInText(const QString &text, int n)
{
    static const QRegularExpression number(QStringLiteral("[-+]?\\d+(?:\\.\\d+)?"));
    auto it = number.globalMatch(text);
    for (int i = 0; it.hasNext(); ++i) {
        const QRegularExpressionMatch m = it.next();
        if (i == n) {
            bool ok = false;
            const double value = m.captured().toDouble(&ok);
            if (ok)
                return value;
            break;
        }
    }
    return std::nullopt;
}

const QList<StatusFigure> &statusFigures()
{
    static const QList<StatusFigure> figures = {
        {"signal_dbm", "信号", "dBm", radioFeed,
         [](const Station &s) { return s.display.Text1.text().trimmed(); }, firstNumber,
         "korvane_signal_dbm", 1, "Received signal level the radio reports, dBm."},
        {"signal_bars", "电平", "", radioFeed,
         [](const Station &s) { return s.display.Text_Level.text(); }, barCount,
         "korvane_signal_bars", 1, "Signal quality bars shown, 0 to 5."},
        {"chain_delta_db", "极化差值", "dB", radioFeed,
         [](const Station &s) {
             const QString t = s.display.Text_delta.text();
             return (t.startsWith(QStringLiteral("Δ:")) ? t.mid(2) : t).trimmed();
         },
         firstNumber, "korvane_chain_delta_db", 1, "Difference between the radio's two chains, dB."},
        {"capacity_down_mbps", "带宽容量(下行)", "Mbps", radioFeed,
         [](const Station &s) { return half(s.display.Text15.text(), 0); }, firstNumber,
         "korvane_capacity_down_bytes_per_second", kMbpsToBytes, "Link capacity towards the ship."},
        {"capacity_up_mbps", "带宽容量(上行)", "Mbps", radioFeed,
         [](const Station &s) { return half(s.display.Text15.text(), 1); }, firstNumber,
         "korvane_capacity_up_bytes_per_second", kMbpsToBytes, "Link capacity from the ship."},
        {"rx_mbps", "吞吐量(下行)", "Mbps", radioFeed,
         [](const Station &s) { return half(s.display.lanByte.text(), 0); }, firstNumber,
         "korvane_rx_bytes_per_second", kMibpsToBytes, "Traffic received through the radio."},
        {"tx_mbps", "吞吐量(上行)", "Mbps", radioFeed,
         [](const Station &s) { return half(s.display.lanByte.text(), 1); }, firstNumber,
         "korvane_tx_bytes_per_second", kMibpsToBytes, "Traffic sent through the radio."},
        {"device", "设备", "", radioFeed, [](const Station &s) { return s.display.Ship.text().trimmed(); },
         nullptr, "korvane_device_info", 1, "The device the radio names itself."},
        {"heading_deg", "航向", "°", boardFeed,
         [](const Station &s) {
             const auto h = numberInText(s.display.navAngle.text());
             return h ? shortestDecimal(*h) : QString();
         },
         firstNumber, "korvane_heading_degrees", 1, "Ship's heading the board reports, degrees."},
        {"speed_kn", "航速", "kn", boardFeed,
         [](const Station &s) {
             const QString t = s.display.navAngle.text();
             const qsizetype at = t.indexOf(QStringLiteral("航速"));
             const auto v = at < 0 ? std::nullopt : numberInText(t.mid(at));
             return v ? shortestDecimal(*v) : QString();
         },
         firstNumber, "korvane_speed_meters_per_second", kKnotToMetresPerSecond, "Ship's speed over ground."},
        {"distance_km", "距离", "km", boardFeed,
         [](const Station &s) {
             const auto km = numberInText(half(s.display.distvalue.text(), 1));
             return km ? shortestDecimal(*km) : QString();
         },
         firstNumber, "korvane_distance_meters", 1000, "Distance to the base station or the target ship."},
        {"antenna_angle_deg", "天线角度", "°", boardFeed,
         [](const Station &s) {
             return s.controllerStatus.angleRead ? shortestDecimal(s.controllerStatus.AngleH) : QString();
         },
         firstNumber, "korvane_antenna_angle_degrees", 1, "Antenna's horizontal angle from the bow, degrees."},
        {"ping_mean_ms", "平均延迟", "ms", pingFeed,
         [](const Station &s) {
             const RadioSessionState &r = s.radio;
             return r.pingCount > 0 ? formatFixed(static_cast<double>(r.pingSum) / r.pingCount, 2) : QString();
         },
         firstNumber, "korvane_ping_mean_seconds", 0.001, "Mean round trip of the last pings to the radio."},
        {"target_latitude_deg", "目标纬度", "°", targetFeed,
         [](const Station &s) { return targetText(s, s.controllerStatus.ShipTarget.latitude); }, firstNumber,
         "korvane_target_latitude_degrees", 1, "Latitude of the ship-to-ship target."},
        {"target_longitude_deg", "目标经度", "°", targetFeed,
         [](const Station &s) { return targetText(s, s.controllerStatus.ShipTarget.longitude); }, firstNumber,
         "korvane_target_longitude_degrees", 1, "Longitude of the ship-to-ship target."},
    };
    return figures;
}

FigureReading readFigure(const Station &station, const StatusFigure &figure)
{
    FigureReading r;
    r.text = figure.text(station);
    const Feed *feed = figure.feed(station.display);
    const bool read = feed->everRead();
    if (figure.number)
        r.number = figure.number(r.text, station);
    // A text before its feed's first reading is the design's placeholder.
    r.known = read && (figure.number ? r.number.has_value() : !r.text.isEmpty());
    if (!r.known)
        r.number.reset();
    // An unknown figure has no age: the feed's readings gave it nothing.
    if (r.known)
        r.ageS = static_cast<double>(feed->silentMs()) / 1000.0;
    r.stale = feed->stale();
    return r;
}

QJsonObject statusObject(const Station &station)
{
    QJsonObject o;
    const QDateTime now = station.environment().clock->now();
    o[QStringLiteral("version")] = QStringLiteral(KORVANE_VERSION);
    o[QStringLiteral("time")] = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
    o[QStringLiteral("t")] = now.toMSecsSinceEpoch();
    const Display &d = station.display;
    o[QStringLiteral("caption")] = d.MainWindow.text();
    o[QStringLiteral("notice")] = d.Label_NOTE.text();
    o[QStringLiteral("alarm")] = d.Lbl_ALARM.text();
    o[QStringLiteral("alarm_on")] = !d.Lbl_ALARM.text().trimmed().isEmpty();
    for (const StatusFigure &figure : statusFigures()) {
        const FigureReading r = readFigure(station, figure);
        const QString id = QString::fromLatin1(figure.id);
        if (!r.known)
            o[id] = QJsonValue::Null;
        else if (r.number)
            o[id] = *r.number;
        else
            o[id] = r.text;
        o[id + QStringLiteral("_age_s")] = r.ageS ? QJsonValue(*r.ageS) : QJsonValue::Null;
        o[id + QStringLiteral("_stale")] = r.stale;
    }
    for (const LinkHealth::Named &named : station.links.named()) {
        const LinkOutage::State state = named.link->state();
        o[named.id + QStringLiteral("_link")] =
            state == LinkOutage::State::Unknown ? QJsonValue::Null : QJsonValue(state == LinkOutage::State::Up);
        o[named.id + QStringLiteral("_link_status")] = named.link->status();
    }
    o[QStringLiteral("slider_deg")] = d.Slider1.value();
    const bool running = d.progressBar.visible();
    o[QStringLiteral("progress_percent")] = running ? QJsonValue(d.progressBar.value()) : QJsonValue::Null;
    o[QStringLiteral("progress_text")] = running ? d.progressBar.text() : QString();
    return o;
}

} // namespace korvane::web
