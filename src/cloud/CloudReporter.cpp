#include "cloud/CloudReporter.h"

#include "model/RadioReachable.h"
#include "model/Display.h"
#include "model/EventLog.h"
#include "model/LinkOutage.h"
#include "platform/Clock.h"
#include "model/SettingKeys.h"
#include "cloud/CloudReply.h"
#include "cloud/CloudServer.h"
#include "model/CloudState.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "model/AisState.h"
#include "platform/SettingsStore.h"
#include "platform/TcpLink.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"

#include <QAbstractSocket>

namespace korvane {

namespace {
// The socket's code for a failed name lookup (Winsock's 11001).
constexpr int kHostNotFound = QAbstractSocket::HostNotFoundError;
} // namespace

CloudReporter::CloudReporter(Parts parts, EventLine eventLine)
    : m_parts(parts), m_eventLine(std::move(eventLine))
{
}

void CloudReporter::Timer_Cloud_Timer()
{
    if (!m_parts.cloud.reporting)
        return;
    queryBoard();
    const CloudEndpoint endpoint =
        chooseCloudEndpoint(m_parts.cloud.ipMode, CloudServerSettings::read(m_parts.settings));
    const CloudForm form = currentForm();
    const QString request = cloudRequestText(buildCloudQuery(form, currentFigures(form)), endpoint.hostHeader);
    closeStuckSocket();
    CloudState &cloud = m_parts.cloud;
    cloud.queuedRequests.clear();
    if (!radioOnline()) {
        cloud.heldRequest = request;
        return;
    }
    if (!cloud.heldRequest.isEmpty())
        cloud.queuedRequests << cloud.heldRequest;
    cloud.heldRequest.clear();
    cloud.queuedRequests << request;
    cloud.lastAttempt.start();
    m_parts.socket.RemoteHost = endpoint.host;
    m_parts.socket.RemotePort = endpoint.port;
    cloud.connectHost = endpoint.target;
    startNextRequest();
}

void CloudReporter::queryBoard()
{
    if (m_parts.controller.isConnected())
        m_parts.controller.send(QStringLiteral("g\r\n"));
}

// A radio whose figures are stale (silent console, dead CPE) is reported
// lost: its last figures are nobody's reading now.
CloudForm CloudReporter::currentForm() const
{
    if (!radioOnline())
        return CloudForm::RadioLost;
    if (m_parts.radio.RadioFamily == RadioFamilyCpe)
        return CloudForm::Cpe;
    if (m_parts.radioSocket.State() == TcpLink::Connected)
        return CloudForm::RadioConnected;
    return CloudForm::RadioLost;
}

CloudFigures CloudReporter::currentFigures(CloudForm form)
{
    RadioStats &stats = m_parts.radioStats;
    stats.rxMbps = clampedThroughput(stats.rxMbps);
    stats.txMbps = clampedThroughput(stats.txMbps);
    const ControllerStatus &st = m_parts.status;
    CloudFigures f;
    f.mac = m_parts.radio.radioMac;
    if (form == CloudForm::Cpe) {
        f.name = cloudCpeName();
        f.note = m_parts.radio.cpeStatusText.trimmed();
    } else {
        f.name = cloudDeviceName(m_parts.display.Ship.text());
        f.note = cloudAlarmNote(m_parts.display.Lbl_ALARM.text());
    }
    f.latitude = st.OwnLatitude;
    f.longitude = st.OwnLongitude;
    f.signalDbm = stats.signalDbm;
    f.chainDeltaDb = stats.chainDeltaDb;
    f.noiseDbm = stats.noiseDbm;
    f.capacityDownMbps = stats.capacityDownMbps;
    f.capacityUpMbps = stats.capacityUpMbps;
    f.rxMbps = stats.rxMbps;
    f.txMbps = stats.txMbps;
    f.speed = st.Speed;
    f.distanceKm = st.DistanceKm;
    f.heading = st.Heading;
    f.aisHeading = m_parts.ais.aisHeading;
    f.lastCompass = st.LastCompass;
    return f;
}

void CloudReporter::closeStuckSocket()
{
    // A connect that never completed, a socket left in error, or a server
    // that has not answered since an earlier tick: drop it so this tick
    // starts afresh.
    const int state = m_parts.socket.State();
    if (state == TcpLink::Closed)
        return;
    keepUnsentHeldReport();
    m_parts.socket.Close();
    // The close is complete when Close() returns: the tick goes straight on.
    m_parts.log.append(QStringLiteral("云平台Winsock状态异常，强制关闭，原状态码：") + QString::number(state));
}

bool CloudReporter::radioOnline() const
{
    return radioReachable(m_parts.radioSocket, m_parts.radio);
}

void CloudReporter::keepUnsentHeldReport()
{
    // The held report always goes first, so while others are queued behind
    // the current request, that request is the held one.
    CloudState &cloud = m_parts.cloud;
    if (!cloud.awaitingReply && !cloud.queuedRequests.isEmpty())
        cloud.heldRequest = cloud.pendingRequest;
    cloud.awaitingReply = false;
    cloud.queuedRequests.clear();
}

void CloudReporter::startNextRequest()
{
    CloudState &cloud = m_parts.cloud;
    if (cloud.queuedRequests.isEmpty() || m_parts.socket.State() != TcpLink::Closed)
        return;
    // Ready before the connect, so the connect event always finds it.
    cloud.pendingRequest = cloud.queuedRequests.takeFirst();
    cloud.reply.clear();
    m_parts.socket.Connect();
}

void CloudReporter::Winsock_Cloud_Connect()
{
    if (m_parts.socket.State() != TcpLink::Connected)
        return;
    m_parts.cloud.awaitingReply = m_parts.socket.SendData(m_parts.cloud.pendingRequest);
}

void CloudReporter::Winsock_Cloud_DataArrival()
{
    replyReceived(m_parts.socket.GetData());
}

void CloudReporter::replyReceived(const QByteArray &bytes)
{
    CloudState &cloud = m_parts.cloud;
    cloud.reply += bytes;
    // A status line split over two segments is judged once it is whole.
    if (cloudReplyJudgeable(cloud.reply))
        finishReply();
}

void CloudReporter::Winsock_Cloud_StateChanged(int state)
{
    if (state == TcpLink::Closed && m_parts.cloud.awaitingReply)
        finishReply();
}

void CloudReporter::finishReply()
{
    CloudState &cloud = m_parts.cloud;
    const CloudReplyVerdict verdict = judgeCloudReply(cloud.reply);
    cloud.lastAccepted = verdict.accepted;
    if (verdict.accepted) {
        cloud.lastAcceptedAt = m_parts.clock.now();
        m_parts.outage.back(cloud.lastAcceptedAt);
    } else {
        if (reportFailed)
            reportFailed();
        m_parts.outage.lost(verdict.notice, m_parts.clock.now());
        m_parts.display.Label_NOTE.setText(verdict.notice);
        // Logged like an unreachable server, so the log and the history's
        // events show the spell of refused reports too.
        m_parts.log.append(m_eventLine(verdict.notice));
    }
    cloud.awaitingReply = false;
    cloud.reply.clear();
    // One answer per report: the rest of it is not read.
    m_parts.socket.Close();
    startNextRequest();
}

void CloudReporter::Winsock_Cloud_Error(int number, const QString &description)
{
    Display &d = m_parts.display;
    d.Label_NOTE.setText(QStringLiteral("云平台连接错误: ") + description);
    m_parts.cloud.lastAccepted = false;
    if (reportFailed)
        reportFailed();
    m_parts.outage.lost(socketErrorReason(number, description), m_parts.clock.now());
    d.Text2.append(QStringLiteral("Winsock错误: ") + description + QStringLiteral("\r\n"));
    QString line = m_eventLine(d.Label_NOTE.text());
    if (description.contains(QLatin1String("Host not found")) || number == kHostNotFound) {
        if (!m_parts.cloud.ipMode)
            m_parts.settings.write(keys::CLOUD_MODE_IP, QStringLiteral("1"));
        m_parts.cloud.ipMode = true;
        d.Text2.append(QStringLiteral("域名解析失败，云平台已自动切换为IP模式。\r\n"));
        line = m_eventLine(d.Label_NOTE.text());
    }
    // The server cannot be reached: this tick's own report is dropped (the
    // next tick builds a fresh one).
    keepUnsentHeldReport();
    m_parts.socket.Close();
    m_parts.log.append(line);
}

void CloudReporter::Cloud_Click()
{
    const int value = m_parts.display.Cloud.value();
    m_parts.settings.write(keys::KORVANE_CLOUD, QString::number(value));
    m_parts.cloud.reporting = value == 1;
}

} // namespace korvane
