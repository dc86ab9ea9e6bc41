// Faults of a 5G CPE in the radio's place, against the whole station.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

using namespace korvane::test;

namespace {

const QString kLampRed = QStringLiteral("radioLamp.colour=255,0,0");
const QString kLampGreen = QStringLiteral("radioLamp.colour=0,255,0");

class FaultsCpe : public FaultSuite {
protected:
    static void SetUpTestSuite()
    {
        FaultStation::Options options;
        options.cpe = true;
        options.serial = false;
        startStation(options);
    }

    bool control(const QString &line) { return f().cpe.controlAcknowledged(line); }
    bool lampTurnedRed() { return f().waitForOutput(since, kLampRed, linkBackMs()); }
    // The lamp is green again after having been red: the fault was seen and
    // is over.
    bool readsAgain(qsizetype from) { return f().waitForOutput(from, kLampGreen, linkBackMs()); }
};

TEST_F(FaultsCpe, Refuses)
{
    const quint16 port = f().cpe.port();
    f().cpe.stop();
    EXPECT_TRUE(lampTurnedRed());
    // The tool tip follows the colour, possibly in a later read of the pipe.
    EXPECT_TRUE(f().waitForOutput(since, QStringLiteral("radioLamp.tooltip=5G CPE 连接失败"), linkBackMs()));
    const qsizetype back = f().mark();
    ASSERT_TRUE(f().cpe.restart(QStringLiteral("cpe"), {"--port", QString::number(port)}));
    EXPECT_TRUE(readsAgain(back));
}

TEST_F(FaultsCpe, Hangs)
{
    ASSERT_TRUE(control(QStringLiteral("mode silent")));
    EXPECT_TRUE(lampTurnedRed());
    const qsizetype back = f().mark();
    ASSERT_TRUE(control(QStringLiteral("mode ok")));
    EXPECT_TRUE(readsAgain(back));
}

TEST_F(FaultsCpe, Answers500)
{
    ASSERT_TRUE(control(QStringLiteral("mode error500")));
    EXPECT_TRUE(lampTurnedRed());
    const qsizetype back = f().mark();
    ASSERT_TRUE(control(QStringLiteral("mode ok")));
    EXPECT_TRUE(readsAgain(back));
}

TEST_F(FaultsCpe, AnswersGarbage)
{
    ASSERT_TRUE(control(QStringLiteral(
        "body {\"rsrp\":\"x1e999\",\"rsrq\":,\"status\":\"\\u0000\",\"rx_bytes\":-99999999999999999999999,"
        "\"tx_bytes\":\"NaN\",\"band\":\"../../etc\\r\\n\\t<html>")));
    EXPECT_TRUE(lampTurnedRed());
    const qsizetype back = f().mark();
    ASSERT_TRUE(control(QStringLiteral("body off")));
    EXPECT_TRUE(readsAgain(back));
}

TEST_F(FaultsCpe, NameDoesNotResolve)
{
    const QString port = QString::number(f().cpe.port());
    f().station.send(QStringLiteral(":set Text3 http://nosuch.invalid:") + port);
    EXPECT_TRUE(lampTurnedRed());
    const qsizetype back = f().mark();
    f().station.send(QStringLiteral(":set Text3 http://127.0.0.1:") + port);
    EXPECT_TRUE(readsAgain(back));
}

} // namespace
