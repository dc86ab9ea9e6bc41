#include "link/ControllerLink.h"

#include "model/Display.h"
#include "model/SettingKeys.h"
#include "model/ControllerStatus.h"
#include "text/HostPort.h"
#include "platform/SettingsStore.h"
#include "platform/TcpLink.h"
#include "model/RadioSessionState.h"

namespace korvane {

namespace {

constexpr float kProbeWaitSeconds = 1.0f;
const QString kConnectingNotice = QStringLiteral("天线控制网络连接中...");

bool hasPortOutOfRange(const QString &address)
{
    QString host;
    std::int32_t port = 0;
    return splitHostPort(address, host, port) == HostPortForm::PortOutOfRange;
}

} // namespace

ControllerLink::ControllerLink(Sockets sockets, Display &display, SettingsStore &settings,
                               ControllerStatus &status, RadioSessionState &radio, const Scope &scope)
    : m_sockets(sockets), m_display(display), m_settings(settings), m_status(status), m_radio(radio),
      m_scope(scope)
{
}

bool ControllerLink::send(const QString &command)
{
    return m_sockets.controller.SendData(command);
}

bool ControllerLink::isConnected() const
{
    return m_sockets.controller.State() == TcpLink::Connected;
}

// The box names the peer the socket has: the same text, or the same host
// and port when the box writes a port after the address.
bool ControllerLink::pointsAt(const TcpLink &socket, const QString &address)
{
    QString host;
    std::int32_t port = 0;
    if (SplitAndValidateHostPort(address, host, port))
        return host == socket.RemoteHost && port == socket.RemotePort;
    return address == socket.RemoteHost;
}

void ControllerLink::Command1_Click()
{
    m_portRefused = false;
    radioHalf();
    controllerHalf();
    finalStep();
}

bool ControllerLink::refusePort(const QString &address)
{
    if (!hasPortOutOfRange(address))
        return false;
    // Taken whole, the text would become a host name that never resolves,
    // and be saved as the address to use.
    m_display.Label_NOTE.setText(QStringLiteral("地址中的端口号超出范围（1-65535），未修改连接：") + address);
    m_portRefused = true;
    return true;
}

void ControllerLink::radioHalf()
{
    TcpLink &radio = m_sockets.radio;
    const QString address = m_display.Text3.text();
    if (address.isEmpty())
        return;
    // Unchanged boxes leave a working session alone; after rejected logins
    // the operator may have corrected the password on the radio itself, and
    // the press is the only way to try again.
    const bool loginRejected = m_radio.rejectedLogins > 0 && !m_radio.loggedIn;
    if (pointsAt(radio, address) && m_radio.rememberedPassword == m_display.Text7.text()
        && m_radio.rememberedUser == m_display.Text14.text() && !loginRejected)
        return;
    if (refusePort(address))
        return;
    if (radio.State() != TcpLink::Closed)
        radio.Close();
    m_radio.rememberedPassword = m_display.Text7.text();
    m_radio.rememberedUser = m_display.Text14.text();
    radio.RemoteHost = address;
    m_settings.write(keys::DEVICE_WIRESS_IP, address);
    m_settings.write(keys::DEVICE_WIRESS_PASSWORD, m_display.Text7.text());
    m_settings.write(keys::DEVICE_WIRESS_USER, m_display.Text14.text());
    QString host;
    std::int32_t port = 0;
    if (SplitAndValidateHostPort(address, host, port)) {
        radio.RemoteHost = host;
        radio.RemotePort = port;
    }
    connectRadio();
    m_status.linkHeaderWritten = false;
}

void ControllerLink::controllerHalf()
{
    TcpLink &controller = m_sockets.controller;
    const QString address = m_display.Text4.text();
    if (address.isEmpty() || pointsAt(controller, address) || refusePort(address))
        return;
    if (controller.State() != TcpLink::Closed)
        controller.Close();
    controller.RemoteHost = address;
    controller.RemotePort = kDefaultControllerPort;
    m_settings.write(keys::DEVICE_KORVANE_IP, address);
    m_settings.write(keys::DEVICE_KORVANE_PORT, QString::number(kDefaultControllerPort));
    QString host;
    std::int32_t port = 0;
    if (SplitAndValidateHostPort(address, host, port)) {
        controller.RemoteHost = host;
        controller.RemotePort = port;
        m_settings.write(keys::DEVICE_KORVANE_PORT, QString::number(port));
    }
    controller.Connect();
    m_status.linkHeaderWritten = false;
}

void ControllerLink::finalStep()
{
    if (m_display.Text3.text().isEmpty() || m_display.Text7.text().isEmpty()
        || m_display.Text4.text().isEmpty() || m_display.Text10.text().isEmpty()) {
        if (!m_portRefused) // the refusal says more
            m_display.Label_NOTE.setText(QStringLiteral("请填写参数后连接"));
        return;
    }
    if (m_sockets.radio.State() == TcpLink::Closed)
        connectRadio();
    if (m_sockets.controller.State() == TcpLink::Closed)
        m_sockets.controller.Connect();
    m_status.linkHeaderWritten = false;
}

void ControllerLink::startupConnect(int storedRadioPort, bool autoConnect)
{
    TcpLink &radio = m_sockets.radio;
    TcpLink &controller = m_sockets.controller;
    radio.RemoteHost = m_display.Text3.text();
    if (storedRadioPort > 0)
        radio.RemotePort = storedRadioPort;
    else if (storedRadioPort == 0)
        radio.RemotePort = kDefaultRadioPort;
    controller.RemoteHost = m_display.Text4.text();
    controller.RemotePort = kDefaultControllerPort;
    QString host;
    std::int32_t port = 0;
    if (SplitAndValidateHostPort(m_display.Text3.text(), host, port)) {
        radio.RemoteHost = host;
        radio.RemotePort = port;
    }
    if (SplitAndValidateHostPort(m_display.Text4.text(), host, port)) {
        controller.RemoteHost = host;
        controller.RemotePort = port;
    }
    m_portRefused = false;
    // A stored address with an unusable port is not dialled, neither now
    // nor by the supervision (a port of -1 never connects), until the
    // operator corrects it.
    if (refusePort(m_display.Text3.text()))
        radio.RemotePort = -1;
    if (refusePort(m_display.Text4.text()))
        controller.RemotePort = -1;
    if (autoConnect) {
        connectRadio();
        controller.Connect();
    }
    m_status.linkHeaderWritten = false;
}

Task<> ControllerLink::supervise()
{
    co_await probeRadio();
    co_await probeController();
    if (m_scope.ended())
        co_return;
    const bool autoConnect = m_display.Check1.value() == 1;
    if (autoConnect && m_sockets.radio.State() != TcpLink::Connected
        && isDialableRadioHost(m_sockets.radio.RemoteHost))
        reconnect(m_sockets.radio);
    if (autoConnect && m_sockets.controller.State() != TcpLink::Connected)
        reconnect(m_sockets.controller);
}

Task<std::optional<bool>> ControllerLink::probe(TcpLink &target)
{
    TcpLink &probe = m_sockets.probe;
    if (target.State() != TcpLink::Connected)
        co_return std::nullopt;
    probe.Close();
    probe.RemoteHost = target.RemoteHost;
    probe.RemotePort = target.RemotePort;
    probe.Connect();
    const bool done = co_await Delay(&m_scope, kProbeWaitSeconds);
    if (!done)
        co_return std::nullopt;
    const bool healthy = probe.State() == TcpLink::Connected;
    probe.Close();
    co_return healthy;
}

Task<> ControllerLink::probeRadio()
{
    const std::optional<bool> healthy = co_await probe(m_sockets.radio);
    if (healthy == false) {
        m_display.Label_NOTE.setText(QStringLiteral("微波网络出错或已断开，请检查！"));
        m_sockets.radio.Close(QStringLiteral("探测连接无响应"));
    }
}

Task<> ControllerLink::probeController()
{
    const std::optional<bool> healthy = co_await probe(m_sockets.controller);
    if (!healthy)
        co_return;
    // A healthy probe clears only its own notice: any other stays until it is
    // replaced, or the crew would see it for seven seconds at most.
    if (*healthy) {
        if (m_display.Label_NOTE.text() == kConnectingNotice)
            m_display.Label_NOTE.setText(QString());
    } else {
        m_display.Label_NOTE.setText(kConnectingNotice);
        m_sockets.controller.Close(QStringLiteral("探测连接无响应"));
    }
}

// No radio configured, or a 5G CPE named by its web address: nothing to dial,
// so the socket stays closed (its lamp black) instead of failing over and over.
void ControllerLink::connectRadio()
{
    if (isDialableRadioHost(m_sockets.radio.RemoteHost))
        m_sockets.radio.Connect();
}

void ControllerLink::reconnect(TcpLink &socket)
{
    if (socket.State() != TcpLink::Closed)
        socket.Close();
    socket.Connect();
}

} // namespace korvane
