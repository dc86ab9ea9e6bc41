// Enter in the command box: every family, every edge, row order.
#include "DispatchCase.h"

using namespace korvane;
using namespace korvane::test;
using namespace Qt::StringLiterals;

namespace {

const QString kPort = u"已经修改设置，请关闭软件重新打开！"_s;
const QString kCompLead = u"当前自动对比信号强度定时器间隔时长，设置值："_s;
const QString kCompHelp = u" 命令开启：COMP_TIME=1 关闭：COMP_TIME=0 设置时长：COMP_TIME=300-3600"_s;
const QString kScanLead = u"当无信号时，超过时长自动扫描，设置值："_s;
const QString kScanHelp = u" 命令开启：SCAN_TIME=1 关闭：SCAN_TIME=0 设置时长：SCAN_TIME=300-3600"_s;
const QString kMmsiSet = u"已经修改MMSI设置,请确保对应船只MMSI正确！"_s;
const QString kMmsiBad = u"输入MMSI值不正确，请检查是否9位数字！"_s;
const QString kCompass = u"已设定电子罗盘数据异常时，是否自动重启单片机值ERROR_COMPSAME_REBOOT："_s;
const QString kPing = u"已设定ping微波100次是否平均延迟超过100毫秒，是否自动重启微波设备PING_100MS_REBOOT："_s;
const QString kFixSet = u"设备头尾安装角和船舶艏尾中心线不在同一平行线的误差夹角（可能焊接支架导致）。修正值："_s;
const QString kStation = u"korvane-station"_s;
const QString kWarn = u"警告"_s;

using K = QPair<QString, QString>;

const std::vector<DispatchCase> kEnterCases = {
    // Pass-through and the texts that fall to it.
    {u"p"_s, {u"pass-through"_s}, {}, {}, "p", {}},
    {u""_s, {u"pass-through"_s}, {}, {}, "", {}},
    {u"WR"_s, {u"pass-through"_s}, {}, {}, "WR", {}},
    {u"IMPORTX"_s, {u"pass-through"_s}, {}, {}, "IMPORTX", {}},
    {u"[P0H0V0]"_s, {u"pass-through"_s}, {}, {}, "[P0H0V0]", {}},
    // Radio port.
    {u"PORT=8080"_s, {u"PORT"_s}, kPort, {K(keys::DEVICE_WIRESS_PORT, u"8080"_s)}, "",
     u"DEVICE_WIRESS_PORT:"_s + kPort, {kStation}},
    {u"port=19999"_s, {u"port"_s}, kPort, {K(keys::DEVICE_WIRESS_PORT, u"19999"_s)}, "",
     u"DEVICE_WIRESS_PORT:"_s + kPort, {kStation}},
    {u"PORT=20"_s, {u"PORT"_s}, {}, {}, "", {}},
    {u"PORT=20000"_s, {u"PORT"_s}, {}, {}, "", {}},
    {u"PORT=99999999999"_s, {u"PORT"_s}, {}, {}, "", {}},
    // Cloud server address.
    {u"CLOUD_HOST="_s, {u"CLOUD_HOST"_s}, u"IP地址格式不正确！"_s, {}, "", {}},
    {u"CLOUD_HOST"_s, {u"CLOUD_HOST"_s}, u"IP地址格式不正确！"_s, {}, "", {}},
    {u"CLOUD_HOST= 127.0.0.1 "_s, {u"CLOUD_HOST"_s}, u"已手动修改云服务器IP为：127.0.0.1，软件已切换为IP提交模式。"_s,
     {K(keys::CLOUD_HOST, u"127.0.0.1"_s), K(keys::CLOUD_MODE_IP, u"1"_s)}, "",
     u"已手动修改云服务器IP为：127.0.0.1，软件已切换为IP提交模式。"_s},
    // Comparison interval.
    {u"COMP_TIME"_s, {u"COMP_TIME"_s}, kCompLead + u"300秒（默认300秒=5分钟），当前功能开启状态：已关闭"_s + kCompHelp, {}, "", {}},
    {u"COMP_TIME=0"_s, {u"COMP_TIME"_s}, u"每间隔时长300秒，关闭当前自动对比信号强度功能。"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"0"_s)}, "", u"每间隔时长300秒，关闭当前自动对比信号强度功能。"_s},
    {u"COMP_TIME=1"_s, {u"COMP_TIME"_s}, u"每间隔时长300秒，开启当前自动对比信号强度功能。"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"1"_s)}, "", u"每间隔时长300秒，开启当前自动对比信号强度功能。"_s},
    {u"COMP_TIME=59"_s, {u"COMP_TIME"_s}, kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s, {}, "",
     kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s},
    {u"COMP_TIME=60"_s, {u"COMP_TIME"_s}, kCompLead + u"60秒，但当前功能已关闭，如需开启，还需要执行命令：COMP_TIME=1"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP_TIME, u"60"_s)}, "",
     kCompLead + u"60秒，但当前功能已关闭，如需开启，还需要执行命令：COMP_TIME=1"_s},
    {u"comp_time=3600"_s, {u"COMP_TIME"_s},
     kCompLead + u"3600秒，但当前功能已关闭，如需开启，还需要执行命令：COMP_TIME=1"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP_TIME, u"3600"_s)}, "",
     kCompLead + u"3600秒，但当前功能已关闭，如需开启，还需要执行命令：COMP_TIME=1"_s},
    {u"COMP_TIME=3601"_s, {u"COMP_TIME"_s}, kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s, {}, "",
     kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s},
    // Cross-family: "=1" is contained in "=1800" and "=10".
    {u"COMP_TIME=1800"_s, {u"COMP_TIME"_s}, kCompLead + u"1800秒，当前功能开启状态：已开启"_s + kCompHelp,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"1"_s), K(keys::USE_SHIP_AIS_SCAN_COMP_TIME, u"1800"_s)}, "",
     kCompLead + u"1800秒，当前功能开启状态：已开启"_s + kCompHelp},
    {u"COMP_TIME=10"_s, {u"COMP_TIME"_s}, kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP, u"1"_s)}, "", kCompLead + u"300秒（默认300秒=5分钟,可设置范围60-3600秒）"_s},
    // Comparison step; "COMP_ANG" (8 characters, holds "COM") is not a port.
    {u"COMP_ANG"_s, {u"COMP_ANG"_s}, u"当前自动对比信号强度步进度数，设置值：1度（默认1度），设置范围：COMP_ANG=1-5"_s, {}, "", {}},
    {u"COMP_ANG=0"_s, {u"COMP_ANG"_s}, {}, {}, "", {}},
    {u"COMP_ANG=6"_s, {u"COMP_ANG"_s}, {}, {}, "", {}},
    {u"COMP_ANG=3"_s, {u"COMP_ANG"_s}, u"设置当前自动对比信号强度步进度数，设置值：3度"_s,
     {K(keys::USE_SHIP_AIS_SCAN_COMP_ANG, u"3"_s)}, "", u"设置当前自动对比信号强度步进度数，设置值：3度"_s},
    // AIS serial port.
    // Names that exist nowhere here are refused and nothing is stored.
    {u"COM3"_s, {u"COM"_s}, u"未找到串口：COM3，AIS串口设置未修改"_s, {}, "", u"未找到串口：COM3，AIS串口设置未修改"_s},
    {u"COMPORT"_s, {u"COM"_s}, u"未找到串口：COMPORT，AIS串口设置未修改"_s, {}, "",
     u"未找到串口：COMPORT，AIS串口设置未修改"_s},
    {u"COM123456"_s, {u"pass-through"_s}, {}, {}, "COM123456", {}},
    // Target MMSI, ball-to-ball form: ticking the box stores USE_SHIP_AIS.
    {u"mmsi=412345678"_s, {u"mmsi"_s}, kMmsiSet + u"412345678"_s,
     {K(keys::USE_SHIP_MMSI, u"412345678"_s), K(keys::USE_SHIP_AIS, u"1"_s)}, "", kMmsiSet + u"412345678"_s, {kWarn}},
    // A refused value leaves the mode, its box and its key as they were.
    {u"mmsi=12345"_s, {u"mmsi"_s}, kMmsiBad + u"12345"_s, {}, "", {}, {kWarn}},
    {u"mmsi=800000000"_s, {u"mmsi"_s}, kMmsiBad + u"800000000"_s, {}, "", {}, {kWarn}},
    // Nine digits and nothing else; blanks around them are no part of it.
    {u"mmsi=413000000abc"_s, {u"mmsi"_s}, kMmsiBad + u"413000000abc"_s, {}, "", {}, {kWarn}},
    {u"ais=413000001.6"_s, {u"ais"_s}, kMmsiBad + u"413000001.6"_s, {}, "", {}, {kWarn}},
    {u"MMSI=\u3000412345678 "_s, {u"MMSI"_s}, kMmsiSet + u"412345678"_s,
     {K(keys::USE_SHIP_MMSI, u"412345678"_s), K(keys::USE_SHIP_AIS, u"1"_s)}, "", kMmsiSet + u"412345678"_s},
    {u"mmsi"_s, {u"mmsi"_s}, u"mmsi设置值：413000000"_s, {K(keys::USE_SHIP_AIS, u"1"_s)}, "", {}, {kWarn},
     [](Station &s) { s.ais.targetMmsi = u"413000000"_s; }},
    {u"mmsi=412345678"_s, {u"mmsi"_s}, kMmsiSet + u"412345678"_s, {K(keys::USE_SHIP_MMSI, u"412345678"_s)}, "",
     kMmsiSet + u"412345678"_s, {},
     [](Station &s) {
         s.display.Label5.setVisible(true);
         s.display.CHK_SHIP_AIS.setValue(1);
     }},
    {u"MMSI=412345678"_s, {u"MMSI"_s}, kMmsiSet + u"412345678"_s,
     {K(keys::USE_SHIP_MMSI, u"412345678"_s), K(keys::USE_SHIP_AIS, u"1"_s)}, "", kMmsiSet + u"412345678"_s},
    // The bare word without a ship to follow switches nothing on.
    {u"MMSI"_s, {u"MMSI"_s}, {}, {}, "", {}},
    // Heading correction.
    {u"FixHDG=-5"_s, {u"FixHDG"_s}, kFixSet + u"-5度"_s, {K(keys::USE_SHIP_AIS_FIXHDG, u"-5"_s)}, "", kFixSet + u"-5度"_s},
    {u"FixHDG=100"_s, {u"FixHDG"_s}, {}, {}, "", {}},
    // Blanks around the command change nothing of its meaning.
    {u" FixHDG=-5 "_s, {u"FixHDG"_s}, kFixSet + u"-5度"_s, {K(keys::USE_SHIP_AIS_FIXHDG, u"-5"_s)}, "",
     kFixSet + u"-5度"_s},
    {u"FixHDG "_s, {u"FixHDG"_s}, u"当前设备头尾安装角和船舶艏尾中心线，误差夹角（可能焊接支架导致）。修正值：7度"_s, {}, "", {},
     {}, [](Station &s) { s.ais.headingCorrection = 7; }},
    {u"FixHDG= "_s, {u"FixHDG"_s}, u"当前设备头尾安装角和船舶艏尾中心线，误差夹角（可能焊接支架导致）。修正值：7度"_s, {}, "", {},
     {}, [](Station &s) { s.ais.headingCorrection = 7; }},
    {u"FixHDG=-100"_s, {u"FixHDG"_s}, {}, {}, "", {}},
    {u"FixHDG"_s, {u"FixHDG"_s}, u"当前设备头尾安装角和船舶艏尾中心线，误差夹角（可能焊接支架导致）。修正值：7度"_s, {}, "", {}, {},
     [](Station &s) { s.ais.headingCorrection = 7; }},
    // Lost-signal scan interval.
    {u"SCAN_TIME"_s, {u"SCAN_TIME"_s}, kScanLead + u"600秒，当前功能开启状态：已开启"_s + kScanHelp, {}, "", {}},
    // "SCAN_TIME=1" is contained in both: the sweep is switched on as well.
    {u"SCAN_TIME=179"_s, {u"SCAN_TIME"_s}, u"当无信号时，超过时长自动扫描，设置值超出范围，建议设置值：180-3600秒（3-60分钟）"_s,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO, u"1"_s)}, "", u"当无信号时，超过时长600秒，开启自动扫描功能。"_s},
    {u"SCAN_TIME=180"_s, {u"SCAN_TIME"_s}, kScanLead + u"180秒，当前功能开启状态：已开启"_s + kScanHelp,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO, u"1"_s), K(keys::USE_SHIP_AIS_SCAN_AUTO_TIME, u"180"_s)}, "",
     kScanLead + u"180秒，当前功能开启状态：已开启"_s + kScanHelp},
    {u"SCAN_TIME=2000"_s, {u"SCAN_TIME"_s}, kScanLead + u"2000秒，当前功能开启状态：已开启"_s + kScanHelp,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO_TIME, u"2000"_s)}, "", kScanLead + u"2000秒，当前功能开启状态：已开启"_s + kScanHelp},
    {u"SCAN_TIME=4000"_s, {u"SCAN_TIME"_s}, u"当无信号时，超过时长自动扫描，设置值超出范围，建议设置值：180-3600秒（3-60分钟）"_s,
     {}, "", {}},
    {u"scan_time=600"_s, {u"SCAN_TIME"_s}, kScanLead + u"600秒，当前功能开启状态：已开启"_s + kScanHelp,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO_TIME, u"600"_s)}, "", kScanLead + u"600秒，当前功能开启状态：已开启"_s + kScanHelp},
    {u"SCAN_TIME=0"_s, {u"SCAN_TIME"_s}, u"当无信号时，超过时长600秒，关闭自动扫描功能。"_s,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO, u"0"_s)}, "", u"当无信号时，超过时长600秒，关闭自动扫描功能。"_s},
    // Enter composes the event line after the "still off" notice.
    {u"SCAN_TIME=900"_s, {u"SCAN_TIME"_s}, kScanLead + u"900秒，但当前功能已关闭，如需开启，还需要执行命令：SCAN_TIME=1"_s,
     {K(keys::USE_SHIP_AIS_SCAN_AUTO_TIME, u"900"_s)}, "",
     kScanLead + u"900秒，但当前功能已关闭，如需开启，还需要执行命令：SCAN_TIME=1"_s, {},
     [](Station &s) { s.optimisation.scanEnabled = false; }},
    // Target MMSI, AIS-drive form.
    {u"ais=412345678"_s, {u"ais"_s}, kMmsiSet + u"412345678"_s,
     {K(keys::USE_SHIP_MMSI, u"412345678"_s), K(keys::USE_SHIP_AIS_DRIVE, u"1"_s)}, "", kMmsiSet + u"412345678"_s, {kWarn}},
    {u"AIS"_s, {u"AIS"_s}, u"MMSI设置值：413000000"_s, {K(keys::USE_SHIP_AIS_DRIVE, u"1"_s)}, "", {}, {kWarn},
     [](Station &s) { s.ais.targetMmsi = u"413000000"_s; }},
    {u"AIS=1"_s, {u"AIS"_s}, kMmsiBad + u"1"_s, {}, "", {}, {kWarn}},
    {u"ais"_s, {u"ais"_s}, {}, {}, "", {}, {kWarn}},
    // The families that let the text go on to the board.
    {u"SCAN_STEP=5"_s, {u"SCAN_STEP"_s, u"pass-through"_s}, u"修改自动扫描步长为：5度"_s, {K(keys::SCAN_STEP, u"5"_s)},
     "SCAN_STEP=5", u"修改自动扫描步长为：5度"_s},
    {u"SCAN_STEP=11"_s, {u"SCAN_STEP"_s, u"pass-through"_s}, u"当前自动扫描步长3度"_s, {}, "SCAN_STEP=11", {}, {},
     [](Station &s) { s.optimisation.scanStep = 3; }},
    {u"SCAN_STEP"_s, {u"SCAN_STEP"_s, u"pass-through"_s}, u"未设置自动扫描"_s, {}, "SCAN_STEP", {}},
    {u"SCAN_STEP=0"_s, {u"SCAN_STEP"_s, u"pass-through"_s}, u"修改自动扫描步长为：0度"_s, {K(keys::SCAN_STEP, u"0"_s)},
     "SCAN_STEP=0", u"修改自动扫描步长为：0度"_s, {}, [](Station &s) { s.optimisation.scanStep = 4; }},
    {u"ERROR_COMPSAME_REBOOT=1"_s, {u"ERROR_COMPSAME_REBOOT"_s, u"pass-through"_s}, kCompass + u"1"_s,
     {K(keys::ERROR_COMPSAME_REBOOT, u"1"_s)}, "ERROR_COMPSAME_REBOOT=1", kCompass + u"1"_s},
    {u"ERROR_COMPSAME_REBOOT=0"_s, {u"ERROR_COMPSAME_REBOOT"_s, u"pass-through"_s}, kCompass + u"0"_s,
     {K(keys::ERROR_COMPSAME_REBOOT, u"0"_s)}, "ERROR_COMPSAME_REBOOT=0", kCompass + u"0"_s},
    {u"ERROR_COMPSAME_REBOOT"_s, {u"ERROR_COMPSAME_REBOOT"_s, u"pass-through"_s}, kCompass + u"1"_s, {},
     "ERROR_COMPSAME_REBOOT", kCompass + u"1"_s, {}, [](Station &s) { s.compassRebootSwitch = 1; }},
    {u"PING_100MS_REBOOT=1"_s, {u"PING_100MS_REBOOT"_s, u"pass-through"_s}, kPing + u"1"_s,
     {K(keys::PING_100MS_REBOOT, u"1"_s)}, "PING_100MS_REBOOT=1", kPing + u"1"_s},
    {u"PING_100MS_REBOOT"_s, {u"PING_100MS_REBOOT"_s, u"pass-through"_s}, kPing + u"0"_s, {}, "PING_100MS_REBOOT",
     kPing + u"0"_s},
    // Several continuing families in one text: the last event line wins.
    {u"SCAN_STEP=5 PING_100MS_REBOOT=1"_s, {u"SCAN_STEP"_s, u"PING_100MS_REBOOT"_s, u"pass-through"_s}, kPing + u"1"_s,
     {K(keys::SCAN_STEP, u"5"_s), K(keys::PING_100MS_REBOOT, u"1"_s)}, "SCAN_STEP=5 PING_100MS_REBOOT=1", kPing + u"1"_s},
    // Actions (answered Cancel here): only the confirmation appears.
    {u"INIT"_s, {u"INIT"_s}, {}, {}, "", {}, {kWarn}},
    {u"INITIAL"_s, {u"INIT"_s}, {}, {}, "", {}, {kWarn}},
    {u"import"_s, {u"IMPORT"_s}, {}, {}, "", {}, {u"警告 - 导入基站坐标"_s}},
    {u"IMPORT"_s, {u"IMPORT"_s}, {}, {}, "", {}, {u"警告 - 导入基站坐标"_s}},
    {u"AUTOSCAN"_s, {u"AUTOSCAN"_s}, {}, {}, "", {}, {kWarn}},
};

class EnterTable : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(EnterTable, HandlerNoticeStoreWireAndEventLine)
{
    runCase(GetParam(), ConsolePath::Enter);
}

INSTANTIATE_TEST_SUITE_P(Console, EnterTable, ::testing::ValuesIn(kEnterCases), caseName);

} // namespace
