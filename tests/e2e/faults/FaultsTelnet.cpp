// The radio's telnet service gone from its usual port: the station searches
// the other telnet port and asks for the service over SSH. The ports are
// fixed (9754 and 23), so this suite runs alone and needs root for port 23.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

#include <QFile>
#include <QTcpServer>

#include <unistd.h>

using namespace korvane::test;

namespace {

constexpr quint16 kUsualPort = 9754;
constexpr quint16 kTelnetPort = 23;

bool portFree(quint16 port)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, port);
}

class FaultsTelnet : public FaultSuite {
protected:
    static void SetUpTestSuite()
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to listen on 127.0.0.1:23";
        if (!portFree(kUsualPort) || !portFree(kTelnetPort))
            GTEST_SKIP() << "127.0.0.1:9754 or 127.0.0.1:23 is in use";
        FaultStation::Options options;
        options.serial = false;
        options.radioPort = kUsualPort;
        options.radioPortInAddress = false;
        startStation(options);
    }
};

TEST_F(FaultsTelnet, ServiceOffOnItsUsualPort)
{
    ASSERT_TRUE(f().restartRadio(kTelnetPort));
    EXPECT_TRUE(f().waitForOutput(since, QStringLiteral("Label_NOTE.text=搜索设备中......"), linkBackMs()));
    EXPECT_TRUE(f().radioLoggedIn(since, 2 * linkBackMs())) << "logged in on port 23";
    EXPECT_TRUE(rowLog().contains("已尝试通过SSH开启telnet服务")) << "the SSH start is logged";
    EXPECT_TRUE(waitUntil(
        [&] {
            QFile settings(f().settingsPath());
            return settings.open(QIODevice::ReadOnly) && settings.readAll().contains("DEVICE_WIRESS_PORT=23");
        },
        linkBackMs()))
        << "the port that worked is kept for the next start";
}

} // namespace
