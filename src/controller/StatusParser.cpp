#include "controller/StatusParser.h"

#include "model/Display.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "controller/StatusText.h"
#include "model/AisState.h"
#include "model/OptimisationState.h"
#include "geo/Geodesy.h"
#include "geo/NmeaParser.h"
#include "platform/TcpLink.h"
#include "model/RadioSessionState.h"
#include "text/FindValue.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <cmath>

namespace korvane {

using namespace statustext;

namespace {

// At most one drive correction a second, the pace of the board's own
// status rounds.
constexpr qint64 kCorrectionSpacingMs = 1000;

double R1(double x) { return roundHalfAwayFromZero(x, 1); }
double R7(double x) { return roundHalfAwayFromZero(x, 7); }

double num(const QString &text) { return numberOfText(text); }

// A coordinate counts when its whole-degree part is not 0: values from 0 up
// to 1 are the board's "no fix" placeholders.
bool acceptedCoordinate(double value)
{
    return std::floor(std::nearbyint(value * 1e6) / 1e6) != 0.0;
}

QString floorText(double v)
{
    return shortestDecimal(std::floor(v));
}

} // namespace

StatusParser::StatusParser(TcpLink &controller, ControllerLink &link, Display &display, EventLog &log,
                           const Clock &clock, State state)
    : m_controller(controller), m_link(link), m_display(display), m_log(log), m_clock(clock), m_state(state)
{
}

QString StatusParser::distanceText(double km)
{
    const double nm = std::floor(km * 100.0 / 1.852) / 100.0;
    return shortestDecimal(nm) + QStringLiteral("海里/") + shortestDecimal(km) + QStringLiteral("公里");
}

QString StatusParser::headingArrow(double h)
{
    static const char *const arrows[] = {" ↑", " ↗", " →", " ↘", " ↓", " ↙", " ←", " ↖"};
    if (h >= 337.5 && h < 360.0)
        return QString::fromUtf8(arrows[0]);
    if (h < 0.0 || h >= 360.0)
        return QString();
    return QString::fromUtf8(arrows[static_cast<int>((h + 22.5) / 45.0) % 8]);
}

void StatusParser::Winsock2_DataArrival()
{
    receive(m_controller.GetData());
}

void StatusParser::receive(const QByteArray &bytes)
{
    handleChunk(m_decoder.decode(bytes));
}

void StatusParser::handleChunk(const QString &chunk)
{
    QString s = chunk;
    receiverAlarm(s);
    boardAlarms(s);
    baseStationCount(s);
    receiverRecovered(s);
    speedAndHeadingColonForm(s);
    mmsiConflict(s);
    driveEcho(s);
    executionEcho(s);
    positionReports(s);
    horizontalAngle(s);
    executionReport(s);
    distanceForms(s);
    compassReport(s);
    duplicatePrefixRepair(s);
    headingAndSpeed(s);
    compassRebasing(s);
    radioKey(s);
    m_display.Text2.append(s);
    const QString positionLine = positionLogLine(s);
    reassemble(s);
    radioFiguresForLog(s);
    writeLog(s, positionLine);
}

void StatusParser::reloadScanCountdown()
{
    m_state.optimisation.reloadScanCountdown();
}

bool StatusParser::sendLine(const QString &command)
{
    return m_link.send(command + QStringLiteral("\r\n"));
}

void StatusParser::receiverAlarm(const QString &s)
{
    if (!FindValue(QStringLiteral("PCAS04"), QStringLiteral("3*1A"), s).isEmpty()
        || has(s, QStringLiteral("信号:0%"))) {
        m_state.status.GnssValid = false;
        m_display.Lbl_ALARM.setText(QStringLiteral("北斗/GPS信号异常"));
    }
}

void StatusParser::boardAlarms(const QString &s)
{
    if (has(s, QStringLiteral("初始位错误,")))
        m_display.Lbl_ALARM.setText(s);
    if (has(s, QStringLiteral("电机告警")))
        m_display.Lbl_ALARM.setText(s);
    if (has(s, QStringLiteral("总线异常")))
        m_display.Lbl_ALARM.setText(QStringLiteral("上次启动总线自检异常，将忽略总线设备，下次启动启用。"));
}

void StatusParser::baseStationCount(const QString &s)
{
    if (!has(s, QStringLiteral("当前基站数量")) || !has(s, QStringLiteral("设置的参数")))
        return;
    const double n = std::floor(num(FindValue(QStringLiteral("当前基站数量"), QStringLiteral(",设置的参数"), s)));
    if (n >= 1 && n <= 248) {
        m_state.status.MultiBase = true;
        m_state.status.BaseCount = static_cast<std::int16_t>(n);
    }
}

void StatusParser::receiverRecovered(const QString &s)
{
    if (!has(s, QStringLiteral("信号:100%")))
        return;
    m_state.status.GnssValid = true;
    if (m_display.Lbl_ALARM.text().contains(QStringLiteral("GPS信号异常")))
        m_display.Lbl_ALARM.setText(QString());
}

void StatusParser::speedAndHeadingColonForm(const QString &s)
{
    if (!has(s, QStringLiteral("航速:")))
        return;
    if (has(s, QStringLiteral("节")))
        m_state.status.Speed = R1(num(after(s, QStringLiteral("航速:"))));
    if (has(s, QStringLiteral("航向:"))) {
        m_state.status.Heading = R1(num(after(s, QStringLiteral("航向:"))));
        m_state.status.headingRead = true;
    }
}

void StatusParser::mmsiConflict(const QString &s)
{
    if (!has(s, QStringLiteral("命令")) || !has(s, QStringLiteral("mmsi")))
        return;
    const QString m = after(s, QStringLiteral("mmsi")).trimmed().left(9);
    const QString mine = m_state.ais.targetMmsi;
    if (m_display.CHK_SHIP_AIS.value() == 1 && m != mine) {
        m_display.Label_NOTE.setText(QStringLiteral("当前目标船只MMSI：") + mine
                                     + QStringLiteral("与其它客户端软件设置目标船只MMSI：") + m
                                     + QStringLiteral("不一致，将出现轮流控制天线情形，请核实MMSI或关闭一个软件球对球功能。"));
    }
}

void StatusParser::driveEcho(const QString &s)
{
    ControllerStatus &st = m_state.status;
    if (!has(s, QStringLiteral("命令:r")) || !m_state.ais.aisDrive || st.DriveConfirmed)
        return;
    reloadScanCountdown();
    const auto bearing = CalculateBearing(st.OwnLatitude, st.OwnLongitude, st.ShipTarget.latitude,
                                          st.ShipTarget.longitude);
    if (!bearing)
        return;
    double rel = m_state.ais.aisHeading - *bearing + m_state.ais.headingCorrection;
    if (rel > 360)
        rel -= 360;
    if (rel < -360)
        rel += 360;
    const QString value = formatFixed(-rel, 2);
    const QString command = QStringLiteral("r") + value.trimmed();
    QString echo = after(s, QStringLiteral("命令:r"));
    const qsizetype lineEnd = echo.indexOf(QStringLiteral("\r\n"));
    if (lineEnd >= 0)
        echo.truncate(lineEnd);
    if (num(echo) == num(value)) {
        st.DriveConfirmed = true;
        return;
    }
    // The survey owns the antenna while it runs; the next fix after it drives.
    if (m_state.optimisation.surveyRunning())
        return;
    const QString note = QStringLiteral("控制命令校验错误，重新发送！") + command;
    m_display.Label_NOTE.setText(note);
    m_display.Text2.append(note);
    sendLine(command);
    st.DriveCommand = command;
    st.DriveConfirmed = false;
}

void StatusParser::executionEcho(const QString &s)
{
    const double t = num(FindValue(QStringLiteral("目标:"), QStringLiteral("距离"), s));
    const double e = num(FindValue(QStringLiteral("执行"), QStringLiteral("目标:"), s));
    if (has(s, QStringLiteral("执行")) && has(s, QStringLiteral("目标:")) && m_state.ais.aisDrive
        && m_link.isConnected() && t == e && !m_state.optimisation.surveyRunning()) {
        if (m_lastCorrection.isValid() && !m_lastCorrection.hasExpired(kCorrectionSpacingMs))
            return;
        m_lastCorrection.start();
        sendLine(m_state.status.DriveCommand);
        m_display.Text2.append(QStringLiteral("监测和修正控制指令：") + m_state.status.DriveCommand
                               + QStringLiteral("\r\n"));
    }
}

void StatusParser::positionReports(const QString &s)
{
    QString marker;
    if (has(s, QStringLiteral("本地纬度:")))
        marker = QStringLiteral("本地纬度:");
    else if (has(s, QStringLiteral("动中通纬度:")))
        marker = QStringLiteral("动中通纬度:");
    else
        return;
    if (has(s, QStringLiteral("经度:"))) {
        ownPosition(s, marker);
        targetPosition(s, QStringLiteral("基站纬度:"));
        targetPosition(s, QStringLiteral("目标纬度:"));
    }
    if (has(s, QStringLiteral(",距离"))) {
        const double km = num(FindValue(QStringLiteral(",距离:"), QStringLiteral("km"), s));
        m_display.distvalue.setText(distanceText(km));
        m_state.status.DistanceKm = num(FindValue(QStringLiteral("距离:"), QStringLiteral("km"), s));
    }
}

void StatusParser::ownPosition(const QString &s, const QString &marker)
{
    ControllerStatus &st = m_state.status;
    const QString w = windowAt(s, marker, 60);
    const double lat = num(FindValue(marker, QStringLiteral("经度:"), w));
    if (acceptedCoordinate(lat))
        st.OwnLatitude = R7(lat);
    const double lon = num(FindValue(QStringLiteral("经度:"), QStringLiteral("海拔:"), w));
    if (acceptedCoordinate(lon))
        st.OwnLongitude = R7(lon);
    st.ReportedLatitude = st.OwnLatitude;
    st.ReportedLongitude = st.OwnLongitude;
    // A checksum-valid receiver sentence in the same chunk wins.
    const auto fix = ParseNMEAData(s);
    if (fix && fix->latitude != 0.0 && fix->longitude != 0.0) {
        st.ReportedLatitude = st.OwnLatitude = R7(fix->latitude);
        st.ReportedLongitude = st.OwnLongitude = R7(fix->longitude);
    }
}

void StatusParser::targetPosition(const QString &s, const QString &marker)
{
    if (!has(s, marker))
        return;
    const QString w = windowAt(s, marker, 60);
    const double lat = num(FindValue(marker, QStringLiteral("经度:"), w));
    if (acceptedCoordinate(lat))
        m_state.status.ShipTarget.latitude = R7(lat);
    const double lon = num(FindValue(QStringLiteral("经度:"), QStringLiteral("海拔:"), w));
    if (acceptedCoordinate(lon))
        m_state.status.ShipTarget.longitude = R7(lon);
}

void StatusParser::horizontalAngle(const QString &s)
{
    const qsizetype at = s.indexOf(QStringLiteral("角度:H"), 9); // from the tenth character
    if (at < 0)
        return;
    const QString value = FindValue(QStringLiteral("角度:H"), QStringLiteral("V"), s.mid(at, 30));
    if (!value.isEmpty()) {
        m_state.status.AngleH = num(value);
        m_state.status.angleRead = true;
        m_display.boardFeed.reading();
    }
}

void StatusParser::executionReport(const QString &s)
{
    QString x = FindValue(QStringLiteral("执行"), QStringLiteral("目标"), s);
    if (x.isEmpty())
        return;
    if (m_display.CHK_SHIP_AIS.value() == 1) {
        const double km = num(FindValue(QStringLiteral("距离"), QStringLiteral("俯仰"), s));
        m_display.distvalue.setText(distanceText(km));
        m_display.dist.setText(QStringLiteral("距离船只："));
    }
    QString sign;
    if (x.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        x = x.mid(1, 30);
    }
    QString base = sign + x;
    QString offset;
    for (const QChar split : {QLatin1Char('-'), QLatin1Char('+')}) {
        const qsizetype at = x.indexOf(split);
        if (at < 0)
            continue;
        base = sign + x.left(at + 1);
        offset = x.mid(at, 10);
        m_state.status.AngleOffset = static_cast<float>(num(offset));
    }
    m_state.status.AngleH = num(base) + num(offset);
    m_state.status.angleRead = true;
}

void StatusParser::distanceForms(const QString &s)
{
    double k = num(FindValue(QStringLiteral("距离"), QStringLiteral(" 航向"), s));
    if (k != 0)
        m_display.distvalue.setText(distanceText(k));
    k = num(FindValue(QStringLiteral("距离"), QStringLiteral(" 罗盘"), s));
    if (k != 0)
        m_display.distvalue.setText(distanceText(k));
    if (num(FindValue(QStringLiteral("切换"), QStringLiteral("海拔"), s)) != 0)
        m_display.Label_NOTE.setText(FindValue(QStringLiteral("切换"), QStringLiteral(",海拔"), s).trimmed());
}

void StatusParser::compassReport(const QString &s)
{
    if (!has(s, QStringLiteral("执行")))
        return;
    ControllerStatus &st = m_state.status;
    reloadScanCountdown();
    st.HeadingArrow.clear();
    if (has(s, QStringLiteral("罗盘"))) {
        reloadScanCountdown();
        const double v = num(after(s, QStringLiteral("罗盘"), 10));
        const QString degrees = floorText(num(FindValue(QStringLiteral("罗盘"), QStringLiteral("俯仰"), s)));
        if (v == st.LastCompass) {
            if (st.CompassSameCount < INT16_MAX)
                ++st.CompassSameCount;
            if (m_display.Combo2.text().contains(QStringLiteral("aaa")))
                m_display.Label_NOTE.setText(QStringLiteral("Comp Count:") + QString::number(st.CompassSameCount)
                                             + QLatin1Char(' ') + degrees + QStringLiteral("度"));
        } else {
            st.CompassSameCount = 0;
        }
        st.LastCompass = v;
        m_display.navAngle.setText(degrees + QStringLiteral("度"));
    }
    if (has(s, QStringLiteral("距离")) && st.GnssValid) {
        const double k = num(after(s, QStringLiteral("距离"), 10));
        m_display.distvalue.setText(distanceText(k));
        st.DistanceKm = k;
    }
}

} // namespace korvane
