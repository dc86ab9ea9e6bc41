// Faults of the antenna-controller board, against the whole station.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

using namespace korvane::test;

namespace {

class FaultsBoard : public FaultSuite {
protected:
    static void SetUpTestSuite() { startStation(); }

    qint64 boardValue(const char *name) { return f().board.statusValue(QString::fromLatin1(name)); }

    bool lampLeftGreen() const
    {
        return f().printedSince(since, QStringLiteral("Label6.colour=0,0,0"))
               || f().printedSince(since, QStringLiteral("Label6.colour=255,0,0"))
               || f().printedSince(since, QStringLiteral("Label6.colour=255,255,0"));
    }
};

TEST_F(FaultsBoard, DropsTheLink)
{
    const qint64 accepted = boardValue("accepted");
    ASSERT_TRUE(f().board.controlAcknowledged(QStringLiteral("drop")));
    // The lamp shows the gap only when its timer runs before the redial; the
    // redial itself is certain.
    EXPECT_TRUE(waitUntil([&] { return lampLeftGreen() || boardValue("accepted") > accepted; }, linkBackMs()))
        << "the station dials its controller again";
    EXPECT_TRUE(f().boardLinkUp(linkBackMs()));
}

TEST_F(FaultsBoard, GoesSilent)
{
    ASSERT_TRUE(f().board.controlAcknowledged(QStringLiteral("silent on")));
    ASSERT_TRUE(supervisionRounds(f().board, 2));
    ASSERT_TRUE(f().board.controlAcknowledged(QStringLiteral("silent off")));
    const qsizetype log = f().logBytes().size();
    EXPECT_TRUE(waitUntil([&] { return f().logBytes().size() > log; }, linkBackMs())) << "status flows again";
    // A quiet board is no broken link: the same connection carries on.
    EXPECT_FALSE(lampLeftGreen());
}

TEST_F(FaultsBoard, AcceptsButNeverSpeaks)
{
    ASSERT_TRUE(f().restartBoard({QStringLiteral("--mute")}));
    ASSERT_TRUE(f().boardLinkUp(linkBackMs()));
    ASSERT_TRUE(supervisionRounds(f().board, 2));
    EXPECT_TRUE(f().stationRunning());
    ASSERT_TRUE(f().restartBoard());
    EXPECT_TRUE(f().boardLinkUp(linkBackMs()));
}

TEST_F(FaultsBoard, RefusesTheProbeConnection)
{
    ASSERT_TRUE(f().board.controlAcknowledged(QStringLiteral("refuse-second on")));
    const qint64 accepted = boardValue("accepted");
    const qint64 refused = boardValue("refused");
    EXPECT_TRUE(f().waitForOutput(since, QStringLiteral("Label_NOTE.text=天线控制网络连接中..."), linkBackMs()));
    // The failed probe makes the station drop its controller connection and
    // dial again at once. Whether the board still counts the old connection
    // when the new one arrives is a race, so either outcome shows the redial:
    // a newly accepted connection, or a second refusal after the probe's.
    EXPECT_TRUE(waitUntil([&] { return boardValue("accepted") > accepted || boardValue("refused") >= refused + 2; },
                          linkBackMs()))
        << "the station redials its controller connection";
    ASSERT_TRUE(f().board.controlAcknowledged(QStringLiteral("refuse-second off")));
    // A refused redial costs one more round: that round only dials, the next
    // one probes. Once a probe passes, the board's last line is its return
    // (another link's notice may have come after it).
    const auto lastBoardLineIsReturn = [&] {
        const QByteArray &out = f().station.outputBytes();
        return out.lastIndexOf(QStringLiteral("事件：控制板连接恢复，中断").toUtf8())
               > out.lastIndexOf(QStringLiteral("事件：控制板连接中断").toUtf8());
    };
    EXPECT_TRUE(waitUntil(lastBoardLineIsReturn, 3 * f().supervisionMs()));
    EXPECT_TRUE(f().boardLinkUp(linkBackMs()));
}

TEST_F(FaultsBoard, RestartsMidInit)
{
    f().type(QStringLiteral("INIT"));
    ASSERT_TRUE(f().waitForOutput(since, QStringLiteral("Label_NOTE.text=罗盘与航速切换阈值"), linkBackMs()));
    ASSERT_TRUE(f().restartBoard());
    EXPECT_TRUE(f().waitForOutput(since, QStringLiteral("Label_NOTE.text=初始化中断：与天线控制单片机的连接已断开！"),
                                  linkBackMs()));
    EXPECT_TRUE(f().boardLinkUp(linkBackMs()));
}

TEST_F(FaultsBoard, Floods10MB)
{
    commandRateChecked = false;
    ASSERT_TRUE(flood(f().board));
    const StationStats first = midStats();
    ASSERT_TRUE(flood(f().board));
    const StationStats second = midStats();
    // Memory follows the station's bounds, not the amount of noise.
    if (memoryMeasured()) {
        EXPECT_LT(second.peakRssKb - first.peakRssKb, 4096) << "kB of peak grown by a second 10 MB flood";
    }
    EXPECT_TRUE(f().boardLinkUp(linkBackMs()));
}

} // namespace
