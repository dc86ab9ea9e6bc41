#include "radio/RadioPoller.h"

#include "model/Display.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "platform/Clock.h"
#include "platform/TcpLink.h"
#include "radio/JsonConsoleReply.h"
#include "model/RadioSessionState.h"
#include "text/Formats.h"

namespace korvane {

namespace {

const QString kStatusCommand = QStringLiteral("mca-status\r\n");
const QString kIwconfigCommand =
    QStringLiteral("iwconfig ath0 && ifconfig wifi0 |grep bytes && echo 'DeviceName' && cat /etc/mdns.conf\r\n");
const QString kCompassNotice = QStringLiteral("电子罗盘数据一直无变化(100次)，重启动动中通单片机......");

} // namespace

RadioPoller::RadioPoller(Parts parts)
    : m_parts(parts),
      m_cpe({parts.display, parts.log, parts.clock, parts.radio, parts.stats, parts.http, parts.startCaption,
             parts.scope})
{
}

void RadioPoller::Timer2_Timer()
{
    if (m_ticking)
        return;
    m_ticking = true;
    launch(tick(), "radio poll");
}

Task<> RadioPoller::tick()
{
    const bool cpeRead = co_await cpeTick();
    if (!cpeRead && !m_parts.scope.ended()) {
        telnetPoll();
        compassWatchdog();
    }
    m_ticking = false;
}

Task<bool> RadioPoller::cpeTick()
{
    co_await m_cpe.identify();
    if (m_parts.scope.ended() || m_parts.display.Text3.text().isEmpty() || m_parts.radio.RadioFamily != RadioFamilyCpe)
        co_return false;
    co_await m_cpe.read();
    co_return true;
}

void RadioPoller::telnetPoll()
{
    TcpLink &socket = m_parts.radioSocket;
    if (socket.State() != TcpLink::Connected || !m_parts.radio.loggedIn)
        return;
    switch (m_parts.radio.RadioFamily) {
    case RadioFamilyAirOs:
    case RadioFamilyAirFiber:
        socket.SendData(kStatusCommand);
        break;
    case RadioFamilyJsonConsole:
        socket.SendData(jsonPollCommand(m_parts.status.RadioKey));
        break;
    case RadioFamilyIwconfig:
        socket.SendData(kIwconfigCommand);
        break;
    default:
        break;
    }
    forwardKey();
}

// The board reaches the JSON-console radio with the radio's session key.
void RadioPoller::forwardKey()
{
    ControllerLink &controller = m_parts.controller;
    if (!controller.isConnected() || !m_parts.radio.keyReady)
        return;
    const QString command = QStringLiteral("se:") + m_parts.status.RadioKey + QLatin1Char('(')
                            + m_parts.display.Text3.text().trimmed() + QLatin1Char(')');
    if (controller.send(command))
        m_parts.radio.keyReady = false;
}

void RadioPoller::compassWatchdog()
{
    ControllerStatus &status = m_parts.status;
    if (status.CompassSameCount <= kCompassSameLimit)
        return;
    if (m_parts.controller.isConnected() && m_parts.compassRebootSwitch == 1) {
        m_parts.controller.send(QStringLiteral("R\r\n"));
        m_parts.display.Label_NOTE.setText(kCompassNotice);
        m_parts.display.Text2.append(QStringLiteral("\r\n") + dateTimeText(m_parts.clock.now()) + kCompassNotice
                                     + QStringLiteral("\r\n"));
    }
    status.CompassSameCount = 0;
}

} // namespace korvane
