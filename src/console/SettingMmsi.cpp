// The target ship's MMSI, in its two forms: ball-to-ball ("mmsi", "MMSI",
// the ship-to-ship box) and AIS drive ("ais", "AIS", the drive box).
#include "console/SettingCommands.h"

#include "model/Display.h"
#include "model/SettingKeys.h"
#include "console/CommandText.h"
#include "model/AisState.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

namespace korvane {

using console::remainder;
using console::valueOf;

struct SettingCommands::MmsiForm {
    QString word;     // as typed: "mmsi", "MMSI", "ais" or "AIS"
    bool drive;       // the AIS-drive form
    bool warns;       // the warning box is shown while the caption is hidden
};

namespace {

constexpr std::int32_t kLowestMmsi = 200000000;  // exclusive
constexpr std::int32_t kHighestMmsi = 799999999; // exclusive

// Nine digits and nothing else, in the range the design takes for a ship:
// "413000000abc" or "413000001.6" would pass the number test and then never
// match any report's MMSI.
bool isMmsi(const QString &text)
{
    constexpr qsizetype kDigits = 9;
    const QString value = text.trimmed();
    if (value.size() != kDigits)
        return false;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return false;
    }
    const std::int32_t v = valueOf<std::int32_t>(value).value_or(0);
    return v > kLowestMmsi && v < kHighestMmsi;
}

QString warningText(const QString &example)
{
    return QStringLiteral("开启动中通作为固定站使用，请确保软件已经连接互联网，且船舶AIS数据能正常访问，"
                          "确保您输入的九位船舶海上移动通信业务标识码（MMSI）与您对应船只的识别码吻合！  "
                          "设置或更改目标船只MMSI值命令格式：")
           + example + QStringLiteral("=234567890");
}

} // namespace

void SettingCommands::shipMmsi(ConsoleCommand &command, const QString &form)
{
    // Only Enter warns, and only for the lower-case form.
    mmsi(command, {form, false, command.onEnter() && form == QLatin1String("mmsi")});
}

void SettingCommands::driveMmsi(ConsoleCommand &command, const QString &form)
{
    mmsi(command, {form, true, true});
}

void SettingCommands::mmsi(ConsoleCommand &command, const MmsiForm &form)
{
    const QString t = text();
    AisState &ais = m_records.ais;
    const QString rest = remainder(t, form.word + QLatin1Char('='));
    const Control &caption = form.drive ? m_display.Label12 : m_display.Label5;
    if (form.warns && !caption.visible())
        m_dialogs.tell(QStringLiteral("警告"), warningText(form.drive ? QStringLiteral("ais") : QStringLiteral("mmsi")),
                          Dialogs::Icon::Warning);
    const bool lower = form.word == form.word.toLower();
    if (numberOfText(ais.targetMmsi) > 0)
        notice((lower ? QStringLiteral("mmsi设置值：") : QStringLiteral("MMSI设置值：")) + ais.targetMmsi);
    if (isMmsi(rest)) {
        ais.targetMmsi = rest.trimmed();
        m_settings.write(keys::USE_SHIP_MMSI, ais.targetMmsi);
        switchOn(form);
        notice(QStringLiteral("已经修改MMSI设置,请确保对应船只MMSI正确！") + ais.targetMmsi);
        compose(command);
    } else if (t == form.word) {
        // The bare word switches the mode on (the notice that closes a mode
        // says so), but only for a ship it can follow.
        if (isMmsi(ais.targetMmsi))
            switchOn(form);
    } else {
        notice(QStringLiteral("输入MMSI值不正确，请检查是否9位数字！") + rest);
    }
}

void SettingCommands::switchOn(const MmsiForm &form)
{
    // The box shows, and stores, the mode in force: it is ticked only
    // together with the mode.
    Control &caption = form.drive ? m_display.Label12 : m_display.Label5;
    Control &box = form.drive ? m_display.SHIP_AIS_DRIVE : m_display.CHK_SHIP_AIS;
    caption.setVisible(true);
    if (tickBox)
        tickBox(box.name());
    else
        box.setValue(1);
    box.setVisible(true);
    if (form.drive)
        m_records.ais.aisDrive = true;
}

} // namespace korvane
