#include "radio/LinkSupervisor.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "model/SettingKeys.h"
#include "link/ControllerLink.h"
#include "text/HostPort.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/TcpLink.h"
#include "model/RadioSessionState.h"
#include "text/Formats.h"

namespace korvane {

namespace {

Rgb lampColour(int state)
{
    switch (state) {
    case TcpLink::Connecting:
        return colours::Yellow;
    case TcpLink::Connected:
        return colours::Green;
    case TcpLink::Error:
        return colours::Red;
    default:
        return colours::Black;
    }
}

} // namespace

LinkSupervisor::LinkSupervisor(Parts parts)
    : m_parts(parts)
{
}

void LinkSupervisor::supervise()
{
    // A 5G CPE has no telnet session: its lamp follows the CPE readings and
    // there is no port to search.
    if (m_parts.radio.RadioFamily != RadioFamilyCpe)
        radioSteps();
    m_parts.display.Label6.setColour(lampColour(m_parts.controllerSocket.State()));
}

void LinkSupervisor::radioSteps()
{
    const int state = m_parts.radioSocket.State();
    m_parts.display.radioLamp.setColour(lampColour(state));
    if (state == TcpLink::Connected)
        rememberRadioPort();
    else if (state == TcpLink::Error)
        radioFailed();
    if (m_parts.radioSocket.State() != TcpLink::Connected)
        m_parts.radio.loggedIn = false;
}

void LinkSupervisor::rememberRadioPort()
{
    if (m_keepStoredPort)
        return;
    // Every tick would rewrite the same value; only a change reaches the disk.
    const QString port = QString::number(m_parts.radioSocket.RemotePort);
    if (m_parts.settings.read(keys::DEVICE_WIRESS_PORT) != port)
        m_parts.settings.write(keys::DEVICE_WIRESS_PORT, port);
}

void LinkSupervisor::radioFailed()
{
    TcpLink &radio = m_parts.radioSocket;
    radio.Close();
    QString host;
    std::int32_t port = 0;
    if (SplitAndValidateHostPort(m_parts.display.Text3.text(), host, port))
        return; // the operator chose the port
    const bool fromTelnetService = radio.RemotePort == ControllerLink::kDefaultRadioPort;
    radio.RemotePort = fromTelnetService ? kTelnetPort : ControllerLink::kDefaultRadioPort;
    m_parts.display.Label_NOTE.setText(QStringLiteral("搜索设备中......"));
    if (fromTelnetService)
        enableTelnetOverSsh();
}

void LinkSupervisor::enableTelnetOverSsh()
{
    // Only a client that really started is worth a line; its outcome shows
    // only as telnet answering on the next connect.
    if (!ssh.startRemoteCommand(m_parts.display.Text3.text(), m_parts.display.Text14.text(),
                                m_parts.display.Text7.text(), QStringLiteral("telnetd")))
        return;
    const QString note = QStringLiteral("已尝试通过SSH开启telnet服务，稍后会重试连接...\r\n");
    m_parts.log.append(dateTimeText(m_parts.clock.now()) + note);
}

} // namespace korvane
