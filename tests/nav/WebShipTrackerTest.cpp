// The ping tick's work after the link supervision, against the simulated
// ship-position service on 127.0.0.1 and a silent board.
#include "nav/AisStationFixture.h"
#include "support/SimProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr const char *kFirstReport = "2024-05-01 12:00:00"; // --start-time, as UTC+8

class WebShip : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(recordDir.isValid());
        recordPath = recordDir.filePath(QStringLiteral("requests.bin"));
        ASSERT_TRUE(service.start(QStringLiteral("ship-service"),
                                  {"--report-interval", "0", "--speed", "0", "--course", "45", "--heading", "90",
                                   "--start-time", "1714536000", "--record", recordPath}));
        f.settings().write(keys::SHIP_SERVICE_URL, QStringLiteral("http://127.0.0.1:%1").arg(service.port()));
        f.settings().write(keys::USE_SHIP_MMSI, QStringLiteral("413000000"));
        s = &f.start();
        ASSERT_EQ(s->Winsock2.State(), TcpLink::Connected);
        s->webShip.wait = [this](float seconds) -> Task<bool> {
            waits << seconds;
            co_return true;
        };
        s->ais.firstQuerySent = true;
        s->controllerStatus.MultiBase = true;
        s->controllerStatus.OwnLatitude = 31.0;
        s->controllerStatus.OwnLongitude = 121.0;
        s->controllerStatus.ShipTarget = {31.5, 121.0}; // due north
        s->display.Label_NOTE.setText(QString()); // discovery found no serial port here
    }

    void shipToShip(bool on) { s->display.CHK_SHIP_AIS.setValue(on ? 1 : 0); }

    // The board's bytes once a marker sent after the tick has arrived.
    QByteArray boardAfterTick()
    {
        s->controllerLink.send(QStringLiteral("#"));
        waitUntil([&] { return f.board.received.endsWith('#'); });
        QByteArray got = f.board.received;
        f.board.received.clear();
        got.chop(1);
        return got;
    }

    QTemporaryDir recordDir;
    QString recordPath;
    SimProcess service;
    AisStationFixture f;
    Station *s = nullptr;
    QList<float> waits;
};

TEST_F(WebShip, TheOneTimeQueriesGoOutOnceAndTWhileOneBaseIsAssumed)
{
    s->ais.firstQuerySent = false;
    s->controllerStatus.MultiBase = false;
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray("g\r\nT\r\n"));
    EXPECT_EQ(waits, (QList<float>{1.0f, 1.0f, 1.0f}));
    EXPECT_TRUE(s->controllerStatus.MultiBase);
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray());
    s->controllerStatus.MultiBase = false; // the board reported one base again
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray("T\r\n"));
    EXPECT_EQ(service.statusValue(QStringLiteral("requests")), 0) << "both modes off: no lookup";
}

TEST_F(WebShip, ShipToShipSendsEachNewReportOnceAsTheTarget)
{
    shipToShip(true);
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("position 31.25 121.5")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray("p1 j121.5 w31.25 d15 mmsi413000000 *38\r\n"));
    const QString line = QStringLiteral("目标船舶：2024-05-01 12:00:01 KORVANE TEST,MMSI413000000, 坐标31.25,121.5, "
                                        "航速0.0, 航向45, 艏向90\r\n");
    EXPECT_EQ(s->display.Text2.text(), line);
    EXPECT_EQ(s->display.Label4.text(), QStringLiteral("超级终端（日志）"));
    const QString log = f.log();
    EXPECT_TRUE(log.startsWith(QStringLiteral("======  2024-05-01 12:00:00  \r\n  {\"status\":0,"))) << qPrintable(log);
    EXPECT_TRUE(log.endsWith(QStringLiteral("}]}\r\n") + line)) << qPrintable(log);

    // The same report again: no line, no command, no log.
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray());
    EXPECT_EQ(s->display.Text2.text(), line);
    EXPECT_EQ(f.log(), log);
    EXPECT_EQ(service.statusValue(QStringLiteral("requests")), 2);

    // The request as the service saw it.
    QFile recorded(recordPath);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QByteArray both = recorded.readAll();
    const QByteArray request = both.left(both.indexOf("POST ", 1));
    EXPECT_TRUE(request.startsWith("POST /openapi/getship HTTP/1.1\r\n")) << request.constData();
    EXPECT_TRUE(request.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n"));
    EXPECT_TRUE(request.contains("\r\nUser-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 "
                                 "(KHTML, like Gecko) Chrome/109.0.0.0 Safari/537.36\r\n"));
    EXPECT_TRUE(request.endsWith("\r\n\r\nmmsi=413000000"));
}

TEST_F(WebShip, AisDriveTurnsTheReportedHeadingIntoACommand)
{
    s->ais.aisDrive = true;
    s->ais.targetMmsi = QStringLiteral("413000000");
    struct Case {
        const char *heading;
        int aisHeading;
        QByteArray command;
    };
    const Case cases[] = {{"90.5", 90, "r-90.00"}, {"91.5", 92, "r-92.00"}, {"359.5", 360, "r-360.00"}};
    for (const Case &c : cases) {
        ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("heading ") + QString::fromLatin1(c.heading)));
        ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
        finish(s->webShip.tick());
        EXPECT_EQ(boardAfterTick(), c.command + "\r\n") << c.heading;
        EXPECT_EQ(s->ais.aisHeading, c.aisHeading) << c.heading;
        EXPECT_TRUE(waitUntil([&] { return f.settings().read(keys::USE_SHIP_AIS_ANG) == QString::number(c.aisHeading); }));
        EXPECT_EQ(s->display.Label_NOTE.text(), QStringLiteral("自动AIS驱动:") + QString::fromLatin1(c.command));
        EXPECT_EQ(s->controllerStatus.DriveCommand, QString::fromLatin1(c.command));
        EXPECT_FALSE(s->controllerStatus.DriveConfirmed);
        EXPECT_DOUBLE_EQ(s->controllerStatus.LastCompass, QString::fromLatin1(c.heading).toDouble());
    }
    EXPECT_DOUBLE_EQ(s->controllerStatus.Heading, 45) << "the course";
    EXPECT_EQ(s->display.Label12.toolTip(),
              QStringLiteral("软件需连接互联网，以便自动获取船舶AIS数据，当前船舶MMSI值：413000000，使用命令格式ais=234567891可更改当前船舶MMSI值"));
    EXPECT_TRUE(s->display.Text2.text().startsWith(QStringLiteral("当前船舶：2024-05-01 12:00:01 KORVANE TEST,MMSI413000000")));
    EXPECT_TRUE(f.log().contains(QStringLiteral("\r\n目标船舶：2024-05-01 12:00:01 KORVANE TEST,MMSI413000000")))
        << "the log line begins as the ship-to-ship one";

    // Speed: knots to one decimal.
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("speed 12.34")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_DOUBLE_EQ(s->controllerStatus.Speed, 12.3);
}

TEST_F(WebShip, ANoHeadingReportIsNamedOnceAndDrivesNothing)
{
    s->ais.aisDrive = true;
    s->ais.targetMmsi = QStringLiteral("413000000");
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("heading none")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray());
    const QString notice = QStringLiteral("获取船舶KORVANE TEST无有效艏向值，错误代码：51100");
    EXPECT_EQ(s->display.Label_NOTE.text(), notice);
    const QString log = f.log();
    EXPECT_TRUE(log.startsWith(QStringLiteral("12:00:00 主机类型(0)事件：") + notice + QStringLiteral("\r\n======  ")))
        << qPrintable(log);
    EXPECT_EQ(log.count(notice), 1) << "one event, one line";
}

TEST_F(WebShip, AReportWithoutAPositionIsNoTargetAndIsNamedOnce)
{
    shipToShip(true);
    const QString notice = QStringLiteral("目标船舶KORVANE TEST无有效位置，目标坐标未更新");
    // AIS's "not available" (181/91), then the empty 0/0: one run, one notice.
    for (const char *position : {"position none", "position 0 0"}) {
        ASSERT_TRUE(service.controlAcknowledged(QString::fromLatin1(position)));
        ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
        finish(s->webShip.tick());
        EXPECT_EQ(boardAfterTick(), QByteArray()) << position;
        EXPECT_EQ(s->display.Label_NOTE.text(), notice) << position;
    }
    EXPECT_TRUE(s->display.Text2.text().contains(QStringLiteral("坐标91,181"))) << "the report is still shown";
    EXPECT_EQ(f.log().count(notice), 1);

    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("position 31.3 121.6")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray("p1 j121.6 w31.3 d15 mmsi413000000 *37\r\n"));

    // A later loss of the position is a new run, named again.
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("position none")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray());
    EXPECT_EQ(f.log().count(notice), 2);
}

TEST_F(WebShip, NeitherModeDrivesDuringTheSurveyNorAfterItWithAHeldReport)
{
    shipToShip(true);
    s->ais.targetMmsi = QStringLiteral("413000000");
    s->autoScan.autoscan();
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray()) << "no target while the survey runs";
    shipToShip(false);
    s->ais.aisDrive = true;
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("heading 120")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray()) << "no r command while the survey runs";
    EXPECT_TRUE(s->display.Text2.text().contains(QStringLiteral("当前船舶："))) << "the report is still shown";

    ASSERT_TRUE(s->autoScan.cancel());
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray()) << "a held report is not sent late";
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray("r-120.00\r\n")) << "the next report drives";
}

TEST_F(WebShip, BothModesInOneTickHandleTheReportOnce)
{
    shipToShip(true);
    s->ais.aisDrive = true;
    s->ais.targetMmsi = QStringLiteral("413000000");
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray("p1 j121.5 w31.25 d15 mmsi413000000 *38\r\n")) << "no r command";
    EXPECT_EQ(s->display.Text2.text().count(QStringLiteral("目标船舶：")), 1);
    EXPECT_FALSE(s->display.Text2.text().contains(QStringLiteral("当前船舶：")));
    EXPECT_EQ(service.statusValue(QStringLiteral("requests")), 2) << "each mode asked";
}

TEST_F(WebShip, UnknownVesselOrNoLinkIsSilent)
{
    shipToShip(true);
    s->ais.aisDrive = true;
    s->ais.targetMmsi = QStringLiteral("413000000");
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("unknown on")));
    finish(s->webShip.tick());
    EXPECT_EQ(boardAfterTick(), QByteArray());
    EXPECT_EQ(s->display.Text2.text(), QString());
    EXPECT_EQ(s->display.Label_NOTE.text(), QString());

    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("unknown off")));
    s->Winsock2.Close();
    finish(s->webShip.tick());
    EXPECT_EQ(s->display.Text2.text(), QString());
    EXPECT_EQ(s->ais.lastReportTime, 0) << "the report waits for the link";
}

TEST_F(WebShip, AFailingServiceIsNamedWithItsTagAndEndsTheTick)
{
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("fail close")));
    shipToShip(true);
    s->ais.aisDrive = true;
    s->ais.targetMmsi = QStringLiteral("413000000");
    finish(s->webShip.tick());
    const QRegularExpression openapi(QStringLiteral("^发送请求时出错\\(OPENAPI\\): .+ \\(错误号: 2\\)$"));
    EXPECT_TRUE(openapi.match(s->display.Label_NOTE.text()).hasMatch()) << qPrintable(s->display.Label_NOTE.text());
    EXPECT_EQ(s->display.Label12.toolTip(), QString()) << "the drive step did not run";

    shipToShip(false);
    finish(s->webShip.tick());
    const QRegularExpression shipais(QStringLiteral("^发送请求时出错\\(SHIPAIS\\): .+ \\(错误号: 2\\)$"));
    EXPECT_TRUE(shipais.match(s->display.Label_NOTE.text()).hasMatch()) << qPrintable(s->display.Label_NOTE.text());

    // An HTTP error status is a reply: no vessel in it, nothing said.
    s->display.Label_NOTE.setText(QString());
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("fail 500")));
    finish(s->webShip.tick());
    EXPECT_EQ(s->display.Label_NOTE.text(), QString());
    EXPECT_EQ(boardAfterTick(), QByteArray());
}

TEST_F(WebShip, AHangingServiceTimesOutWhileTheStationKeepsRunning)
{
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("hang on")));
    shipToShip(true);
    // Long enough that a blocking wait would stand out from a loaded
    // machine's own lateness.
    s->webShip.timeouts = HttpTimeouts{1000, 1000, 2000, 2000};
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    ticker.start(20);
    sinceTick.start();
    // The board's data is still taken in during the wait.
    QTimer::singleShot(100, [&] { f.board.sendToAll("执行"); });
    finish(s->webShip.tick());
    ticker.stop();
    EXPECT_EQ(s->display.Label_NOTE.text(), QStringLiteral("发送请求时出错(OPENAPI): 操作超时 (错误号: 4)"));
    EXPECT_GT(ticks, 10);
    EXPECT_LT(longestGap, 1000);
    EXPECT_FALSE(s->display.Text2.text().isEmpty()) << "the status parser ran meanwhile";
}

TEST_F(WebShip, ThePingTickRunsTheLookupAfterTheSupervision)
{
    shipToShip(true);
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    runPingTick(*s);
    EXPECT_EQ(boardAfterTick(), QByteArray("p1 j121.5 w31.25 d15 mmsi413000000 *38\r\n"));
}

// INIT's pauses keep their pace while a ship lookup that began in one of them
// hangs: the script ends with the lookup still out.
TEST_F(WebShip, InitKeepsItsPaceWhileALookupHangs)
{
    shipToShip(true);
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("hang on")));
    s->webShip.timeouts = HttpTimeouts{60000, 60000, 60000, 60000};
    bool lookupOut = false;
    bool lookupEnded = false;
    QStringList order;
    s->initSequence.setWait([&](float seconds) -> Task<bool> {
        if (!lookupOut) {
            lookupOut = true;
            QCoro::connect(s->webShip.tick(), s, [&] { lookupEnded = true; });
            order << QStringLiteral("lookup started");
        }
        co_return co_await Delay(&s->waits, seconds * 0.02f);
    });
    s->initSequence.init_board();
    ASSERT_TRUE(waitUntil([&] { return !s->initSequence.isRunning(); }, 10000)) << "INIT was held";
    order << (lookupEnded ? QStringLiteral("lookup ended") : QStringLiteral("INIT ended"));
    EXPECT_EQ(order, (QStringList{QStringLiteral("lookup started"), QStringLiteral("INIT ended")}));
    EXPECT_EQ(s->display.Label_NOTE.text(), QStringLiteral("初始设置参数完毕！"));
    EXPECT_TRUE(waitUntil([&] { return f.board.received.endsWith("Z0\r\n?\r\n"); })) << "every row went out";
}

TEST_F(WebShip, UntickingABoxStopsItsModeAndHidesIt)
{
    shipToShip(true);
    s->display.CHK_SHIP_AIS.setVisible(true);
    s->display.Label5.setVisible(true);
    s->click(QStringLiteral("CHK_SHIP_AIS"));
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS), QStringLiteral("0"));
    const QString off = QStringLiteral("已关闭船对船模式，如需开启，右下角控制命令栏输入“mmsi”开启或“mmsi=123456789”更改船舶MMSI值 ！");
    EXPECT_EQ(s->display.Label_NOTE.text(), off);
    EXPECT_FALSE(s->display.CHK_SHIP_AIS.visible());
    EXPECT_FALSE(s->display.Label5.visible());
    EXPECT_EQ(f.log(), QStringLiteral("12:00:00 主机类型(0)事件：") + off + QStringLiteral("\r\n"));
    finish(s->webShip.tick());
    EXPECT_EQ(service.statusValue(QStringLiteral("requests")), 0);

    s->ais.aisDrive = true;
    s->ais.targetMmsi = QStringLiteral("413000000");
    s->display.SHIP_AIS_DRIVE.setValue(1);
    s->click(QStringLiteral("SHIP_AIS_DRIVE"));
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_DRIVE), QStringLiteral("0"));
    EXPECT_FALSE(s->ais.aisDrive);
    EXPECT_EQ(s->display.Label_NOTE.text(),
              QStringLiteral("已关闭软件驱动动中通模式，如需开启，右下角控制命令栏输入“AIS”开启或“AIS=123456789”更改船舶MMSI值 ！"));
    EXPECT_FALSE(s->display.SHIP_AIS_DRIVE.visible());
    EXPECT_FALSE(s->display.Label12.visible());
    // Neither the web nor the serial receiver drives any more.
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    finish(s->webShip.tick());
    s->serialAis.receive("!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q39p0000,0*0E\r\n");
    EXPECT_EQ(boardAfterTick(), QByteArray());
}

TEST_F(WebShip, TheServiceAddressIsAConsoleSetting)
{
    s->setControl(QStringLiteral("Combo2"), QStringLiteral("SHIP_SERVICE"));
    s->key(QStringLiteral("Combo2"), 13);
    EXPECT_EQ(s->display.Label_NOTE.text(),
              QStringLiteral("当前船舶位置服务地址：http://127.0.0.1:%1，设置命令格式：SHIP_SERVICE=http://地址:端口")
                  .arg(service.port()));
    // An address holding "ais" and "port=" is still this command's.
    s->setControl(QStringLiteral("Combo2"), QStringLiteral("SHIP_SERVICE=127.0.0.1:9/ais?port=1"));
    s->click(QStringLiteral("Command3"));
    EXPECT_EQ(s->display.Label_NOTE.text(), QStringLiteral("船舶位置服务地址无效：127.0.0.1:9/ais?port=1"));
    s->setControl(QStringLiteral("Combo2"), QStringLiteral("SHIP_SERVICE= 127.0.0.1:8123/ais "));
    s->key(QStringLiteral("Combo2"), 13);
    EXPECT_EQ(s->display.Label_NOTE.text(), QStringLiteral("已设置船舶位置服务地址：http://127.0.0.1:8123/ais"));
    EXPECT_EQ(f.settings().read(keys::SHIP_SERVICE_URL), QStringLiteral("127.0.0.1:8123/ais"));
    EXPECT_EQ(boardAfterTick(), QByteArray()) << "nothing went to the board";
    EXPECT_TRUE(f.log().contains(QStringLiteral("事件：已设置船舶位置服务地址：http://127.0.0.1:8123/ais\r\n")));
}

} // namespace
