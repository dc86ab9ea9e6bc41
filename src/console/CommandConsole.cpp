#include "console/CommandConsole.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "console/CommandText.h"
#include "console/SettingCommands.h"
#include "controller/BaseImport.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "controller/InitSequence.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/TcpLink.h"
#include "radio/JsonConsoleReply.h"
#include "model/RadioSessionState.h"
#include "text/Formats.h"

namespace korvane {

namespace {

constexpr int kEnterKey = 13;
const QString kCrLf = QStringLiteral("\r\n");

using Form = SettingCommands::SwitchForm;

// The help line: every row is tested and the last match wins, so
// "COMP_ANG" explains the comparison step, not the serial port.
struct Tip {
    const char *equals; // null: the serial-port name test
    const char *text;
};

const Tip kTips[] = {
    {"p", "p查询当前天线姿态"},
    {"j", "j+数字，设置目标经度"},
    {"w", "w+数字，设置目标纬度"},
    {"R", "R重新启动动中通(机电部分)"},
    {"?", "?帮助信息,获取动中通状态和支持命令"},
    {"WR", "WR重新启动动中通(无线射频部分)"},
    {"c", "c查询电子罗盘数据"},
    {nullptr, "本地串口接收AIS数据的端口号"},
    {"COMP_TIME", "设置天线信号微调对比定时时长"},
    {"COMP_ANG", "设置天线信号微调对比步进度数"},
    {"SCAN_TIME", "设置无线信号丢失自动扫描定时"},
    {"IMPORT", "导入POINT.INI预设定的基站坐标数据"},
};

const char *const kRebootNotice = "微波设备重启动中，请等待2分钟左右......";

} // namespace

// Enter: the settings first, then the actions. SCAN_STEP and the two reboot
// switches let the text go on, so it also reaches the board.
const CommandConsole::Row CommandConsole::kEnterRows[] = {
    // First, so an address holding "ais", "COM" or "port=" is not taken
    // for another command.
    {Test::Contains, {"SHIP_SERVICE"}, "SHIP_SERVICE", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.shipService(m); }},
    {Test::Contains, {"PORT="}, "PORT", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.radioPort(m, QStringLiteral("PORT=")); }},
    {Test::Contains, {"port="}, "port", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.radioPort(m, QStringLiteral("port=")); }},
    {Test::Contains, {"CLOUD_HOST"}, "CLOUD_HOST", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.cloudHost(m); }},
    {Test::Contains, {"comp_time", "COMP_TIME"}, "COMP_TIME", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.comparisonInterval(m); }},
    {Test::Contains, {"comp_ang", "COMP_ANG"}, "COMP_ANG", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.comparisonStep(m); }},
    {Test::SerialPortName, {}, "COM", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.aisSerialPort(m); }},
    {Test::Contains, {"mmsi"}, "mmsi", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.shipMmsi(m, QStringLiteral("mmsi")); }},
    {Test::Contains, {"MMSI"}, "MMSI", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.shipMmsi(m, QStringLiteral("MMSI")); }},
    {Test::Contains, {"FixHDG"}, "FixHDG", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.headingCorrection(m); }},
    {Test::Contains, {"SCAN_TIME", "scan_time"}, "SCAN_TIME", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.scanInterval(m); }},
    {Test::Contains, {"ais"}, "ais", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.driveMmsi(m, QStringLiteral("ais")); }},
    {Test::Contains, {"AIS"}, "AIS", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.driveMmsi(m, QStringLiteral("AIS")); }},
    {Test::Contains, {"SCAN_STEP"}, "SCAN_STEP", true,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.scanStep(m); }},
    {Test::Contains, {"ERROR_COMPSAME_REBOOT=0", "ERROR_COMPSAME_REBOOT=1", "ERROR_COMPSAME_REBOOT"},
     "ERROR_COMPSAME_REBOOT", true,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.compassReboot(m, Form::All); }},
    {Test::Contains, {"PING_100MS_REBOOT=0", "PING_100MS_REBOOT=1", "PING_100MS_REBOOT"}, "PING_100MS_REBOOT", true,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.pingReboot(m, Form::All); }},
    {Test::Contains, {"INIT"}, "INIT", false, [](CommandConsole &c, ConsoleCommand &) { launch(c.confirmInit(), "INIT"); }},
    {Test::EqualsIgnoringCase, {"IMPORT"}, "IMPORT", false,
     [](CommandConsole &c, ConsoleCommand &) { launch(c.confirmImport(), "IMPORT"); }},
    {Test::Contains, {"AUTOSCAN"}, "AUTOSCAN", false,
     [](CommandConsole &c, ConsoleCommand &) { launch(c.confirmAutoscan(), "AUTOSCAN"); }},
    {Test::DiscoveredPortName, {}, "COM", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.aisSerialPort(m); }},
    {Test::Anything, {}, "pass-through", false, [](CommandConsole &c, ConsoleCommand &) { c.passThrough(); }},
};

// The send button: IMPORT first; no CLOUD_HOST, FixHDG or SCAN_STEP (those
// go to the board); the reboot switches end the command; WR reboots the
// radio while its link is up.
const CommandConsole::Row CommandConsole::kButtonRows[] = {
    // First, so an address holding "ais", "COM" or "port=" is not taken
    // for another command.
    {Test::Contains, {"SHIP_SERVICE"}, "SHIP_SERVICE", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.shipService(m); }},
    {Test::EqualsIgnoringCase, {"IMPORT"}, "IMPORT", false,
     [](CommandConsole &c, ConsoleCommand &) { launch(c.confirmImport(), "IMPORT"); }},
    {Test::Contains, {"PORT="}, "PORT", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.radioPort(m, QStringLiteral("PORT=")); }},
    {Test::Contains, {"port="}, "port", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.radioPort(m, QStringLiteral("port=")); }},
    {Test::Contains, {"comp_ang", "COMP_ANG"}, "COMP_ANG", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.comparisonStep(m); }},
    {Test::SerialPortName, {}, "COM", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.aisSerialPort(m); }},
    {Test::Contains, {"mmsi"}, "mmsi", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.shipMmsi(m, QStringLiteral("mmsi")); }},
    {Test::Contains, {"MMSI"}, "MMSI", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.shipMmsi(m, QStringLiteral("MMSI")); }},
    {Test::Contains, {"SCAN_TIME", "scan_time"}, "SCAN_TIME", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.scanInterval(m); }},
    {Test::Contains, {"comp_time", "COMP_TIME"}, "COMP_TIME", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.comparisonInterval(m); }},
    {Test::Contains, {"ais"}, "ais", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.driveMmsi(m, QStringLiteral("ais")); }},
    {Test::Contains, {"AIS"}, "AIS", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.driveMmsi(m, QStringLiteral("AIS")); }},
    {Test::Contains, {"ERROR_COMPSAME_REBOOT=0"}, "ERROR_COMPSAME_REBOOT=0", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.compassReboot(m, Form::Off); }},
    {Test::Contains, {"ERROR_COMPSAME_REBOOT=1"}, "ERROR_COMPSAME_REBOOT=1", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.compassReboot(m, Form::On); }},
    {Test::Contains, {"ERROR_COMPSAME_REBOOT"}, "ERROR_COMPSAME_REBOOT", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.compassReboot(m, Form::Query); }},
    {Test::Contains, {"PING_100MS_REBOOT=0"}, "PING_100MS_REBOOT=0", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.pingReboot(m, Form::Off); }},
    {Test::Contains, {"PING_100MS_REBOOT=1"}, "PING_100MS_REBOOT=1", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.pingReboot(m, Form::On); }},
    {Test::Contains, {"PING_100MS_REBOOT"}, "PING_100MS_REBOOT", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.pingReboot(m, Form::Query); }},
    {Test::RadioRebootReady, {"WR"}, "WR", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.radioReboot(m); }},
    {Test::Contains, {"INIT"}, "INIT", false, [](CommandConsole &c, ConsoleCommand &) { launch(c.confirmInit(), "INIT"); }},
    {Test::Contains, {"AUTOSCAN"}, "AUTOSCAN", false,
     [](CommandConsole &c, ConsoleCommand &) { launch(c.confirmAutoscan(), "AUTOSCAN"); }},
    {Test::DiscoveredPortName, {}, "COM", false,
     [](CommandConsole &c, ConsoleCommand &m) { c.m_parts.settings.aisSerialPort(m); }},
    {Test::Anything, {}, "pass-through", false, [](CommandConsole &c, ConsoleCommand &) { c.passThrough(); }},
};

CommandConsole::CommandConsole(Parts parts, EventLine eventLine)
    : m_parts(parts), m_eventLine(std::move(eventLine))
{
}

void CommandConsole::Combo2_KeyDown(int keyCode, int /*shift*/)
{
    if (keyCode != kEnterKey)
        return;
    dispatch(ConsolePath::Enter, kEnterRows);
}

void CommandConsole::Command3_Click()
{
    dispatch(ConsolePath::Button, kButtonRows);
}

void CommandConsole::Combo2_Click()
{
    const QString text = m_parts.display.Combo2.text();
    for (const Tip &tip : kTips) {
        const bool match = tip.equals ? text == QLatin1String(tip.equals) : console::isSerialPortName(text);
        if (match)
            m_parts.display.cmdtips.setText(QString::fromUtf8(tip.text));
    }
}

// The text is read afresh for every test: a handler's wait lets the
// operator change the box before the next row looks at it.
void CommandConsole::dispatch(ConsolePath path, std::span<const Row> rows)
{
    ConsoleCommand command;
    command.path = path;
    if (commandEntered && !m_parts.display.Combo2.text().isEmpty())
        commandEntered();
    for (const Row &row : rows) {
        if (!matches(row, m_parts.display.Combo2.text()))
            continue;
        command.handled << QString::fromLatin1(row.name);
        row.run(*this, command);
        if (!row.continues)
            break;
    }
    if (!command.eventLine.isEmpty())
        m_parts.log.append(command.eventLine);
    m_lastHandled = command.handled;
}

bool CommandConsole::matches(const Row &row, const QString &text) const
{
    switch (row.test) {
    case Test::Contains:
        for (const char *word : row.words) {
            if (word && text.contains(QLatin1String(word)))
                return true;
        }
        return false;
    case Test::EqualsIgnoringCase:
        return text.compare(QLatin1String(row.words[0]), Qt::CaseInsensitive) == 0;
    case Test::SerialPortName:
        return console::isSerialPortName(text);
    case Test::DiscoveredPortName:
        return m_parts.settings.isDiscoveredAisPort(text);
    case Test::RadioRebootReady:
        return text == QLatin1String(row.words[0]) && m_parts.radioSocket.State() == TcpLink::Connected;
    case Test::Anything:
        return true;
    }
    return false;
}

// One board script at a time: two runs would interleave their commands
// (and their "T" base counts) on the one link.
bool CommandConsole::scriptBusy()
{
    if (m_parts.init.isRunning())
        m_parts.display.Label_NOTE.setText(QStringLiteral("初始化设置正在进行中，请等待完成后再操作！"));
    else if (m_parts.import.isRunning())
        m_parts.display.Label_NOTE.setText(QStringLiteral("基站坐标正在导入中，请等待完成后再操作！"));
    else
        return false;
    return true;
}

Task<> CommandConsole::confirmInit()
{
    if (scriptBusy())
        co_return;
    const Dialogs::Answer answer = co_await m_parts.dialogs.question(
        &m_parts.scope, QStringLiteral("警告"),
        QStringLiteral("初始化操作提醒：设置动中通设备初始操作，将清除原有设置，请务必谨慎操作，"
                       "请确保您已知设备相关参数并进行重新设置，点击确定将开始初始化"),
        Dialogs::Icon::Information, Dialogs::Answer::Cancel);
    if (answer == Dialogs::Answer::Ok)
        m_parts.init.init_board();
}

Task<> CommandConsole::confirmImport()
{
    if (scriptBusy())
        co_return;
    const Dialogs::Answer answer = co_await m_parts.dialogs.question(
        &m_parts.scope, QStringLiteral("警告 - 导入基站坐标"),
        QStringLiteral("导入基站坐标将覆盖单片机已存储的基站预设坐标！") + kCrLf + QStringLiteral("是否继续导入？")
            + kCrLf + kCrLf + QStringLiteral("注意：导入后请根据实际需要执行T命令和Z命令启用相应基站。"),
        Dialogs::Icon::Warning, Dialogs::Answer::Cancel);
    if (answer == Dialogs::Answer::Ok)
        m_parts.import.ImportBasePoints();
}

Task<> CommandConsole::confirmAutoscan()
{
    const Dialogs::Answer answer = co_await m_parts.dialogs.question(
        &m_parts.scope, QStringLiteral("警告"),
        QStringLiteral("系统将在默认天线驱动基础上，进行前后30度扫描，且统计信号强度值，用于做天线人工角度调整的依据，"
                       "整个过程将耗时10分钟，点击确定将开始执行"),
        Dialogs::Icon::Information, Dialogs::Answer::Cancel);
    if (answer == Dialogs::Answer::Ok && autoscan)
        autoscan();
}

void CommandConsole::radioReboot(ConsoleCommand &command)
{
    const QString notice = QString::fromUtf8(kRebootNotice);
    m_parts.display.Label_NOTE.setText(notice);
    command.eventLine = m_eventLine(notice);
    m_parts.display.Text2.append(kCrLf + dateTimeText(m_parts.clock.now()) + QLatin1Char(' ') + notice);
    switch (m_parts.radio.RadioFamily) {
    case RadioFamilyAirOs:
    case RadioFamilyAirFiber:
    case RadioFamilyIwconfig:
        m_parts.radioSocket.SendData(QStringLiteral("reboot") + kCrLf);
        break;
    case RadioFamilyJsonConsole:
        m_parts.radioSocket.SendData(jsonRebootCommand(m_parts.status.RadioKey));
        break;
    default:
        break; // family not known yet, or a 5G CPE: nothing to send
    }
}

void CommandConsole::passThrough()
{
    const QString text = m_parts.display.Combo2.text();
    // No terminator: the board takes the text as typed; while the link is
    // down the command is dropped without a notice.
    if (!text.isEmpty() && m_parts.controller.isConnected())
        m_parts.controller.send(text);
}

} // namespace korvane
