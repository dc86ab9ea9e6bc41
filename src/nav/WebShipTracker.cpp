#include "nav/WebShipTracker.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "geo/AisDecoder.h"
#include "nav/AisHeadingSaver.h"
#include "model/AisState.h"
#include "geo/Geodesy.h"
#include "model/OptimisationState.h"
#include "nav/ShipDrive.h"
#include "nav/ShipReport.h"
#include "nav/ShipService.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "text/Formats.h"
#include "text/Numbers.h"

namespace korvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr float kQueryWaitSeconds = 1.0f;
constexpr double kHighestHeading = 360.0;

const HttpHeaders kLookupHeaders{
    {"Content-Type", "application/x-www-form-urlencoded"},
    {"User-Agent", "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
                   "Chrome/109.0.0.0 Safari/537.36"},
};

} // namespace

WebShipTracker::WebShipTracker(Parts parts, EventLine eventLine)
    : wait(delayIn(&parts.scope)), m_parts(parts), m_eventLine(std::move(eventLine))
{
}

Task<> WebShipTracker::tick()
{
    co_await oneTimeQueries();
    if (m_parts.scope.ended())
        co_return;
    if (m_parts.display.CHK_SHIP_AIS.value() == 1) {
        const bool updated = co_await shipToShipUpdate();
        if (!updated)
            co_return;
    }
    QString eventLine;
    bool completed = true;
    if (m_parts.ais.aisDrive)
        completed = co_await aisDriveUpdate(eventLine);
    // Written at the end when the reply was too short to be logged with it.
    if (completed && !eventLine.isEmpty())
        m_parts.log.append(eventLine);
}

Task<> WebShipTracker::oneTimeQueries()
{
    ControllerLink &link = m_parts.controller;
    if (link.isConnected() && !m_parts.ais.firstQuerySent) {
        link.send(QStringLiteral("g") + kCrLf);
        m_parts.ais.firstQuerySent = true;
        const bool done = co_await wait(kQueryWaitSeconds);
        if (!done)
            co_return;
    }
    if (link.isConnected() && !m_parts.status.MultiBase) {
        const bool done = co_await wait(kQueryWaitSeconds);
        if (!done)
            co_return;
        link.send(QStringLiteral("T") + kCrLf);
        m_parts.status.MultiBase = true;
        co_await wait(kQueryWaitSeconds);
    }
}

Task<WebShipTracker::Lookup> WebShipTracker::lookUp(QString tag)
{
    const QUrl base = shipServiceBase(m_parts.settings.read(keys::SHIP_SERVICE_URL));
    HttpResponse response;
    if (base.isEmpty()) {
        response.errorNumber = Http::kInvalidAddress;
        response.errorText = QStringLiteral("船舶位置服务地址无效");
    } else {
        const QByteArray body = "mmsi=" + m_parts.ais.targetMmsi.toUtf8();
        response = co_await m_parts.http.post(&m_parts.scope, shipLookupUrl(base), kLookupHeaders, body, timeouts);
        if (m_parts.scope.ended())
            co_return Lookup{};
    }
    if (response.failed()) {
        m_parts.display.Label_NOTE.setText(QStringLiteral("发送请求时出错(") + tag + QStringLiteral("): ")
                                           + response.errorText + QStringLiteral(" (错误号: ")
                                           + QString::number(response.errorNumber) + QStringLiteral(")"));
        m_parts.display.shipFeed.lost(response.errorText);
        co_return Lookup{};
    }
    // An error status is a reply, but no ship position.
    if (response.status >= 200 && response.status < 300)
        m_parts.display.shipFeed.reading();
    else
        m_parts.display.shipFeed.lost(QStringLiteral("HTTP ") + QString::number(response.status));
    co_return Lookup{true, QString::fromUtf8(response.body)};
}

bool WebShipTracker::isNewReport(const ShipReport &report)
{
    if (!report.found || !m_parts.controller.isConnected() || !report.reportTime)
        return false;
    if (*report.reportTime == m_parts.ais.lastReportTime)
        return false;
    m_parts.ais.lastReportTime = *report.reportTime;
    return true;
}

void WebShipTracker::logReply(const QString &reply, const QString &reportLine)
{
    m_parts.log.append(QStringLiteral("======  ") + dateTimeText(m_parts.clock.now()) + QStringLiteral("  ") + kCrLf
                       + QStringLiteral("  ") + reply + kCrLf);
    m_parts.log.append(reportLine);
    m_parts.display.Label4.setText(QStringLiteral("超级终端（日志）"));
}

Task<bool> WebShipTracker::shipToShipUpdate()
{
    const Lookup lookup = co_await lookUp(QStringLiteral("OPENAPI"));
    if (!lookup.ok)
        co_return false;
    const ShipReport report = parseShipReply(lookup.reply);
    if (!isNewReport(report))
        co_return true;
    const QString line = shipReportLine(QStringLiteral("目标船舶："), report, AisTime(*report.reportTime));
    m_parts.display.Text2.append(line);
    sendTarget(report);
    if (lookup.reply.size() >= 2)
        logReply(lookup.reply, line);
    co_return true;
}

Task<bool> WebShipTracker::aisDriveUpdate(QString &eventLine)
{
    const QString mmsi = m_parts.ais.targetMmsi;
    m_parts.display.Label12.setToolTip(QStringLiteral("软件需连接互联网，以便自动获取船舶AIS数据，当前船舶MMSI值：") + mmsi
                                       + QStringLiteral("，使用命令格式ais=234567891可更改当前船舶MMSI值"));
    const Lookup lookup = co_await lookUp(QStringLiteral("SHIPAIS"));
    if (!lookup.ok)
        co_return false;
    const ShipReport report = parseShipReply(lookup.reply);
    if (!isNewReport(report))
        co_return true;
    const QDateTime time = AisTime(*report.reportTime);
    m_parts.display.Text2.append(shipReportLine(QStringLiteral("当前船舶："), report, time));
    ControllerStatus &st = m_parts.status;
    st.Heading = report.course;
    st.Speed = numberOfText(formatFixed(report.knots, 1));
    st.headingRead = true;
    st.LastCompass = report.heading;
    if (report.heading <= kHighestHeading) {
        driveFromHeading(report);
    } else {
        // The service sends 511 (51100) for a vessel that reports no heading.
        m_parts.display.Label_NOTE.setText(QStringLiteral("获取船舶") + report.name
                                           + QStringLiteral("无有效艏向值，错误代码：") + report.headingText);
        eventLine = m_eventLine(m_parts.display.Label_NOTE.text());
    }
    if (lookup.reply.size() >= 2) {
        if (!eventLine.isEmpty()) {
            m_parts.log.append(eventLine);
            eventLine.clear(); // one line per event
        }
        logReply(lookup.reply, shipReportLine(QStringLiteral("目标船舶："), report, time));
    }
    co_return true;
}

void WebShipTracker::sendTarget(const ShipReport &report)
{
    if (!positionAvailable(report.latitude, report.longitude)) {
        // Aiming the board at 0/0 or at AIS's 181/91 would turn the antenna
        // away from the vessel altogether.
        if (!m_positionMissingShown) {
            const QString notice = QStringLiteral("目标船舶") + report.name + QStringLiteral("无有效位置，目标坐标未更新");
            m_parts.display.Label_NOTE.setText(notice);
            m_parts.log.append(m_eventLine(notice));
            m_positionMissingShown = true;
        }
        return;
    }
    m_positionMissingShown = false;
    // Held while the survey runs, and not sent after it: the next report is.
    if (!m_parts.optimisation.surveyRunning())
        m_parts.controller.send(targetCommand(report.longitude, report.latitude, report.mmsi) + kCrLf);
}

void WebShipTracker::driveFromHeading(const ShipReport &report)
{
    AisState &ais = m_parts.ais;
    ControllerStatus &st = m_parts.status;
    const auto heading = toInt32(report.heading); // a half to the even degree
    if (!heading)
        return;
    ais.aisHeading = *heading;
    m_parts.headingSaver.save(ais.aisHeading);
    const auto bearing = CalculateBearing(st.OwnLatitude, st.OwnLongitude, st.ShipTarget.latitude,
                                          st.ShipTarget.longitude);
    if (!bearing)
        return;
    const double rel = relativeAngle(ais.aisHeading, *bearing, ais.headingCorrection);
    if (!positionsUsable(st.OwnLatitude, st.OwnLongitude, st.ShipTarget.latitude, st.ShipTarget.longitude)
        || m_parts.optimisation.surveyRunning())
        return;
    const QString command = driveCommand(rel);
    m_parts.controller.send(command + kCrLf);
    m_parts.display.Label_NOTE.setText(QStringLiteral("自动AIS驱动:") + command);
    st.DriveCommand = command;
    st.DriveConfirmed = false;
    m_parts.optimisation.restartCountdowns();
}

} // namespace korvane
