#include "ShipService.h"

#include "Garbage.h"
#include "ShipTrackControl.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <QUrlQuery>

#include <cmath>

namespace korvane::sim {

namespace {

constexpr qsizetype kMaxRequestBytes = 65536;
constexpr qint64 kGarbageBodyBytes = 2048;
const QByteArray kLookupPath = "/openapi/getship";
const QByteArray kJson = "application/json; charset=utf-8";
const QByteArray kNotFound = R"({"status":0,"msg":"成功","total":0,"data":[]})";

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

QByteArray jsonText(const QString &text)
{
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return out.toUtf8();
}

QByteArray integer(double value)
{
    return QByteArray::number(static_cast<qint64>(std::llround(value)));
}

} // namespace

const ShipService::ControlEntry ShipService::kControls[] = {
    {"next", &ShipService::controlNext},       {"unknown", &ShipService::controlUnknown},
    {"stale", &ShipService::controlStale},     {"heading", &ShipService::controlHeading},
    {"slow", &ShipService::controlSlow},       {"hang", &ShipService::controlHang},
    {"fail", &ShipService::controlFail},       {"position", &ShipService::controlPosition},
    {"course", &ShipService::controlCourse},   {"speed", &ShipService::controlSpeed},
    {"name", &ShipService::controlName},       {"mmsi", &ShipService::controlMmsi},
};

ShipService::ShipService(const ShipServiceOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_intake(m_server, kMaxRequestBytes)
{
    connect(&m_intake, &HttpIntake::request, this, &ShipService::answer);
    connect(&m_intake, &HttpIntake::tooLarge, this, [](QTcpSocket *socket) {
        HttpIntake::respond(socket, 413, "Payload Too Large", "request too large\n", "text/plain");
    });
}

bool ShipService::start(QString *error)
{
    if (!m_options.recordPath.isEmpty() && !m_recorder.open(m_options.recordPath, error))
        return false;
    m_clock.start();
    publish(m_options.startTime > 0 ? m_options.startTime : QDateTime::currentSecsSinceEpoch());
    return listenAndAnnounce(m_server, m_options.host, m_options.port, QStringLiteral("ship-service"), error);
}

void ShipService::answer(QTcpSocket *socket, const HttpRequest &request)
{
    m_recorder.append(request.raw);
    const QList<QByteArray> requestLine = request.requestLine();
    const QByteArray method = requestLine.value(0);
    const QByteArray path = requestLine.value(1);
    const QByteArray &body = request.body;
    ++m_counts.requests;
    if (m_hang) {
        ++m_counts.hung;
        return; // the caller waits until it gives up
    }
    if (m_failure == Failure::Close) {
        ++m_counts.failed;
        socket->abort();
        return;
    }
    if (m_failure == Failure::Status500) {
        ++m_counts.failed;
        HttpIntake::respond(socket, 500, "Internal Server Error", "service failure\n", "text/plain");
        return;
    }
    if (m_failure == Failure::Garbage) {
        ++m_counts.failed;
        HttpIntake::respond(socket, 200, "OK", garbageBytes(kGarbageBodyBytes), "application/json");
        return;
    }
    if (path != kLookupPath) {
        HttpIntake::respond(socket, 404, "Not Found", "not found\n", "text/plain");
        return;
    }
    if (method != "POST") {
        HttpIntake::respond(socket, 405, "Method Not Allowed", "POST only\n", "text/plain");
        return;
    }
    const QString mmsi = QUrlQuery(QString::fromUtf8(body)).queryItemValue(QStringLiteral("mmsi"));
    m_lastMmsi = mmsi;
    const QByteArray json = reportJson(mmsi);
    if (m_slowMs <= 0) {
        HttpIntake::respond(socket, 200, "OK", json, kJson);
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(m_slowMs, this, [this, guarded, json] {
        if (guarded)
            HttpIntake::respond(guarded, 200, "OK", json, kJson);
    });
}

QByteArray ShipService::reportJson(const QString &mmsi)
{
    if (m_unknown || mmsi != QString::number(m_options.mmsi)) {
        ++m_counts.notFound;
        return kNotFound;
    }
    ++m_counts.found;
    refreshReport();
    const Report &r = m_report;
    const QByteArray id = QByteArray::number(m_options.mmsi);
    const QByteArray time = QByteArray::number(r.time);
    return R"({"status":0,"msg":"成功","total":1,"data":[{"mmsi":")" + id + R"(","shipid":")" + id
           + R"(","imo":"0","name":")" + jsonText(m_options.name) + R"(","matchtype":1,"callsign":"BKRV","lon":)"
           + integer(r.hasPosition ? r.longitude * 1e6 : 181e6) + R"(,"lat":)"
           + integer(r.hasPosition ? r.latitude * 1e6 : 91e6) + R"(,"sog":)"
           + integer(r.knots * 514.5) + R"(,"cog":)" + integer(r.course * 100) + R"(,"hdg":)"
           + (r.hasHeading ? integer(r.heading * 100) : QByteArray("51100")) + R"(,"rot":0,"navistatus":0,"lastdyn":)"
           + time + R"(,"satelliteutc":)" + time + R"(,"length":120,"width":20,"dest":"SHANGHAI"}]})";
}

// A vessel reports every interval: a request between two reports sees the
// same report again.
void ShipService::refreshReport()
{
    if (m_stale || m_options.reportIntervalS <= 0)
        return;
    const qint64 intervalMs = static_cast<qint64>(m_options.reportIntervalS * 1000);
    const qint64 steps = (m_clock.elapsed() - m_trackAtMs) / intervalMs;
    // Report times are whole seconds: each new report is at least one later.
    if (steps > 0)
        publish(m_report.time + std::max<qint64>(1, std::llround(steps * m_options.reportIntervalS)));
}

void ShipService::publish(qint64 time)
{
    const qint64 now = m_clock.elapsed();
    m_options.track.advance((now - m_trackAtMs) / 1000.0);
    m_trackAtMs = now;
    const ShipTrack &t = m_options.track;
    m_report = {time, t.latitude, t.longitude, t.speedKnots, t.courseDegrees, t.heading(), t.hasHeading, t.hasPosition};
    ++m_counts.reports;
}

void ShipService::control(const QString &line)
{
    answerControlLine(
        line, [this] { return statusSummary(); },
        [this](const QString &word, const QString &argument) { return runControlEntry(this, kControls, word, argument); });
}

QString ShipService::statusSummary() const
{
    const char *failure = m_failure == Failure::Close       ? "close"
                          : m_failure == Failure::Status500 ? "500"
                          : m_failure == Failure::Garbage   ? "garbage"
                                                            : "off";
    return QStringLiteral("status requests=%1 found=%2 not_found=%3 failed=%4 hung=%5 reports=%6 report_time=%7")
               .arg(m_counts.requests)
               .arg(m_counts.found)
               .arg(m_counts.notFound)
               .arg(m_counts.failed)
               .arg(m_counts.hung)
               .arg(m_counts.reports)
               .arg(m_report.time)
           + QStringLiteral(" unknown=%1 stale=%2 hang=%3 slow_ms=%4 fail=%5 last_mmsi=%6")
                 .arg(onOff(m_unknown), onOff(m_stale), onOff(m_hang))
                 .arg(m_slowMs)
                 .arg(QString::fromLatin1(failure), m_lastMmsi.isEmpty() ? QStringLiteral("none") : m_lastMmsi);
}

bool ShipService::controlNext(const QString &)
{
    const qint64 step = std::max<qint64>(1, std::llround(m_options.reportIntervalS));
    publish(m_report.time + step);
    return true;
}

bool ShipService::controlUnknown(const QString &a) { return readSwitch(a, m_unknown); }
bool ShipService::controlStale(const QString &a) { return readSwitch(a, m_stale); }
bool ShipService::controlHang(const QString &a) { return readSwitch(a, m_hang); }

bool ShipService::controlHeading(const QString &a) { return setTrackHeading(m_options.track, a); }

bool ShipService::controlSlow(const QString &a)
{
    double ms = 0;
    if (!parseNumber(a, ms) || ms < 0 || ms > 600000)
        return false;
    m_slowMs = static_cast<int>(ms);
    return true;
}

bool ShipService::controlFail(const QString &a)
{
    if (a == QLatin1String("off"))
        m_failure = Failure::Off;
    else if (a == QLatin1String("close"))
        m_failure = Failure::Close;
    else if (a == QLatin1String("500"))
        m_failure = Failure::Status500;
    else if (a == QLatin1String("garbage"))
        m_failure = Failure::Garbage;
    else
        return false;
    return true;
}

bool ShipService::controlPosition(const QString &a) { return setTrackPosition(m_options.track, a); }

bool ShipService::controlCourse(const QString &a) { return setTrackCourse(m_options.track, a, true); }

bool ShipService::controlSpeed(const QString &a) { return setTrackSpeed(m_options.track, a); }

bool ShipService::controlName(const QString &a)
{
    if (a.isEmpty())
        return false;
    m_options.name = a;
    return true;
}

bool ShipService::controlMmsi(const QString &a)
{
    bool ok = false;
    const quint32 mmsi = a.toUInt(&ok);
    if (!ok || mmsi > 999999999)
        return false;
    m_options.mmsi = mmsi;
    return true;
}

} // namespace korvane::sim
