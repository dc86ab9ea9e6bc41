// The serial port on a pseudo-terminal, and the discovery of the USB
// adapters the AIS receivers come with.
#include "platform/PtyPair.h"
#include "platform/SerialLink.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

SerialPortDescription port(const char *name, const char *description, quint16 vid = 0, quint16 pid = 0)
{
    SerialPortDescription p;
    p.portName = QString::fromLatin1(name);
    p.description = QString::fromLatin1(description);
    p.hasIds = vid != 0 || pid != 0;
    p.vendorId = vid;
    p.productId = pid;
    return p;
}

TEST(SerialDiscovery, KeepsTheFirstThreeCh340AdaptersInOrder)
{
    struct Case {
        const char *name;
        QList<SerialPortDescription> ports;
        QStringList expected;
    };
    const Case cases[] = {
        {"by description and by id, others ignored",
         {port("COM5", "USB-SERIAL CH340"), port("COM1", "Communications Port"), port("ttyUSB1", "USB Serial", 0x1a86, 0x7523)},
         {"COM5", "ttyUSB1"}},
        {"a fourth adapter is dropped",
         {port("ttyUSB0", "CH340"), port("ttyUSB1", "CH340"), port("ttyUSB2", "CH340"), port("ttyUSB3", "CH340")},
         {"ttyUSB0", "ttyUSB1", "ttyUSB2"}},
        {"same vendor, other chip", {port("ttyUSB0", "USB2.0-Serial", 0x1a86, 0x5523)}, {}},
        {"description is case-sensitive", {port("COM3", "usb-serial ch340")}, {}},
        {"nothing listed", {}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ch340PortNames(c.ports), c.expected) << c.name;
}

TEST(SerialDiscovery, PathsAreTellingApartFromNames)
{
    EXPECT_TRUE(isDevicePath(QStringLiteral("/dev/pts/3")));
    EXPECT_TRUE(isDevicePath(QStringLiteral("/tmp/ais-station")));
    EXPECT_TRUE(isDevicePath(QStringLiteral("\\\\.\\COM12")));
    EXPECT_FALSE(isDevicePath(QStringLiteral("COM5")));
    EXPECT_FALSE(isDevicePath(QStringLiteral("ttyUSB0")));
    EXPECT_FALSE(isDevicePath(QString()));
}

TEST(SerialDiscovery, TheSystemListingWorksHere)
{
    QString error;
    const auto ports = SystemSerialPorts().ports(error);
    EXPECT_TRUE(ports.has_value()) << qPrintable(error);
}

TEST(SerialLink, ReceivesWhatThePseudoTerminalIsGiven)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    SerialLink link;
    ASSERT_TRUE(link.open(pty.device())) << qPrintable(link.lastError());
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.portName(), pty.device());

    QByteArray received;
    QObject::connect(&link, &SerialLink::dataReceived, [&] { received += link.readAll(); });
    static const char raw[] = "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q39p0000,0*0E\r\n\x00\xff";
    const QByteArray bytes(raw, sizeof raw - 1);
    ASSERT_TRUE(pty.write(bytes));
    ASSERT_TRUE(waitUntil([&] { return received.size() >= bytes.size(); }, 5000));
    EXPECT_EQ(received, bytes) << "raw: no line-end translation, every byte kept";
}

TEST(SerialLink, APortThatGoesAwayIsClosedAndReportedOnce)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    SerialLink link;
    ASSERT_TRUE(link.open(pty.device()));
    int lost = 0;
    QObject::connect(&link, &SerialLink::lost, [&] { ++lost; });
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return lost > 0; }, 5000));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.readAll(), QByteArray());
    // Nothing more comes of it.
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(lost, 1);
}

TEST(SerialLink, APortThatComesBackIsOpenedAgainByItsName)
{
    // A name that outlives its device, as /dev/ttyUSB0 does when the
    // adapter is plugged in again.
    QTemporaryDir dir;
    const QString name = QDir(dir.path()).filePath(QStringLiteral("ais"));
    PtyPair first;
    ASSERT_TRUE(first.valid() && QFile::link(first.device(), name));
    SerialLink link;
    ASSERT_TRUE(link.open(name));
    int lost = 0;
    QObject::connect(&link, &SerialLink::lost, [&] { ++lost; });
    first.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return lost > 0; }, 5000));
    PtyPair second;
    ASSERT_TRUE(second.valid() && QFile::remove(name) && QFile::link(second.device(), name));
    ASSERT_TRUE(waitUntil([&] { return link.isOpen(); }, 5000));
    QByteArray received;
    QObject::connect(&link, &SerialLink::dataReceived, [&] { received += link.readAll(); });
    ASSERT_TRUE(second.write("back\r\n"));
    EXPECT_TRUE(waitUntil([&] { return received == "back\r\n"; }, 5000));
    EXPECT_EQ(lost, 1);
}

TEST(SerialLink, AMissingDeviceStaysClosedAndAReopenMovesOn)
{
    SerialLink link;
    EXPECT_FALSE(link.open(QStringLiteral("/dev/korvane-no-such-port")));
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.lastError().isEmpty());

    PtyPair first, second;
    ASSERT_TRUE(first.valid() && second.valid());
    ASSERT_TRUE(link.open(first.device()));
    ASSERT_TRUE(link.open(second.device()));
    EXPECT_EQ(link.portName(), second.device());
    QByteArray received;
    QObject::connect(&link, &SerialLink::dataReceived, [&] { received += link.readAll(); });
    first.write("old\r\n");
    second.write("new\r\n");
    ASSERT_TRUE(waitUntil([&] { return received.contains("new\r\n"); }, 5000));
    EXPECT_EQ(received, QByteArray("new\r\n")) << "the first port is closed";
    link.close();
    EXPECT_FALSE(link.isOpen());
}

} // namespace
