// The console beyond its two tables: keys, the help line, the radio
// reboot, the confirmations, event-line timing, the ship boxes, and the
// settings being in force at once and after a restart.
#include "ConsoleFixture.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
using namespace Qt::StringLiterals;

namespace {

TEST(ConsoleKeys, OnlyEnterActsWhateverTheShiftState)
{
    ConsoleFixture f;
    Station &s = f.start();
    for (const int code : {0, 9, 10, 27, 65, 1013}) {
        for (const QString &text : {u"p"_s, u"PORT=8080"_s, u"INIT"_s}) {
            s.setControl(u"Combo2"_s, text);
            s.console.Combo2_KeyDown(code, 0);
        }
    }
    EXPECT_EQ(s.display.Label_NOTE.text(), QString());
    EXPECT_TRUE(f.dialogs.titles.isEmpty());
    EXPECT_EQ(f.settings.read(keys::DEVICE_WIRESS_PORT), QString());
    EXPECT_EQ(f.boardBytes(), QByteArray());

    s.setControl(u"Combo2"_s, u"p"_s);
    s.console.Combo2_KeyDown(13, 1);
    EXPECT_EQ(f.boardBytes(), QByteArray("p"));
}

TEST(ConsolePassThrough, DroppedSilentlyWhileTheBoardIsDisconnected)
{
    ConsoleFixture f;
    Station &s = f.start(false);
    f.enter(u"p"_s);
    f.button(u"WR"_s);
    EXPECT_EQ(s.console.lastHandled(), QStringList{u"pass-through"_s});
    EXPECT_EQ(s.display.Label_NOTE.text(), QString());
    EXPECT_TRUE(f.logLines().isEmpty());
    // Connected afterwards, the board has received nothing of it.
    ConsoleFixture::connect(s.Winsock2, f.board);
    EXPECT_EQ(f.boardBytes(), QByteArray());
}

TEST(HelpLine, EachEntryExplainedAndTheLastMatchWins)
{
    const struct {
        QString pick;
        QString tip;
    } cases[] = {
        {u"p"_s, u"p查询当前天线姿态"_s},
        {u"j"_s, u"j+数字，设置目标经度"_s},
        {u"w"_s, u"w+数字，设置目标纬度"_s},
        {u"R"_s, u"R重新启动动中通(机电部分)"_s},
        {u"?"_s, u"?帮助信息,获取动中通状态和支持命令"_s},
        {u"WR"_s, u"WR重新启动动中通(无线射频部分)"_s},
        {u"c"_s, u"c查询电子罗盘数据"_s},
        {u"COM3"_s, u"本地串口接收AIS数据的端口号"_s},
        {u"COMP_TIME"_s, u"设置天线信号微调对比定时时长"_s},
        {u"COMP_ANG"_s, u"设置天线信号微调对比步进度数"_s}, // also a port name by length
        {u"SCAN_TIME"_s, u"设置无线信号丢失自动扫描定时"_s},
        {u"IMPORT"_s, u"导入POINT.INI预设定的基站坐标数据"_s},
    };
    ConsoleFixture f;
    Station &s = f.start();
    for (const auto &c : cases) {
        s.pick(c.pick);
        EXPECT_EQ(s.display.Combo2.text(), c.pick);
        EXPECT_EQ(s.display.cmdtips.text(), c.tip) << qPrintable(c.pick);
    }
    s.pick(u"g"_s); // no help text: the line keeps the last one
    EXPECT_EQ(s.display.cmdtips.text(), u"导入POINT.INI预设定的基站坐标数据"_s);
    EXPECT_EQ(f.boardBytes(), QByteArray()) << "picking sends nothing";
    EXPECT_TRUE(f.logLines().isEmpty());
}

TEST(RadioReboot, ButtonRebootsTheRadioByFamilyAndLogsOnce)
{
    const QString notice = u"微波设备重启动中，请等待2分钟左右......"_s;
    const struct {
        std::int16_t family;
        QByteArray radioBytes;
    } cases[] = {
        {RadioFamilyAirOs, "reboot\r\n"},
        {RadioFamilyAirFiber, "reboot\r\n"},
        {RadioFamilyIwconfig, "reboot\r\n"},
        {RadioFamilyJsonConsole, "tool {\"secretkey\": \"0123456789abcdef\" ,\"action\": \"reboot\"}\r\n"},
        {RadioFamilyUnknown, ""},
        {RadioFamilyCpe, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.family);
        ConsoleFixture f;
        Station &s = f.start();
        LoopbackServer radio;
        ConsoleFixture::connect(s.Winsock1, radio);
        ConsoleFixture::receivedBy(s.Winsock1, radio); // what the radio session says on connect
        s.radio.RadioFamily = c.family;
        s.controllerStatus.RadioKey = u"0123456789abcdef"_s;
        f.button(u"WR"_s);
        EXPECT_EQ(s.console.lastHandled(), QStringList{u"WR"_s});
        EXPECT_EQ(ConsoleFixture::receivedBy(s.Winsock1, radio), c.radioBytes);
        EXPECT_EQ(f.boardBytes(), QByteArray());
        EXPECT_EQ(s.display.Label_NOTE.text(), notice);
        EXPECT_TRUE(s.display.Text2.text().endsWith(u"\r\n2024-05-01 12:00:00 "_s + notice));
        EXPECT_EQ(f.logLines(), QStringList{u"12:00:00 主机类型(%1)事件："_s.arg(c.family) + notice});

        f.enter(u"WR"_s); // Enter never reboots the radio
        EXPECT_EQ(f.boardBytes(), QByteArray("WR"));
        EXPECT_EQ(ConsoleFixture::receivedBy(s.Winsock1, radio), QByteArray());
    }
}

TEST(Confirmations, TextsIconsAndCancelAsDefault)
{
    const struct {
        QString text;
        QString title;
        QString body;
        Dialogs::Icon icon;
    } cases[] = {
        {u"INIT"_s, u"警告"_s,
         u"初始化操作提醒：设置动中通设备初始操作，将清除原有设置，请务必谨慎操作，请确保您已知设备相关参数并进行重新设置，"
         "点击确定将开始初始化"_s,
         Dialogs::Icon::Information},
        {u"IMPORT"_s, u"警告 - 导入基站坐标"_s,
         u"导入基站坐标将覆盖单片机已存储的基站预设坐标！\r\n是否继续导入？\r\n\r\n"
         "注意：导入后请根据实际需要执行T命令和Z命令启用相应基站。"_s,
         Dialogs::Icon::Warning},
        {u"AUTOSCAN"_s, u"警告"_s,
         u"系统将在默认天线驱动基础上，进行前后30度扫描，且统计信号强度值，用于做天线人工角度调整的依据，"
         "整个过程将耗时10分钟，点击确定将开始执行"_s,
         Dialogs::Icon::Information},
    };
    for (const auto &c : cases) {
        for (const bool enter : {true, false}) {
            ConsoleFixture f;
            f.start();
            enter ? f.enter(c.text) : f.button(c.text);
            ASSERT_EQ(f.dialogs.titles, QStringList{c.title});
            EXPECT_EQ(f.dialogs.texts.first(), c.body);
            EXPECT_EQ(f.dialogs.icons.first(), c.icon);
            EXPECT_EQ(f.dialogs.defaults.first(), Dialogs::Answer::Cancel);
            EXPECT_EQ(f.boardBytes(), QByteArray()) << "cancelled: nothing runs";
        }
    }
}

TEST(Confirmations, AutoscanRunsTheHookOnlyWhenConfirmed)
{
    ConsoleFixture f;
    Station &s = f.start();
    f.dialogs.answer = Dialogs::Answer::Ok;
    f.enter(u"AUTOSCAN"_s); // no hook yet: confirmed, nothing runs
    int runs = 0;
    s.console.autoscan = [&] { ++runs; };
    f.enter(u"AUTOSCAN"_s);
    f.button(u"xAUTOSCANx"_s);
    EXPECT_EQ(runs, 2);
    f.dialogs.answer = Dialogs::Answer::Cancel;
    f.enter(u"AUTOSCAN"_s);
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(f.logLines().isEmpty()) << "actions compose no event line";
}

TEST(Confirmations, InitConfirmedWhileDisconnectedChangesNothing)
{
    ConsoleFixture f;
    Station &s = f.start(false);
    f.dialogs.answer = Dialogs::Answer::Ok;
    s.setControl(u"Combo2"_s, u"INIT"_s);
    QStringList changes;
    QObject::connect(&s.display, &Display::changed,
                     [&](const QString &c, const QString &p, const QString &v) { changes << c + u'.' + p + u'=' + v; });
    s.key(u"Combo2"_s, 13);
    EXPECT_EQ(f.dialogs.titles, QStringList{u"警告"_s}) << "only the confirmation";
    EXPECT_EQ(changes, QStringList());
}

TEST(EventLineTiming, RadioPortComposedAfterTheBoxOnEnterBeforeItOnTheButton)
{
    ConsoleFixture f;
    f.start();
    // The operator takes seven seconds to close the box.
    f.dialogs.whileOpen = [&] { f.clock.time = f.clock.time.addSecs(7); };
    f.enter(u"PORT=8080"_s);
    f.button(u"PORT=8081"_s);
    EXPECT_EQ(f.logLines(), QStringList({u"12:00:07 主机类型(0)事件：DEVICE_WIRESS_PORT:已经修改设置，请关闭软件重新打开！"_s,
                                         u"12:00:07 主机类型(0)事件：已经修改设置，请关闭软件重新打开！"_s}));
    EXPECT_EQ(f.dialogs.texts.last(), u"输入切换端口的命令后，需要您关闭软件重新打开生效!"_s);
    EXPECT_EQ(f.dialogs.icons, QList<Dialogs::Icon>({Dialogs::Icon::None, Dialogs::Icon::None}));
}

TEST(ShipBoxes, TickedByCommandAsByHand)
{
    ConsoleFixture byCommand;
    Station &a = byCommand.start(false);
    a.ais.targetMmsi = u"413000000"_s; // the bare word switches on only with a ship to follow
    byCommand.enter(u"mmsi"_s);
    ConsoleFixture byHand;
    Station &b = byHand.start(false);
    b.setControl(u"CHK_SHIP_AIS"_s, u"1"_s);
    for (Station *s : {&a, &b}) {
        EXPECT_EQ(s->display.CHK_SHIP_AIS.value(), 1);
        EXPECT_TRUE(s->ais.shipToShip);
    }
    EXPECT_EQ(byCommand.settings.read(keys::USE_SHIP_AIS), u"1"_s);
    EXPECT_EQ(byHand.settings.read(keys::USE_SHIP_AIS), u"1"_s);
    EXPECT_TRUE(a.display.CHK_SHIP_AIS.visible());
    EXPECT_TRUE(a.display.Label5.visible());

    // Unticked by hand afterwards: the box's own handling runs.
    a.click(u"CHK_SHIP_AIS"_s);
    EXPECT_EQ(byCommand.settings.read(keys::USE_SHIP_AIS), u"0"_s);
    EXPECT_FALSE(a.ais.shipToShip);
    EXPECT_FALSE(a.display.CHK_SHIP_AIS.visible());
    EXPECT_FALSE(a.display.Label5.visible());
    const QString closed =
        u"已关闭船对船模式，如需开启，右下角控制命令栏输入“mmsi”开启或“mmsi=123456789”更改船舶MMSI值 ！"_s;
    EXPECT_EQ(a.display.Label_NOTE.text(), closed);
    EXPECT_EQ(byCommand.logLines(), QStringList{ConsoleFixture::eventLine(closed)});
}

TEST(ShipBoxes, DriveFormSwitchesDrivingOnAndTheBoxOffAgain)
{
    ConsoleFixture f;
    Station &s = f.start(false);
    f.button(u"ais=412345678"_s);
    EXPECT_TRUE(s.ais.aisDrive);
    EXPECT_EQ(s.ais.targetMmsi, u"412345678"_s);
    EXPECT_EQ(s.display.SHIP_AIS_DRIVE.value(), 1);
    EXPECT_TRUE(s.display.Label12.visible());
    EXPECT_EQ(f.settings.read(keys::USE_SHIP_AIS_DRIVE), u"1"_s);

    s.setControl(u"SHIP_AIS_DRIVE"_s, u"0"_s);
    EXPECT_FALSE(s.ais.aisDrive);
    EXPECT_EQ(f.settings.read(keys::USE_SHIP_AIS_DRIVE), u"0"_s);
    EXPECT_FALSE(s.display.SHIP_AIS_DRIVE.visible());
    EXPECT_FALSE(s.display.Label12.visible());
    EXPECT_EQ(s.display.Label_NOTE.text(),
              u"已关闭软件驱动动中通模式，如需开启，右下角控制命令栏输入“AIS”开启或“AIS=123456789”更改船舶MMSI值 ！"_s);
}

TEST(SettingsInForce, EveryFamilyChangesTheRecordsAtOnce)
{
    ConsoleFixture f;
    Station &s = f.start(false);
    s.optimisation.comparisonCountdown = 5;
    s.optimisation.scanCountdown = 5;
    f.enter(u"COMP_TIME=1800"_s);
    EXPECT_TRUE(s.optimisation.comparisonEnabled);
    EXPECT_EQ(s.optimisation.comparisonInterval, 1800);
    EXPECT_EQ(s.optimisation.comparisonCountdown, 1800) << "a full interval from now";
    f.button(u"SCAN_TIME=900"_s);
    EXPECT_EQ(s.optimisation.scanInterval, 900);
    EXPECT_EQ(s.optimisation.scanCountdown, 900);
    f.button(u"SCAN_TIME=0"_s);
    EXPECT_FALSE(s.optimisation.scanEnabled);
    EXPECT_EQ(s.optimisation.scanInterval, 900) << "switching off keeps the interval";
    f.button(u"COMP_ANG=3"_s);
    EXPECT_EQ(s.optimisation.comparisonStep, 3);
    f.enter(u"FixHDG=-5"_s);
    EXPECT_EQ(s.ais.headingCorrection, -5);
    f.enter(u"SCAN_STEP=7"_s);
    EXPECT_EQ(s.optimisation.scanStep, 7);
    f.enter(u"ERROR_COMPSAME_REBOOT=1"_s);
    EXPECT_EQ(s.compassRebootSwitch, 1);
    f.button(u"ERROR_COMPSAME_REBOOT=0"_s);
    EXPECT_EQ(s.compassRebootSwitch, 0);
    f.button(u"PING_100MS_REBOOT=1"_s);
    EXPECT_EQ(s.pingRebootSwitch, 1);
    f.enter(u"mmsi=412345678"_s);
    EXPECT_EQ(s.ais.targetMmsi, u"412345678"_s);
    EXPECT_FALSE(s.ais.aisDrive) << "the ball-to-ball form leaves driving alone";
    f.enter(u"CLOUD_HOST=127.0.0.1"_s);
    EXPECT_TRUE(s.cloud.ipMode);
    EXPECT_EQ(s.display.Combo2.text(), QString()) << "the only command that clears the box";
    f.enter(u"PORT=8080"_s);
    EXPECT_EQ(s.Winsock1.RemotePort, 9754) << "the radio port waits for the next start";
}

TEST(SettingsInForce, SerialPortNameReachesTheSerialLayer)
{
    ConsoleFixture f;
    Station &s = f.start(false);
    QStringList opened;
    s.settingCommands.reopenAisPort = [&](const QString &name, std::optional<std::int16_t> number) {
        opened << name + u'/' + (number ? QString::number(*number) : u"-"_s);
    };
    // Ports this machine has; a name it has not never reaches the layer.
    s.ais.detectedPorts = {u"COM3"_s, u"COM7"_s, QString()};
    f.enter(u"COM3"_s);
    f.button(u" COM7 "_s);
    f.enter(u"COMPORT"_s);
    EXPECT_EQ(opened, QStringList({u"COM3/3"_s, u" COM7 /7"_s}));
    EXPECT_EQ(s.ais.selectedPort, u" COM7 "_s);
    EXPECT_EQ(f.settings.read(keys::USE_SHIP_AIS_COM), u"COM7"_s);
}

TEST(SettingsInForce, StoredTextsReadBackAtTheNextStart)
{
    ConsoleFixture f;
    f.start(false);
    for (const QString &text : {u"COMP_TIME=1800"_s, u"SCAN_TIME=900"_s, u"COMP_ANG=4"_s, u"FixHDG=-5"_s,
                                u"SCAN_STEP=5"_s, u"ERROR_COMPSAME_REBOOT=1"_s, u"PING_100MS_REBOOT=1"_s,
                                u"mmsi=412345678"_s, u"PORT=8080"_s, u"SCAN_TIME=0"_s})
        f.enter(text);
    f.station.reset();
    Station &s = f.start(false);
    EXPECT_TRUE(s.optimisation.comparisonEnabled);
    EXPECT_EQ(s.optimisation.comparisonInterval, 1800);
    EXPECT_FALSE(s.optimisation.scanEnabled);
    EXPECT_EQ(s.optimisation.scanInterval, 900);
    EXPECT_EQ(s.optimisation.comparisonStep, 4);
    EXPECT_EQ(s.ais.headingCorrection, -5);
    EXPECT_EQ(s.optimisation.scanStep, 5);
    EXPECT_EQ(s.compassRebootSwitch, 1);
    EXPECT_EQ(s.pingRebootSwitch, 1);
    EXPECT_EQ(s.ais.targetMmsi, u"412345678"_s);
    EXPECT_TRUE(s.ais.shipToShip);
    EXPECT_TRUE(s.display.Label5.visible());
    EXPECT_EQ(s.Winsock1.RemotePort, 8080);
}

} // namespace
