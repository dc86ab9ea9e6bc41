#include "console/SettingCommands.h"

#include "model/Display.h"
#include "model/SettingKeys.h"
#include "model/CloudState.h"
#include "console/CommandText.h"
#include "model/AisState.h"
#include "nav/ShipService.h"
#include "model/OptimisationState.h"
#include "platform/Dialogs.h"
#include "platform/SerialLink.h"
#include "platform/SettingsStore.h"

namespace korvane {

using console::remainder;
using console::valueOf;

struct SettingCommands::SwitchFamily {
    QString name;
    const QString &key;
    QString notice;
    std::int16_t &value;
};

SettingCommands::SettingCommands(Display &display, SettingsStore &settings, Dialogs &dialogs, Records records,
                                 EventLine eventLine, QString applicationTitle)
    : m_display(display),
      m_settings(settings),
      m_dialogs(dialogs),
      m_records(records),
      m_eventLine(std::move(eventLine)),
      m_applicationTitle(std::move(applicationTitle))
{
}

QString SettingCommands::text() const
{
    return m_display.Combo2.text();
}

void SettingCommands::notice(const QString &text)
{
    m_display.Label_NOTE.setText(text);
}

void SettingCommands::compose(ConsoleCommand &command) const
{
    command.eventLine = m_eventLine(m_display.Label_NOTE.text());
}

void SettingCommands::radioPort(ConsoleCommand &command, const QString &prefix)
{
    // A number too large for the width is out of range as well.
    const std::int32_t v = valueOf<std::int32_t>(remainder(text(), prefix)).value_or(0);
    if (v <= 20 || v >= 20000)
        return;
    m_settings.write(keys::DEVICE_WIRESS_PORT, QString::number(v));
    if (radioPortChosen)
        radioPortChosen();
    notice(QStringLiteral("已经修改设置，请关闭软件重新打开！"));
    const QString restart = QStringLiteral("输入切换端口的命令后，需要您关闭软件重新打开生效!");
    if (command.onEnter()) {
        m_dialogs.tell(m_applicationTitle, restart, Dialogs::Icon::None);
        command.eventLine = m_eventLine(QStringLiteral("DEVICE_WIRESS_PORT:") + m_display.Label_NOTE.text());
    } else {
        compose(command);
        m_dialogs.tell(m_applicationTitle, restart, Dialogs::Icon::None);
    }
}

void SettingCommands::cloudHost(ConsoleCommand &command)
{
    const QString t = text();
    const QString prefix = QStringLiteral("CLOUD_HOST=");
    // The bare name carries no address; it must not become one.
    const QString host = t.contains(prefix) ? remainder(t, prefix).trimmed() : QString();
    if (host.isEmpty()) {
        notice(QStringLiteral("IP地址格式不正确！"));
        return;
    }
    m_settings.write(keys::CLOUD_HOST, host);
    m_settings.write(keys::CLOUD_MODE_IP, QStringLiteral("1"));
    m_records.cloud.ipMode = true;
    notice(QStringLiteral("已手动修改云服务器IP为：") + host + QStringLiteral("，软件已切换为IP提交模式。"));
    compose(command);
    m_display.Combo2.setText(QString());
}

void SettingCommands::comparisonStep(ConsoleCommand &command)
{
    const QString t = text();
    OptimisationState &o = m_records.optimisation;
    if (t == QLatin1String("COMP_ANG") || t == QLatin1String("comp_ang")) {
        notice(QStringLiteral("当前自动对比信号强度步进度数，设置值：") + QString::number(o.comparisonStep)
               + QStringLiteral("度（默认1度），设置范围：COMP_ANG=1-5"));
        return;
    }
    std::int32_t v = 0;
    if (t.contains(QLatin1String("comp_ang")))
        v = valueOf<std::int32_t>(remainder(t, QStringLiteral("comp_ang="))).value_or(v);
    if (t.contains(QLatin1String("COMP_ANG")))
        v = valueOf<std::int32_t>(remainder(t, QStringLiteral("COMP_ANG="))).value_or(v);
    if (v < 1 || v > 5)
        return;
    const QString prefix = t.contains(QLatin1String("COMP_ANG")) ? QStringLiteral("COMP_ANG=")
                                                                   : QStringLiteral("comp_ang=");
    m_settings.write(keys::USE_SHIP_AIS_SCAN_COMP_ANG, remainder(t, prefix).trimmed());
    o.comparisonStep = static_cast<std::int16_t>(v);
    // The confirmation names the step just set, not the one it replaced.
    notice(QStringLiteral("设置当前自动对比信号强度步进度数，设置值：") + QString::number(v) + QStringLiteral("度"));
    compose(command);
}

void SettingCommands::aisSerialPort(ConsoleCommand &command)
{
    const QString t = text();
    // A name that cannot be opened here ("COM3" on Linux) would close the
    // working port and be stored for every later start.
    if (!isDiscoveredAisPort(t.trimmed()) && !serialPortExists(t.trimmed())) {
        notice(QStringLiteral("未找到串口：") + t + QStringLiteral("，AIS串口设置未修改"));
        compose(command);
        return;
    }
    notice(QStringLiteral("设置通过本地串口接收AIS数据的端口号：") + t);
    compose(command);
    m_settings.write(keys::USE_SHIP_AIS_COM, t.trimmed());
    m_records.ais.selectedPort = t;
    const QString digits = remainder(t, QStringLiteral("COM"));
    std::optional<std::int16_t> number;
    if (isNumericText(digits))
        number = toInt16(numberOfText(digits));
    if (reopenAisPort)
        reopenAisPort(t, number);
}

bool SettingCommands::isDiscoveredAisPort(const QString &text) const
{
    for (const QString &port : m_records.ais.detectedPorts) {
        if (!port.isEmpty() && port == text)
            return true;
    }
    return false;
}

void SettingCommands::shipService(ConsoleCommand &command)
{
    const QString t = text();
    const QString stored = m_settings.read(keys::SHIP_SERVICE_URL);
    if (!t.contains(QLatin1Char('='))) {
        notice(QStringLiteral("当前船舶位置服务地址：") + shipServiceBase(stored).toString()
               + QStringLiteral("，设置命令格式：SHIP_SERVICE=http://地址:端口"));
        return;
    }
    const QString address = t.mid(t.indexOf(QLatin1Char('=')) + 1).trimmed();
    const QUrl base = shipServiceBase(address);
    if (address.isEmpty() || base.isEmpty()) {
        notice(QStringLiteral("船舶位置服务地址无效：") + address);
        return;
    }
    m_settings.write(keys::SHIP_SERVICE_URL, address);
    notice(QStringLiteral("已设置船舶位置服务地址：") + base.toString());
    compose(command);
}

void SettingCommands::headingCorrection(ConsoleCommand &command)
{
    // Blanks around the command are no part of it: "FixHDG " asks, it does
    // not set the correction to 0.
    const QString t = text().trimmed();
    const QString prefix = QStringLiteral("FixHDG=");
    AisState &ais = m_records.ais;
    if (t == QLatin1String("FixHDG") || remainder(t, prefix).trimmed().isEmpty()) {
        notice(QStringLiteral("当前设备头尾安装角和船舶艏尾中心线，误差夹角（可能焊接支架导致）。修正值：")
               + QString::number(ais.headingCorrection) + QStringLiteral("度"));
        return;
    }
    // A number too large for the width is refused, not taken as 0.
    const auto v = valueOf<std::int32_t>(remainder(t, prefix));
    if (!v || *v <= -100 || *v >= 100)
        return;
    ais.headingCorrection = *v;
    m_settings.write(keys::USE_SHIP_AIS_FIXHDG, QString::number(*v));
    notice(QStringLiteral("设备头尾安装角和船舶艏尾中心线不在同一平行线的误差夹角（可能焊接支架导致）。修正值：")
           + QString::number(*v) + QStringLiteral("度"));
    compose(command);
}

void SettingCommands::scanStep(ConsoleCommand &command)
{
    const QString t = text();
    std::int16_t &step = m_records.optimisation.scanStep;
    if (step == 0)
        notice(QStringLiteral("未设置自动扫描"));
    else if (step > 0)
        notice(QStringLiteral("当前自动扫描步长") + QString::number(step) + QStringLiteral("度"));
    const std::int16_t s = valueOf<std::int16_t>(remainder(t, QStringLiteral("SCAN_STEP="))).value_or(0);
    if (t.contains(QLatin1String("SCAN_STEP=0")) || (s > 1 && s < 11 && t.contains(QLatin1String("SCAN_STEP=")))) {
        step = s;
        m_settings.write(keys::SCAN_STEP, QString::number(s));
        notice(QStringLiteral("修改自动扫描步长为：") + QString::number(step) + QStringLiteral("度"));
        compose(command);
    }
}

void SettingCommands::compassReboot(ConsoleCommand &command, SwitchForm form)
{
    rebootSwitch(command,
                 {QStringLiteral("ERROR_COMPSAME_REBOOT"), keys::ERROR_COMPSAME_REBOOT,
                  QStringLiteral("已设定电子罗盘数据异常时，是否自动重启单片机值ERROR_COMPSAME_REBOOT："),
                  m_records.compassRebootSwitch},
                 form);
}

void SettingCommands::pingReboot(ConsoleCommand &command, SwitchForm form)
{
    rebootSwitch(command,
                 {QStringLiteral("PING_100MS_REBOOT"), keys::PING_100MS_REBOOT,
                  QStringLiteral("已设定ping微波100次是否平均延迟超过100毫秒，是否自动重启微波设备PING_100MS_REBOOT："),
                  m_records.pingRebootSwitch},
                 form);
}

void SettingCommands::rebootSwitch(ConsoleCommand &command, const SwitchFamily &family, SwitchForm form)
{
    const QString t = text();
    const auto set = [&](std::int16_t value) {
        family.value = value;
        m_settings.write(family.key, QString::number(value));
    };
    const auto show = [&] {
        notice(family.notice + QString::number(family.value));
        compose(command);
    };
    switch (form) {
    case SwitchForm::Off:
        set(0);
        return;
    case SwitchForm::On:
        set(1);
        return;
    case SwitchForm::Query:
        show();
        return;
    case SwitchForm::All:
        if (t.contains(family.name + QStringLiteral("=0")))
            set(0);
        if (t.contains(family.name + QStringLiteral("=1")))
            set(1);
        if (t.contains(family.name))
            show();
        return;
    }
}

} // namespace korvane
