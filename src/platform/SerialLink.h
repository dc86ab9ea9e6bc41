#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace korvane {

// One serial port as the system lists it.
struct SerialPortDescription {
    QString portName;       // "COM5" on Windows, "ttyUSB0" on Linux
    QString systemLocation; // "\\.\COM5", "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    bool hasIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
};

// Where the serial ports come from: the system, or a test's list.
class SerialPortLister {
public:
    virtual ~SerialPortLister() = default;
    // Every serial port; empty with `error` set when the listing itself failed.
    virtual std::optional<QList<SerialPortDescription>> ports(QString &error) const = 0;
};

// The ports the operating system reports, through QSerialPortInfo.
class SystemSerialPorts final : public SerialPortLister {
public:
    std::optional<QList<SerialPortDescription>> ports(QString &error) const override;
};

// The USB serial adapter the AIS receivers come with: the CH340 chip,
// recognised by its USB id 1a86:7523 or by "CH340" in its description.
bool isCh340(const SerialPortDescription &port);

// The names of the first `limit` CH340 adapters, in listing order.
QStringList ch340PortNames(const QList<SerialPortDescription> &ports, int limit = 3);

// A path rather than a port name ("/dev/pts/3", "\\.\COM12"): opened as
// it is, whatever discovery found.
bool isDevicePath(const QString &name);

// A port that can be opened here: one the system lists, by name or
// location, or a device that exists ("/dev/pts/3", "ttyUSB0" for
// /dev/ttyUSB0). "COM3" exists on Windows only.
bool serialPortExists(const QString &name);

// A serial port at 38400 baud, 8 data bits, no parity, one stop bit, no
// flow control. Names are port names or device paths. Operations on a
// closed port do nothing; a port that fails (the adapter pulled out, the
// pseudo-terminal closed) is closed and reported once through `lost`, then
// opened again by its name once it is back (tried every second), so a
// station at an unattended site gets its receiver back after a cable glitch.
class SerialLink : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 kBaudRate = 38400;

    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // Closes any open port, then opens `name`. False (closed) on failure,
    // with the reason in lastError().
    bool open(const QString &name);
    void close();
    bool isOpen() const { return m_port.isOpen(); }
    // The name last opened or tried.
    const QString &portName() const { return m_name; }
    const QString &lastError() const { return m_lastError; }

    // Everything waiting in the receive buffer.
    QByteArray readAll();
    qint64 bytesAvailable() const { return m_port.bytesAvailable(); }

Q_SIGNALS:
    // Characters arrived (the receive event).
    void dataReceived();
    void lost(const QString &reason);
    // The lost port was opened again.
    void restored();

private:
    void onError(QSerialPort::SerialPortError error);
    bool openAndConfigure();
    void retryLostPort();

    QSerialPort m_port;
    QTimer m_retry;
    QString m_name;
    QString m_lastError;
};

} // namespace korvane
