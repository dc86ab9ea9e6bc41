// Faults of the radio's console, against the whole station.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

using namespace korvane::test;

namespace {

class FaultsRadio : public FaultSuite {
protected:
    static void SetUpTestSuite() { startStation(); }

    qint64 radioValue(const char *name) { return f().radio.statusValue(QString::fromLatin1(name)); }

    // The connect button with these credentials in the boxes.
    void connectWith(const QString &password)
    {
        f().station.send(QStringLiteral(":set Text7 ") + password);
        f().station.send(QStringLiteral(":click Command1"));
    }
};

TEST_F(FaultsRadio, Drops)
{
    ASSERT_TRUE(f().radio.controlAcknowledged(QStringLiteral("drop")));
    EXPECT_TRUE(f().radioLoggedIn(since, linkBackMs()));
    midStats(); // answered once the login's handler is through
    EXPECT_TRUE(rowLog().contains("微波登录成功！")) << "the new login is logged";
}

TEST_F(FaultsRadio, WrongCredentials)
{
    connectWith(QStringLiteral("Not-The-Pw-1"));
    ASSERT_TRUE(f().waitForOutput(since, QStringLiteral("Label_NOTE.text=微波登录用户名或密码错，请检查并修改后点击连接！"),
                                  linkBackMs()));
    const qint64 failed = radioValue("failed_logins");
    ASSERT_TRUE(supervisionRounds(f().radio, 2));
    // A rejected login is not retried at the speed of the network.
    EXPECT_LE(radioValue("failed_logins") - failed, 6);
    EXPECT_TRUE(rowLog().contains("微波登录用户名或密码错")) << "the rejection is logged";
    const qsizetype retry = f().mark();
    connectWith(QString::fromLatin1(FaultStation::kPassword));
    EXPECT_TRUE(f().radioLoggedIn(retry, linkBackMs()));
}

TEST_F(FaultsRadio, NeverPrompts)
{
    ASSERT_TRUE(f().radio.controlAcknowledged(QStringLiteral("silent on")));
    ASSERT_TRUE(f().radio.controlAcknowledged(QStringLiteral("drop")));
    ASSERT_TRUE(supervisionRounds(f().radio, 2)) << "the station reconnects and keeps testing the link";
    EXPECT_FALSE(f().printedSince(since, QStringLiteral("Label_NOTE.text=微波登录成功！")));
    ASSERT_TRUE(f().radio.controlAcknowledged(QStringLiteral("silent off")));
    ASSERT_TRUE(f().radio.controlAcknowledged(QStringLiteral("drop")));
    EXPECT_TRUE(f().radioLoggedIn(since, linkBackMs()));
}

TEST_F(FaultsRadio, Floods10MB)
{
    commandRateChecked = false;
    ASSERT_TRUE(flood(f().radio));
    const StationStats first = midStats();
    ASSERT_TRUE(flood(f().radio));
    const StationStats second = midStats();
    if (memoryMeasured()) {
        EXPECT_LT(second.peakRssKb - first.peakRssKb, 4096) << "kB of peak grown by a second 10 MB flood";
    }
    // Whatever the noise made of the session, a fresh one logs in again.
    const qsizetype after = f().mark();
    ASSERT_TRUE(f().radio.controlAcknowledged(QStringLiteral("drop")));
    EXPECT_TRUE(f().radioLoggedIn(after, linkBackMs()));
}

} // namespace
