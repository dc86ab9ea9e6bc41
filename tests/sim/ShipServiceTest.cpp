// korvane-sim ship-service answering over HTTP on 127.0.0.1, read the way
// the station reads it.
#include "support/SimProcess.h"
#include "support/Wait.h"

#include "geo/AisDecoder.h"
#include "nav/ShipReport.h"
#include "platform/Http.h"
#include "support/SyncHttp.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

const HttpTimeouts kTimeouts{500, 500, 1000, 1000};

class ShipServiceSim : public ::testing::Test {
protected:
    bool start(const QStringList &extra = {})
    {
        return service.start(QStringLiteral("ship-service"),
                             QStringList{"--report-interval", "0", "--speed", "0", "--start-time", "1714536000"} + extra);
    }
    HttpResponse lookUp(const QByteArray &mmsi = "413000000", const QString &path = QStringLiteral("/openapi/getship"))
    {
        return http.post(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(service.port()).arg(path)),
                         {{"Content-Type", "application/x-www-form-urlencoded"}}, "mmsi=" + mmsi, kTimeouts);
    }
    ShipReport report(const QByteArray &mmsi = "413000000")
    {
        const HttpResponse r = lookUp(mmsi);
        EXPECT_FALSE(r.failed()) << qPrintable(r.errorText);
        EXPECT_EQ(r.status, 200);
        return parseShipReply(QString::fromUtf8(r.body));
    }

    SimProcess service;
    test::SyncHttp http;
};

TEST_F(ShipServiceSim, AnswersTheVesselInTheLayoutTheStationReads)
{
    ASSERT_TRUE(start({"--lat", "31.25", "--lon", "121.5", "--course", "45", "--heading", "90.5", "--name", "TEST SHIP"}));
    const ShipReport r = report();
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.reportTime, 1714536000);
    EXPECT_EQ(r.name, QStringLiteral("TEST SHIP"));
    EXPECT_EQ(r.mmsi, 413000000);
    EXPECT_DOUBLE_EQ(r.latitude, 31.25);
    EXPECT_DOUBLE_EQ(r.longitude, 121.5);
    EXPECT_DOUBLE_EQ(r.course, 45);
    EXPECT_DOUBLE_EQ(r.heading, 90.5);
    EXPECT_DOUBLE_EQ(r.knots, 0);

    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("heading none")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("speed 12.5")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    const ShipReport next = report();
    EXPECT_EQ(next.reportTime, 1714536001);
    EXPECT_EQ(next.headingText, QStringLiteral("51100"));
    EXPECT_NEAR(next.knots, 12.5, 0.001);
}

TEST_F(ShipServiceSim, OtherVesselsAndTheUnknownModeAreNotFound)
{
    ASSERT_TRUE(start());
    EXPECT_FALSE(report("412000001").found);
    EXPECT_TRUE(report().found);
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("unknown on")));
    EXPECT_FALSE(report().found);
    EXPECT_EQ(service.statusText(QStringLiteral("last_mmsi")), QStringLiteral("413000000"));
}

TEST_F(ShipServiceSim, ReportsComeAtTheIntervalUnlessStale)
{
    ASSERT_TRUE(service.start(QStringLiteral("ship-service"),
                              {"--report-interval", "1", "--speed", "100", "--course", "0", "--start-time", "1714536000"}));
    const ShipReport first = report();
    ShipReport later;
    ASSERT_TRUE(waitUntil([&] { return (later = report()).reportTime != first.reportTime; }, 5000));
    EXPECT_GT(later.latitude, first.latitude) << "heading north";
    EXPECT_EQ(report().reportTime, later.reportTime) << "the same report until the next one";

    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("stale on")));
    const auto frozen = report().reportTime;
    QElapsedTimer t;
    t.start();
    waitUntil([&] { return t.elapsed() > 2500; }, 5000); // more than two intervals
    EXPECT_EQ(report().reportTime, frozen);
}

TEST_F(ShipServiceSim, SlowHangingAndFailingModes)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("slow 300")));
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(report().found);
    EXPECT_GE(t.elapsed(), 290);
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("slow 0")));

    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("hang on")));
    EXPECT_EQ(lookUp().errorNumber, Http::kTimedOut);
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("hang off")));

    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("fail close")));
    EXPECT_TRUE(lookUp().failed());
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("fail 500")));
    const HttpResponse r500 = lookUp();
    EXPECT_FALSE(r500.failed());
    EXPECT_EQ(r500.status, 500);
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("fail off")));

    EXPECT_EQ(lookUp("413000000", QStringLiteral("/other")).status, 404);
    const HttpResponse get = http.get(QUrl(QStringLiteral("http://127.0.0.1:%1/openapi/getship").arg(service.port())),
                                      {}, kTimeouts);
    EXPECT_EQ(get.status, 405);
    EXPECT_FALSE(service.controlAcknowledged(QStringLiteral("fail sometimes"), 1000));
}

TEST(ShipServiceOptions, ListensOnOneAddressOnly)
{
    QProcess p;
    p.start(QStringLiteral(KORVANE_SIM_PATH), {"ship-service", "--host", "0.0.0.0", "--port", "0"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 2);
}

} // namespace
