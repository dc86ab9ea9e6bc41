#include "radio/PingWatchdog.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "model/ControllerStatus.h"
#include "platform/Ping.h"
#include "platform/TcpLink.h"
#include "radio/JsonConsoleReply.h"
#include "model/RadioSessionState.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <QScopeGuard>

#include <algorithm>

namespace korvane {

PingWatchdog::PingWatchdog(Parts parts, EventLine eventLine)
    : pinger([scope = &parts.scope](const QString &address) { return PingOnce(scope, address); }),
      wait(delayIn(&parts.scope)),
      m_parts(parts),
      m_eventLine(std::move(eventLine))
{
}

void PingWatchdog::GET_SIGN_Timer()
{
    const QString address = m_parts.display.Text3.text();
    if (m_running || address.isEmpty() || m_parts.socket.State() != TcpLink::Connected)
        return;
    m_running = true;
    launch(tick(address), "ping");
}

Task<> PingWatchdog::tick(QString address)
{
    const auto done = qScopeGuard([this] { m_running = false; });
    const int rtt = co_await pinger(address);
    if (m_parts.scope.ended())
        co_return;
    if (rtt >= 0) {
        record(rtt);
        m_parts.display.pingFeed.reading();
    }
    const RadioSessionState &radio = m_parts.radio;
    if (radio.pingCount < 1) {
        m_parts.display.radioLamp.setToolTip(QStringLiteral("无有效ping数据"));
        co_return;
    }
    const double mean = static_cast<double>(radio.pingSum) / radio.pingCount;
    showMean(mean);
    co_await rebootRule(mean);
}

void PingWatchdog::record(std::int32_t rtt)
{
    RadioSessionState &radio = m_parts.radio;
    if (radio.pingCount < kWindowSize) {
        radio.pingWindow[static_cast<std::size_t>(radio.pingCount)] = rtt;
        ++radio.pingCount;
    } else {
        radio.pingSum -= radio.pingWindow.front();
        std::shift_left(radio.pingWindow.begin(), radio.pingWindow.end(), 1);
        radio.pingWindow.back() = rtt;
    }
    // A 0 ms answer counts as half a millisecond, rounded half to even: the
    // sum moves only when it is odd.
    const double addend = rtt == 0 ? 0.5 : static_cast<double>(rtt);
    radio.pingSum = toInt32(radio.pingSum + addend).value_or(radio.pingSum);
}

void PingWatchdog::showMean(double mean)
{
    const QString head = QStringLiteral("最近") + QString::number(m_parts.radio.pingCount)
                         + QStringLiteral("次ping平均延迟: ");
    m_parts.display.radioLamp.setToolTip(mean >= 1.0 ? head + formatFixed(mean, 2) + QStringLiteral(" ms")
                                                     : head + QStringLiteral("<1 ms"));
}

Task<> PingWatchdog::rebootRule(double mean)
{
    RadioSessionState &radio = m_parts.radio;
    if (!(mean > kRebootMeanMs) || m_parts.rebootSwitch != 1 || radio.pingCount != kWindowSize
        || m_parts.socket.State() != TcpLink::Connected) {
        m_highLatencyReported = false;
        co_return;
    }
    if (!hasConsole(radio.RadioFamily)) {
        reportHighLatency(mean);
        co_return;
    }
    m_parts.display.Label_NOTE.setText(QStringLiteral("微波ping 100包延迟异常") + shortestDecimal(mean)
                                       + QStringLiteral("毫秒，自动执行微波重启动作..."));
    const QString line = m_eventLine(m_parts.display.Label_NOTE.text());
    co_await sendRebootTwice();
    radio.pingWindow.fill(0);
    radio.pingCount = 1;
    radio.pingSum = 1;
    m_parts.log.append(line);
}

bool PingWatchdog::hasConsole(std::int16_t family)
{
    switch (family) {
    case RadioFamilyAirOs:
    case RadioFamilyAirFiber:
    case RadioFamilyIwconfig:
    case RadioFamilyJsonConsole:
        return true;
    default:
        return false; // not known yet, or a 5G CPE
    }
}

// Nothing can be rebooted: the window stays whole, so the mean stays true,
// and the operator is told once while the latency stays high.
void PingWatchdog::reportHighLatency(double mean)
{
    if (m_highLatencyReported)
        return;
    m_highLatencyReported = true;
    m_parts.display.Label_NOTE.setText(QStringLiteral("微波ping 100包延迟异常") + shortestDecimal(mean)
                                       + QStringLiteral("毫秒，设备不支持自动重启，请检查微波链路！"));
    m_parts.log.append(m_eventLine(m_parts.display.Label_NOTE.text()));
}

Task<> PingWatchdog::sendRebootTwice()
{
    const std::int16_t family = m_parts.radio.RadioFamily;
    const auto command = [&] {
        return family == RadioFamilyJsonConsole ? jsonRebootCommand(m_parts.status.RadioKey)
                                                : QStringLiteral("reboot\r\n");
    };
    m_parts.socket.SendData(command());
    const bool done = co_await wait(kRebootWaitSeconds);
    if (!done)
        co_return;
    // The session key may have been renewed during the wait.
    m_parts.socket.SendData(command());
}

} // namespace korvane
