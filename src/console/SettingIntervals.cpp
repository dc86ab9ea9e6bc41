// The comparison interval (COMP_TIME) and the lost-signal scan interval
// (SCAN_TIME): one procedure, two families of keys, fields and texts.
#include "console/SettingCommands.h"

#include "model/Display.h"
#include "model/SettingKeys.h"
#include "console/CommandText.h"
#include "model/OptimisationState.h"
#include "platform/SettingsStore.h"

namespace korvane {

using console::remainder;
using console::valueOf;

// Notices carry %1 for the interval in force and %2 for the on/off state.
struct SettingCommands::IntervalFamily {
    QString lower; // the command in lower case, "comp_time"
    QString upper; // and in upper case, "COMP_TIME"
    const QString &enabledKey;
    const QString &intervalKey;
    bool OptimisationState::*enabled;
    std::int16_t OptimisationState::*interval;
    std::int16_t OptimisationState::*countdown;
    std::int32_t low;
    std::int32_t high;
    bool rangeLogged;
    QString query;
    QString off;
    QString on;
    QString range;
    QString accepted;
    QString stillOff;
};

namespace {

constexpr std::int32_t kMaxInterval = 3600;

QString fill(QString format, std::int32_t interval, const QString &state = QString())
{
    return format.replace(QLatin1String("%1"), QString::number(interval)).replace(QLatin1String("%2"), state);
}

QString stateText(bool on)
{
    return on ? QStringLiteral("已开启") : QStringLiteral("已关闭");
}

SettingCommands::IntervalFamily comparisonFamily(bool enter)
{
    const QString q = enter ? QStringLiteral("当前自动对比信号强度定时器间隔时长，设置值：")
                            : QStringLiteral("当前自动对比信号强度定优化时器间隔时长，设置值：");
    const QString r = enter ? QStringLiteral("当前自动对比信号强度定时器间隔时长，设置值：")
                            : QStringLiteral("当前自动对比信号强度优化定时器间隔时长，设置值：");
    const QString h = enter ? QStringLiteral(" 命令开启：COMP_TIME=1 关闭：COMP_TIME=0 设置时长：COMP_TIME=300-3600")
                            : QStringLiteral(" 命令开启：COMP_TIME=1 关闭：COMP_TIME=0 设置时长：COMP_TIME=60-3600");
    const QString x0 = enter ? QStringLiteral("秒，关闭当前自动对比信号强度功能。")
                             : QStringLiteral("秒，关闭当前自动对比信号强度优化功能。");
    const QString x1 = enter ? QStringLiteral("秒，开启当前自动对比信号强度功能。")
                             : QStringLiteral("秒，开启当前自动对比信号强度优化功能。");
    return {QStringLiteral("comp_time"),
            QStringLiteral("COMP_TIME"),
            keys::USE_SHIP_AIS_SCAN_COMP,
            keys::USE_SHIP_AIS_SCAN_COMP_TIME,
            &OptimisationState::comparisonEnabled,
            &OptimisationState::comparisonInterval,
            &OptimisationState::comparisonCountdown,
            60,
            kMaxInterval,
            true,
            q + QStringLiteral("%1秒（默认300秒=5分钟），当前功能开启状态：%2") + h,
            QStringLiteral("每间隔时长%1") + x0,
            QStringLiteral("每间隔时长%1") + x1,
            r + QStringLiteral("%1秒（默认300秒=5分钟,可设置范围60-3600秒）"),
            r + QStringLiteral("%1秒，当前功能开启状态：%2") + h,
            r + QStringLiteral("%1秒，但当前功能已关闭，如需开启，还需要执行命令：COMP_TIME=1")};
}

SettingCommands::IntervalFamily scanFamily(bool enter)
{
    const QString h = QStringLiteral(" 命令开启：SCAN_TIME=1 关闭：SCAN_TIME=0 设置时长：SCAN_TIME=300-3600");
    const QString lead = QStringLiteral("当无信号时，超过时长自动扫描，设置值：");
    return {QStringLiteral("scan_time"),
            QStringLiteral("SCAN_TIME"),
            keys::USE_SHIP_AIS_SCAN_AUTO,
            keys::USE_SHIP_AIS_SCAN_AUTO_TIME,
            &OptimisationState::scanEnabled,
            &OptimisationState::scanInterval,
            &OptimisationState::scanCountdown,
            180,
            kMaxInterval,
            false,
            lead + QStringLiteral("%1秒，当前功能开启状态：%2") + h,
            QStringLiteral("当无信号时，超过时长%1秒，关闭自动扫描功能。"),
            QStringLiteral("当无信号时，超过时长%1秒，开启自动扫描功能。"),
            QStringLiteral("当无信号时，超过时长自动扫描，设置值超出范围，建议设置值：180-3600秒（3-60分钟）"),
            lead + (enter ? QStringLiteral("%1秒，") : QStringLiteral("%1秒")) + QStringLiteral("当前功能开启状态：%2") + h,
            lead + QStringLiteral("%1秒，但当前功能已关闭，如需开启，还需要执行命令：SCAN_TIME=1")};
}

} // namespace

void SettingCommands::comparisonInterval(ConsoleCommand &command)
{
    interval(command, comparisonFamily(command.onEnter()));
}

void SettingCommands::scanInterval(ConsoleCommand &command)
{
    interval(command, scanFamily(command.onEnter()));
}

// The steps are independent tests on the same text: COMP_TIME=1800 both
// switches the comparison on and sets 1800 s.
void SettingCommands::interval(ConsoleCommand &command, const IntervalFamily &f)
{
    const QString t = text();
    OptimisationState &o = m_records.optimisation;
    if (t == f.upper || t == f.lower)
        notice(fill(f.query, o.*f.interval, stateText(o.*f.enabled)));
    std::int32_t v = 0;
    if (t.contains(f.lower))
        v = valueOf<std::int32_t>(remainder(t, f.lower + QLatin1Char('='))).value_or(v);
    if (t.contains(f.upper))
        v = valueOf<std::int32_t>(remainder(t, f.upper + QLatin1Char('='))).value_or(v);
    if (t.contains(f.upper + QStringLiteral("=0")) || t.contains(f.lower + QStringLiteral("=0"))) {
        notice(fill(f.off, o.*f.interval));
        m_settings.write(f.enabledKey, QStringLiteral("0"));
        o.*f.enabled = false;
        compose(command);
    }
    if (t.contains(f.upper + QStringLiteral("=1")) || t.contains(f.lower + QStringLiteral("=1"))) {
        notice(fill(f.on, o.*f.interval));
        m_settings.write(f.enabledKey, QStringLiteral("1"));
        o.*f.enabled = true;
        compose(command);
    }
    if ((v > 1 && v < f.low) || v > f.high) {
        notice(fill(f.range, o.*f.interval));
        if (f.rangeLogged)
            compose(command);
    }
    if (v >= f.low && v <= f.high)
        acceptInterval(command, f, v);
}

void SettingCommands::acceptInterval(ConsoleCommand &command, const IntervalFamily &f, std::int32_t v)
{
    const QString t = text();
    OptimisationState &o = m_records.optimisation;
    const QString prefix = (t.contains(f.upper) ? f.upper : f.lower) + QLatin1Char('=');
    m_settings.write(f.intervalKey, remainder(t, prefix).trimmed());
    o.*f.interval = static_cast<std::int16_t>(v);
    notice(fill(f.accepted, v, stateText(o.*f.enabled)));
    if (!command.onEnter())
        compose(command);
    // The next check comes one full interval from now.
    o.*f.countdown = o.*f.interval;
    if (!(o.*f.enabled))
        notice(fill(f.stillOff, v));
    if (command.onEnter())
        compose(command);
}

} // namespace korvane
