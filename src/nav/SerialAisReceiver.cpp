#include "nav/SerialAisReceiver.h"

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
#include "platform/Clock.h"
#include "platform/SerialLink.h"
#include "text/Formats.h"

namespace korvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool headingUsable(qint16 heading)
{
    return heading > 0 && heading < AisFix::kHeadingNotSent;
}

} // namespace

SerialAisReceiver::SerialAisReceiver(Parts parts)
    : m_parts(parts)
{
}

void SerialAisReceiver::FindComPorts(const SerialPortLister &lister)
{
    Display &d = m_parts.display;
    m_parts.ais.detectedPorts.fill(QString());
    QString error;
    const auto ports = lister.ports(error);
    if (!ports) {
        d.Label_NOTE.setText(QStringLiteral("无法连接到WMI服务: ") + error);
        return;
    }
    if (ports->isEmpty()) {
        d.Label_NOTE.setText(QStringLiteral("未找到任何串口设备"));
        return;
    }
    const QStringList names = ch340PortNames(*ports, static_cast<int>(m_parts.ais.detectedPorts.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        m_parts.ais.detectedPorts[static_cast<size_t>(i)] = names[i];
        d.Combo2.addItem(names[i]);
        d.aisPorts.addItem(names[i]);
    }
}

bool SerialAisReceiver::isDiscoveredPort(const QString &text) const
{
    if (text.isEmpty())
        return false;
    for (const QString &port : m_parts.ais.detectedPorts) {
        if (port == text)
            return true;
    }
    return false;
}

void SerialAisReceiver::openAtStart(const QString &configured)
{
    if (configured.isEmpty())
        return;
    if (!isDiscoveredPort(configured) && !isDevicePath(configured))
        return; // not among the adapters found: stays closed, silently
    m_parts.ais.selectedPort = configured;
    openPort(configured);
}

void SerialAisReceiver::reopen(const QString &name, std::optional<std::int16_t> number)
{
    m_parts.port.close();
    if (isDiscoveredPort(name))
        m_portInUse = name;
    else if (number)
        m_portInUse = QStringLiteral("COM") + QString::number(*number);
    // Otherwise the port in use before is opened again.
    if (!m_portInUse.isEmpty())
        openPort(m_portInUse);
}

void SerialAisReceiver::openPort(const QString &name)
{
    m_portInUse = name;
    // The framer's partial sentence belongs to the port that is closing.
    m_framer = NmeaLineFramer();
    if (!m_parts.port.isOpen())
        m_parts.port.open(name); // a port that cannot be opened stays closed, silently
}

void SerialAisReceiver::MSComm1_OnComm()
{
    receive(m_parts.port.readAll());
}

void SerialAisReceiver::receive(QByteArrayView bytes)
{
    // Every complete sentence on its own: a read may hold several, or the
    // end of one and the start of the next.
    for (const QString &sentence : m_framer.feed(bytes))
        handleSentence(sentence);
}

QString SerialAisReceiver::fixPieces(const AisFix &fix) const
{
    QString pieces;
    if (headingUsable(fix.heading))
        pieces += QStringLiteral(" 艏向:") + QString::number(fix.heading);
    if (fix.longitude > AisFix::kNoCoordinate)
        pieces += QStringLiteral(" 经度:") + formatFixed(fix.longitude, 6);
    if (fix.latitude > AisFix::kNoCoordinate)
        pieces += QStringLiteral(" 纬度:") + formatFixed(fix.latitude, 6);
    return pieces;
}

void SerialAisReceiver::handleSentence(const QString &s)
{
    if (!s.contains(QLatin1String("AIVDM,")) || !m_parts.ais.aisDrive)
        return;
    if (!NmeaChecksumValid(s)) {
        // A corrupted report could carry a wrong heading: never drive on it.
        ++m_corrupt;
        m_parts.display.aisPorts.setToolTip(QStringLiteral("已丢弃校验错误的AIS语句：%1条").arg(m_corrupt));
        return;
    }
    Display &d = m_parts.display;
    const bool monitor = d.Combo2.text() == QLatin1String("ais") || d.Combo2.text() == QLatin1String("AIS");
    if (monitor)
        d.Text2.append(s + kCrLf);
    const AisFix fix = DecodeAIS(s);
    const QString line = QStringLiteral("串口AIS：船舶MMSI:") + QString::number(fix.mmsi) + fixPieces(fix) + kCrLf;
    if (monitor)
        d.Text2.append(line);
    if (QString::number(fix.mmsi) != m_parts.ais.targetMmsi || !headingUsable(fix.heading))
        return;
    drive(s, fix, line);
}

void SerialAisReceiver::drive(const QString &s, const AisFix &fix, const QString &line)
{
    AisState &ais = m_parts.ais;
    ControllerStatus &st = m_parts.status;
    ais.aisHeading = fix.heading;
    const auto bearing = CalculateBearing(st.OwnLatitude, st.OwnLongitude, st.ShipTarget.latitude,
                                          st.ShipTarget.longitude);
    // A fix that comes during the survey is not kept for later: the next
    // one after it drives.
    const bool send = bearing && m_parts.controller.isConnected() && !m_parts.optimisation.surveyRunning()
                      && positionsUsable(st.OwnLatitude, st.OwnLongitude, st.ShipTarget.latitude,
                                         st.ShipTarget.longitude);
    if (send) {
        const QString command = driveCommand(relativeAngle(ais.aisHeading, *bearing, ais.headingCorrection));
        m_parts.controller.send(command + kCrLf);
        st.DriveCommand = command;
        st.DriveConfirmed = false;
        m_parts.optimisation.restartCountdowns();
    }
    m_parts.headingSaver.save(ais.aisHeading);
    if (!send)
        return;

    Display &d = m_parts.display;
    d.Text2.append(s + kCrLf);
    d.Text2.append(line);
    const QString pieces = fixPieces(fix);
    d.Label_NOTE.setText(QStringLiteral("接收到本地串口AI驱动数据：船舶MMSI:") + QString::number(fix.mmsi) + pieces);
    m_parts.log.append(QStringLiteral("本地串口AIS原始数据：") + dateTimeText(m_parts.clock.now()) + QStringLiteral("  ")
                       + s);
    m_parts.log.append(QStringLiteral("船舶MMSI:") + QString::number(fix.mmsi) + pieces + kCrLf);
    d.Label4.setText(QStringLiteral("超级终端（日志）"));
}

} // namespace korvane
