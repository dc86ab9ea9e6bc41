#include "platform/SerialLink.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace korvane {

namespace {

constexpr quint16 kCh340Vendor = 0x1a86;
constexpr quint16 kCh340Product = 0x7523;
constexpr int kRetryMs = 1000;

} // namespace

std::optional<QList<SerialPortDescription>> SystemSerialPorts::ports(QString &error) const
{
#if defined(Q_OS_LINUX)
    // Without sysfs no port can be listed at all: that is a failed listing,
    // not a machine without ports.
    if (!QDir(QStringLiteral("/sys/class/tty")).exists()) {
        error = QStringLiteral("/sys/class/tty is not readable");
        return std::nullopt;
    }
#else
    Q_UNUSED(error);
#endif
    QList<SerialPortDescription> list;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialPortDescription port;
        port.portName = info.portName();
        port.systemLocation = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.hasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        port.vendorId = info.vendorIdentifier();
        port.productId = info.productIdentifier();
        list.append(port);
    }
    return list;
}

bool isCh340(const SerialPortDescription &port)
{
    if (port.hasIds && port.vendorId == kCh340Vendor && port.productId == kCh340Product)
        return true;
    return port.description.contains(QLatin1String("CH340"));
}

QStringList ch340PortNames(const QList<SerialPortDescription> &ports, int limit)
{
    QStringList names;
    for (const SerialPortDescription &port : ports) {
        if (names.size() >= limit)
            break;
        if (isCh340(port) && !port.portName.isEmpty())
            names.append(port.portName);
    }
    return names;
}

bool isDevicePath(const QString &name)
{
    return name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("\\\\.\\"));
}

bool serialPortExists(const QString &name)
{
    if (name.isEmpty())
        return false;
    if (isDevicePath(name))
        return QFileInfo::exists(name);
    if (!QSerialPortInfo(name).isNull())
        return true;
#if defined(Q_OS_UNIX)
    return !name.contains(QLatin1Char('/')) && QFileInfo::exists(QStringLiteral("/dev/") + name);
#else
    return false;
#endif
}

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::dataReceived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::onError);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &SerialLink::retryLostPort);
}

SerialLink::~SerialLink()
{
    // No signal may reach the station while it is being taken apart.
    m_port.disconnect(this);
}

bool SerialLink::open(const QString &name)
{
    close();
    m_name = name;
    return openAndConfigure();
}

bool SerialLink::openAndConfigure()
{
    m_lastError.clear();
    m_port.setPortName(m_name);
    if (!m_port.open(QIODevice::ReadOnly)) {
        m_lastError = m_port.errorString();
        return false;
    }
    const bool configured = m_port.setBaudRate(kBaudRate) && m_port.setDataBits(QSerialPort::Data8)
                            && m_port.setParity(QSerialPort::NoParity)
                            && m_port.setStopBits(QSerialPort::OneStop)
                            && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_lastError = m_port.errorString();
        m_port.close();
        return false;
    }
    return true;
}

void SerialLink::close()
{
    m_retry.stop();
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

QByteArray SerialLink::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void SerialLink::onError(QSerialPort::SerialPortError error)
{
    // A device that went away reads as a resource error (a USB adapter
    // pulled out) or as a read that finds the line hung up (a closed
    // pseudo-terminal, which would otherwise signal again at once, forever).
    // A refused open or setting is answered by open(); a time-out is no fault.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!m_port.isOpen())
        return;
    m_lastError = m_port.errorString();
    m_port.close();
    m_retry.start();
    Q_EMIT lost(m_lastError);
}

void SerialLink::retryLostPort()
{
    if (m_port.isOpen()) {
        m_retry.stop();
    } else if (openAndConfigure()) {
        m_retry.stop();
        Q_EMIT restored();
    } else {
        m_port.clearError();
    }
}

} // namespace korvane
