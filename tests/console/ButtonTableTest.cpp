// The send button: its own order, its own texts, and the families it does
// not know going to the board.
#include "DispatchCase.h"

using namespace korvane;
using namespace korvane::test;
using namespace Qt::StringLiterals;

namespace {

const QString kPort = u"已经修改设置，请关闭软件重新打开！"_s;
const QString kQuery = u"当前自动对比信号强度定优化时器间隔时长，设置值："_s;
const QString kCompLead = u"当前自动对比信号强度优化定时器间隔时长，设置值："_s;
const QString kCompHelp = u" 命令开启：COMP_TIME=1 关闭：COMP_TIME=0 设置时长：COMP_TIME=60-3600"_s;
const QString kScanLead = u"当无信号时，超过时长自动扫描，设置值："_s;
const QString kScanHelp = u" 命令开启：SCAN_TIME=1 关闭：SCAN_TIME=0 设置时长：SCAN_TIME=300-3600"_s;
const QString kMmsiSet = u"已经修改MMSI设置,请确保对应船只MMSI正确！"_s;
const QString kMmsiBad = u"输入MMSI值不正确，请检查是否9位数字！"_s;
const QString kCompass = u"已设定电子罗盘数据异常时，是否自动重启单片机值ERROR_COMPSAME_REBOOT："_s;
const QString kPing = u"已设定ping微波100次是否平均延迟超过100毫秒，是否自动重启微波设备PING_100MS_REBOOT："_s;
const QString kStation = u"korvane-station"_s;
const QString kWarn = u"警告"_s;

using K = QPair<QString, QString>;

const std::vector<DispatchCase> kButtonCases = {
    {u"p"_s, {u"pass-through"_s}, {}, {}, "p", {}},
    {u""_s, {u"pass-through"_s}, {}, {}, "", {}},
    // The radio link is down here, so WR goes to the board.
    {u"WR"_s, {u"pass-through"_s}, {}, {}, "WR", {}},
    {u"IMPORTX"_s, {u"pass-through"_s}, {}, {}, "IMPORTX", {}},
    // Families the button does not know reach the board unchanged.
    {u"CLOUD_HOST=127.0.0.1"_s, {u"pass-through"_s}, {}, {}, "CLOUD_HOST=127.0.0.1", {}},
    {u"FixHDG=-5"_s, {u"pass-through"_s}, {}, {}, "FixHDG=-5", {}},
    {u"SCAN_STEP=5"_s, {u"pass-through"_s}, {}, {}, "SCAN_STEP=5", {}},
    // Radio port: plain event line, composed before the box.
    {u"PORT=8080"_s, {u"PORT"_s}, kPort, {K(keys::DEVICE_WIRESS_PORT, u"8080"_s)}, "", kPort, {kStation}},
    {u"port=21"_s, {u"port"_s}, kPort, {K(keys::DEVICE_WIRESS_PORT, u"21"_s)}, "", kPort, {kStation}},
    {u"PORT=20000"_s, {u"PORT"_s}, {}, {}, "", {}},
    // Comparison interval in the button's words.
    {u"COMP_TIME"_s, {u"COMP_TIME"_s}, kQuery + u"300秒（默认300秒=5分钟），当前功能开启状态：已关闭"_s + kCompHelp, {}, "", {}},
    {u"COMP_TIME=0"_s, {u"COMP_TIME"_s}, u"每间隔时长300秒，关闭当前自动对比信号强度优化功能。"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"0"_s)}, "", u"每间隔时长300秒，关闭当前自动对比信号强度优化功能。"_s},
    {u"comp_time=1"_s, {u"COMP_TIME"_s}, u"每间隔时长300秒，开启当前自动对比信号强度优化功能。"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"1"_s)}, "", u"每间隔时长300秒，开启当前自动对比信号强度优化功能。"_s},
    {u"COMP_TIME=59"_s, {u"COMP_TIME"_s}, kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s, {}, "",
     kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s},
    // The button logs the setting notice, not the "still off" one after it.
    {u"COMP_TIME=60"_s, {u"COMP_TIME"_s}, kCompLead + u"60秒，但当前功能已关闭，如需开启，还需要执行命令：COMP_TIME=1"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP_TIME, u"60"_s)}, "",
     kCompLead + u"60秒，当前功能开启状态：已关闭"_s + kCompHelp},
    {u"COMP_TIME=1800"_s, {u"COMP_TIME"_s}, kCompLead + u"1800秒，当前功能开启状态：已开启"_s + kCompHelp,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"1"_s), K(keys::USE_SHIP_AIS_SCAN_COMP_TIME, u"1800"_s)}, "",
     kCompLead + u"1800秒，当前功能开启状态：已开启"_s + kCompHelp},
    {u"COMP_TIME=10"_s, {u"COMP_TIME"_s}, kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"1"_s)}, "", kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s},
    // Comparison step.
    {u"COMP_ANG"_s, {u"COMP_ANG"_s}, u"当前自动对比信号强度步进度数，设置值：1度（默认1度），设置范围：COMP_ANG=1-5"_s, {}, "", {}},
    {u"comp_ang=5"_s, {u"COMP_ANG"_s}, u"设置当前自动对比信号强度步进度数，设置值：5度"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP_ANG, u"5"_s)}, "", u"设置当前自动对比信号强度步进度数，设置值：5度"_s},
    {u"COMP_ANG=6"_s, {u"COMP_ANG"_s}, {}, {}, "", {}},
    // Serial port.
    {u"COM5"_s, {u"COM"_s}, u"未找到串口：COM5，AIS串口设置未修改"_s, {}, "", u"未找到串口：COM5，AIS串口设置未修改"_s},
    // MMSI: the ball-to-ball form warns on Enter only; the drive form on both.
    {u"mmsi=412345678"_s, {u"mmsi"_s}, kMmsiSet + u"412345678"_s,
     {K(keys::USE_SHIP_MMSI, u"412345678"_s), K(keys::USE_SHIP_AIS, u"1"_s)}, "", kMmsiSet + u"412345678"_s},
    {u"MMSI=12345"_s, {u"MMSI"_s}, kMmsiBad + u"12345"_s, {}, "", {}},
    {u"ais"_s, {u"ais"_s}, u"mmsi设置值：413000000"_s, {K(keys::USE_SHIP_AIS_DRIVE, u"1"_s)}, "", {}, {kWarn},
     [](Station &s) { s.ais.targetMmsi = u"413000000"_s; }},
    {u"AIS=412345678"_s, {u"AIS"_s}, kMmsiSet + u"412345678"_s,
     {K(keys::USE_SHIP_MMSI, u"412345678"_s), K(keys::USE_SHIP_AIS_DRIVE, u"1"_s)}, "", kMmsiSet + u"412345678"_s, {kWarn}},
    // Scan interval: "秒" without the comma, and the setting notice logged.
    {u"SCAN_TIME=600"_s, {u"SCAN_TIME"_s}, kScanLead + u"600秒当前功能开启状态：已开启"_s + kScanHelp,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO_TIME, u"600"_s)}, "", kScanLead + u"600秒当前功能开启状态：已开启"_s + kScanHelp},
    {u"SCAN_TIME=900"_s, {u"SCAN_TIME"_s}, kScanLead + u"900秒，但当前功能已关闭，如需开启，还需要执行命令：SCAN_TIME=1"_s,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO_TIME, u"900"_s)}, "", kScanLead + u"900秒当前功能开启状态：已关闭"_s + kScanHelp, {},
     [](Station &s) { s.optimisation.scanEnabled = false; }},
    {u"SCAN_TIME=1"_s, {u"SCAN_TIME"_s}, u"当无信号时，超过时长600秒，开启自动扫描功能。"_s,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO, u"1"_s)}, "", u"当无信号时，超过时长600秒，开启自动扫描功能。"_s},
    {u"SCAN_TIME=4000"_s, {u"SCAN_TIME"_s}, u"当无信号时，超过时长自动扫描，设置值超出范围，建议设置值：180-3600秒（3-60分钟）"_s,
     {}, "", {}},
    // Reboot switches: the first matching row only, "=0"/"=1" silently.
    {u"ERROR_COMPSAME_REBOOT=1"_s, {u"ERROR_COMPSAME_REBOOT=1"_s}, {}, {K(keys::ERROR_COMPSAME_REBOOT, u"1"_s)}, "", {}},
    {u"ERROR_COMPSAME_REBOOT=0"_s, {u"ERROR_COMPSAME_REBOOT=0"_s}, {}, {K(keys::ERROR_COMPSAME_REBOOT, u"0"_s)}, "", {}},
    {u"ERROR_COMPSAME_REBOOT"_s, {u"ERROR_COMPSAME_REBOOT"_s}, kCompass + u"1"_s, {}, "", kCompass + u"1"_s, {},
     [](Station &s) { s.compassRebootSwitch = 1; }},
    {u"PING_100MS_REBOOT=1"_s, {u"PING_100MS_REBOOT=1"_s}, {}, {K(keys::PING_100MS_REBOOT, u"1"_s)}, "", {}},
    {u"PING_100MS_REBOOT=0"_s, {u"PING_100MS_REBOOT=0"_s}, {}, {K(keys::PING_100MS_REBOOT, u"0"_s)}, "", {}},
    {u"PING_100MS_REBOOT?"_s, {u"PING_100MS_REBOOT"_s}, kPing + u"0"_s, {}, "", kPing + u"0"_s},
    // Actions.
    {u"import"_s, {u"IMPORT"_s}, {}, {}, "", {}, {u"警告 - 导入基站坐标"_s}},
    {u"INITIAL"_s, {u"INIT"_s}, {}, {}, "", {}, {kWarn}},
    {u"AUTOSCAN"_s, {u"AUTOSCAN"_s}, {}, {}, "", {}, {kWarn}},
};

class ButtonTable : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(ButtonTable, HandlerNoticeStoreWireAndEventLine)
{
    runCase(GetParam(), ConsolePath::Button);
}

INSTANTIATE_TEST_SUITE_P(Console, ButtonTable, ::testing::ValuesIn(kButtonCases), caseName);

} // namespace
