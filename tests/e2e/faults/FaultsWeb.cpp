// Faults of the two web peers, the cloud server and the ship-position
// service, against the whole station. The cloud's name does not resolve from
// the start; its address is the fallback.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

#include <QFile>

using namespace korvane::test;

namespace {

// A name under the reserved .invalid domain never resolves.
const QString kNoSuchHost = QStringLiteral("nosuch.invalid");
const QString kShipError = QStringLiteral("Label_NOTE.text=发送请求时出错(SHIPAIS)");
const QString kShipShown = QStringLiteral("Text2.append=当前船舶：");

class FaultsWeb : public FaultSuite {
protected:
    static void SetUpTestSuite()
    {
        FaultStation::Options options;
        options.timeScale = 0.05; // a report every three seconds
        options.serial = false;
        options.cloudName = kNoSuchHost;
        startStation(options);
    }

    int reportBackMs() const { return 3 * f().cloudPeriodMs() + 5000; }
    qint64 cloudValue(const char *name) { return f().cloud.statusValue(QString::fromLatin1(name)); }
    qint64 shipValue(const char *name) { return f().ship.statusValue(QString::fromLatin1(name)); }

    // The cloud answers a later report again.
    bool cloudAnswersAgain()
    {
        const qint64 answered = cloudValue("answered");
        return waitUntil([&] { return cloudValue("answered") > answered; }, reportBackMs());
    }

    // A fresh ship report reaches the display again.
    bool shipShownAgain()
    {
        const qsizetype from = f().mark();
        return f().waitForOutput(from, kShipShown, linkBackMs());
    }

    // While `failure` is on, requests fail and nothing the service said is
    // taken for a report.
    void shipFailsWithoutEffect(const QString &failure)
    {
        ASSERT_TRUE(f().ship.controlAcknowledged(QStringLiteral("fail ") + failure));
        const qint64 failed = shipValue("failed");
        ASSERT_TRUE(waitUntil([&] { return shipValue("failed") > failed; }, linkBackMs()));
        const qsizetype from = f().mark();
        ASSERT_TRUE(waitUntil([&] { return shipValue("failed") >= failed + 3; }, 2 * linkBackMs()));
        EXPECT_FALSE(f().printedSince(from, kShipShown));
        ASSERT_TRUE(f().ship.controlAcknowledged(QStringLiteral("fail off")));
        EXPECT_TRUE(shipShownAgain());
    }
};

TEST_F(FaultsWeb, CloudNameDoesNotResolve)
{
    EXPECT_TRUE(f().waitForOutput(0, QStringLiteral("Text2.append=域名解析失败，云平台已自动切换为IP模式。\\r\\n"),
                                  reportBackMs()));
    EXPECT_TRUE(cloudAnswersAgain()) << "reports go to the address instead";
    EXPECT_TRUE(f().logBytes().contains("云平台连接错误")) << "the failure is logged";
    QFile settings(f().settingsPath());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("CLOUD_MODE_IP=1")) << "the switch outlasts the run";
}

TEST_F(FaultsWeb, CloudRefuses)
{
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("refuse on")));
    EXPECT_TRUE(f().waitForOutput(since, QStringLiteral("Label_NOTE.text=云平台连接错误: Connection refused"),
                                  reportBackMs()));
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("refuse off")));
    EXPECT_TRUE(cloudAnswersAgain());
    EXPECT_TRUE(rowLog().contains("云平台连接错误: Connection refused"));
}

TEST_F(FaultsWeb, CloudHangs)
{
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("hang on")));
    const qint64 requests = cloudValue("requests");
    ASSERT_TRUE(waitUntil([&] { return cloudValue("requests") >= requests + 2; }, reportBackMs()))
        << "reports keep going while the server hangs";
    EXPECT_LE(cloudValue("open"), 2) << "connections are not piled up";
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("hang off")));
    EXPECT_TRUE(cloudAnswersAgain());
}

TEST_F(FaultsWeb, CloudAnswers500)
{
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("status 500")));
    EXPECT_TRUE(f().waitForOutput(since, QStringLiteral("Label_NOTE.text=提交云平台失败 (Winsock): HTTP/1.1 500"),
                                  reportBackMs()));
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("status 200")));
    EXPECT_TRUE(cloudAnswersAgain());
}

TEST_F(FaultsWeb, CloudAnswersGarbage)
{
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("garbage on")));
    EXPECT_TRUE(cloudAnswersAgain());
    EXPECT_TRUE(cloudAnswersAgain());
    ASSERT_TRUE(f().cloud.controlAcknowledged(QStringLiteral("garbage off")));
    EXPECT_TRUE(cloudAnswersAgain());
}

TEST_F(FaultsWeb, ShipServiceRefuses)
{
    const quint16 port = f().ship.port();
    f().ship.stop();
    EXPECT_TRUE(f().waitForOutput(since, kShipError + QStringLiteral(": Connection refused"), linkBackMs()));
    ASSERT_TRUE(f().ship.restart(QStringLiteral("ship-service"),
                                 {"--port", QString::number(port), "--report-interval", "1"}));
    EXPECT_TRUE(shipShownAgain());
}

TEST_F(FaultsWeb, ShipServiceHangs)
{
    ASSERT_TRUE(f().ship.controlAcknowledged(QStringLiteral("hang on")));
    EXPECT_TRUE(f().waitForOutput(since, kShipError, 2 * linkBackMs()));
    ASSERT_TRUE(f().ship.controlAcknowledged(QStringLiteral("hang off")));
    EXPECT_TRUE(shipShownAgain());
}

TEST_F(FaultsWeb, ShipServiceAnswers500)
{
    shipFailsWithoutEffect(QStringLiteral("500"));
}

TEST_F(FaultsWeb, ShipServiceAnswersGarbage)
{
    shipFailsWithoutEffect(QStringLiteral("garbage"));
}

TEST_F(FaultsWeb, ShipServiceNameDoesNotResolve)
{
    const QString port = QString::number(f().ship.port());
    f().type(QStringLiteral("SHIP_SERVICE=http://%1:%2").arg(kNoSuchHost, port));
    EXPECT_TRUE(f().waitForOutput(since, kShipError, 2 * linkBackMs()));
    f().type(QStringLiteral("SHIP_SERVICE=http://127.0.0.1:") + port);
    EXPECT_TRUE(shipShownAgain());
}

} // namespace
