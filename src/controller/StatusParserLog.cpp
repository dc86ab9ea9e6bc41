// The later status steps: text repairs, replies, the terminal and the log.
#include "controller/StatusParser.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "controller/StatusText.h"
#include "model/AisState.h"
#include "platform/Clock.h"
#include "model/RadioSessionState.h"
#include "text/FindValue.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <cmath>

namespace korvane {

using namespace statustext;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr qsizetype kMaxPendingFragment = 499;

QString floorText(double v)
{
    return shortestDecimal(std::floor(v));
}

} // namespace

void StatusParser::duplicatePrefixRepair(QString &s)
{
    if (!has(s, QStringLiteral(":g")) || s.size() < 8)
        return;
    if (s.mid(17, 8) == s.left(8)) {
        const QString prefix = s.left(16);
        s.remove(prefix);
    }
}

void StatusParser::headingAndSpeed(const QString &s)
{
    const double h = numberOfText(FindValue(QStringLiteral("航向"), QStringLiteral("航速"), s));
    if (h == 0)
        return;
    m_display.boardFeed.reading();
    ControllerStatus &st = m_state.status;
    const double speed = numberOfText(FindValue(QStringLiteral("航速"), QStringLiteral("俯仰"), s));
    m_display.navAngle.setText(floorText(h) + QStringLiteral("度航速") + floorText(speed / 1.852)
                               + QStringLiteral("节"));
    st.Heading = roundHalfAwayFromZero(numberOfText(after(s, QStringLiteral("航向"), 10)), 1);
    st.Speed = roundHalfAwayFromZero(numberOfText(after(s, QStringLiteral("航速"), 10)), 1);
    st.headingRead = true;
    if (has(s, QStringLiteral("俯仰"))) {
        // The arrow is worked out for the radio line and then withdrawn:
        // the operator sees the heading in navAngle instead.
        st.HeadingArrow = headingArrow(h);
        st.HeadingArrow.clear();
    }
}

void StatusParser::compassRebasing(const QString &s)
{
    if (!(has(s, QStringLiteral("为基准")) || has(s, QStringLiteral("执行初始罗盘"))) || !m_link.isConnected())
        return;
    // While a ship drive waits for its echo the board must not re-base.
    if (!m_state.ais.aisDrive || m_state.status.DriveConfirmed)
        sendLine(QStringLiteral("o"));
}

void StatusParser::radioKey(const QString &s)
{
    if (!has(s, QStringLiteral("secretkey")) || !m_link.isConnected() || s.size() < 46)
        return;
    if (s.mid(43, s.size() - 46) != m_display.Text3.text().trimmed())
        return;
    m_state.status.RadioKey = s.mid(10, 32);
    m_state.radio.keyReady = true;
    m_state.radio.keyRetryCount = 0;
}

QString StatusParser::positionLogLine(const QString &s) const
{
    const ControllerStatus &st = m_state.status;
    if (FindValue(QStringLiteral("网"), QStringLiteral("命令"), s).isEmpty() || st.ReportedLatitude == 0)
        return {};
    const QString position = formatSparse7(st.ReportedLatitude).trimmed() + QLatin1Char(',')
                             + formatSparse7(st.ReportedLongitude).trimmed();
    if (st.GnssValid)
        return QStringLiteral("坐标：") + position + QLatin1Char(' ') + kCrLf;
    return dateTimeText(m_clock.now()) + QStringLiteral("坐标：") + position + QStringLiteral(" 航向")
           + floorText(st.Heading) + QStringLiteral(" 航速") + floorText(st.Speed / 1.852) + QStringLiteral("节")
           + kCrLf;
}

// Execution reports that TCP split are joined before they reach the log.
void StatusParser::reassemble(QString &s)
{
    QString &pending = m_state.status.PendingFragment;
    const bool exec = has(s, QStringLiteral("执行"));
    const bool target = has(s, QStringLiteral("目标"));
    const bool pitch = has(s, QStringLiteral("俯仰"));
    if (pending.isEmpty() && exec && s.size() <= 19 && !target) {
        pending = s;
        s.clear();
    } else if (!pending.isEmpty() && target && pitch && s.size() <= 499) {
        s = pending + s;
        pending.clear();
    } else if (!pending.isEmpty() && target && !pitch && s.size() <= 49) {
        // A board that never sends the end of a report must not make the
        // held text grow without bound: past one report's worth it is
        // logged as it stands.
        if (pending.size() + s.size() > kMaxPendingFragment) {
            s = pending + s;
            pending.clear();
        } else {
            pending += s;
            s.clear();
        }
    } else if (pending.isEmpty() && exec && target && !pitch && s.size() <= 49) {
        pending = s;
        s.clear();
    } else if (!pending.isEmpty() && pitch && !target && s.size() <= 19) {
        s = pending + s;
        pending.clear();
    }
}

void StatusParser::radioFiguresForLog(QString &s)
{
    if (has(s, QStringLiteral("角度超出设备范围")) && has(s, QStringLiteral("俯仰\r\n")))
        s.remove(QStringLiteral("俯仰\r\n"));
    if (!has(s, QStringLiteral("执行")))
        return;
    QString q;
    const QString throughput = m_display.lanByte.text().trimmed();
    if (!throughput.isEmpty())
        q = QStringLiteral(" 实时吞吐量") + throughput;
    const QString noise = m_display.Text_Level.toolTip();
    if (has(s, QStringLiteral("信号"))) {
        s = QString(s).remove(kCrLf) + QStringLiteral(" 噪声") + noise + QStringLiteral(" 带宽")
            + m_display.Text15.text() + q;
    } else if (has(s, QStringLiteral("俯仰"))) {
        s = QString(s).remove(kCrLf) + QStringLiteral("  信号") + m_display.Text1.text() + QStringLiteral(" 噪声")
            + noise + QStringLiteral(" 带宽") + m_display.Text15.text() + q;
    }
}

void StatusParser::writeLog(const QString &s, const QString &positionLine)
{
    if (s.size() < 5)
        return;
    ControllerStatus &st = m_state.status;
    if (!st.linkHeaderWritten) {
        m_log.append(QStringLiteral("======  ") + dateTimeText(m_clock.now()) + QStringLiteral("  ")
                     + m_display.Text4.text() + QStringLiteral("  ") + m_display.Text10.text()
                     + QStringLiteral("  ====== 微波设备：IP ") + m_display.Text3.text() + QStringLiteral("  信号")
                     + m_display.Text1.text() + QStringLiteral(" 带宽") + m_display.Text15.text()
                     + QStringLiteral(" 收发数据") + m_display.lanByte.text().trimmed() + QStringLiteral(" 设备")
                     + m_display.Ship.text());
        st.linkHeaderWritten = true;
    }
    m_log.append(positionLine);
    m_log.append(s);
    m_display.Label4.setText(QStringLiteral("超级终端（日志）"));
}

} // namespace korvane
