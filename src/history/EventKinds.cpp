#include "history/EventKinds.h"

#include "history/HistorySchema.h"

#include <QHash>
#include <QRegularExpression>

namespace korvane::history {

namespace {

struct KindRule {
    const char *text; // UTF-8, matched anywhere in the line
    const QString &kind;
};

// First match wins: the survey's link-down line names the link, and a drive
// is a drive whether the operator or the AIS gave it.
const KindRule kRules[] = {
    {"恢复，中断", kind::LinkBack},
    {"连接中断（", kind::LinkLost},
    {"连接失败（", kind::LinkLost},
    {"信号丢失（", kind::LinkLost},
    {"AIS串口已断开", kind::LinkLost},
    {"AIS串口已恢复", kind::LinkBack},
    {"自动扫描", kind::Survey},
    {"扫描角度", kind::Survey},
    {"默认驱动角度", kind::Survey},
    {"信号丢失系统自动搜索", kind::Sweep},
    {"信号最强(", kind::Comparison},
    {"系统时间跳变", kind::Clock},
    {"手动驱动", kind::Drive},
    {"AIS驱动", kind::Drive},
    {"重启", kind::Reboot},
    {"云平台", kind::CloudFailure},
    {"域名解析失败", kind::CloudFailure},
    {"登录", kind::Login},
    {"登陆", kind::Login},
    {"出错或已断开", kind::LinkLost},
    {"连接已断开", kind::LinkLost},
    {"告警", kind::Alarm},
    {"异常", kind::Alarm},
};

const char *const kDataHeads[] = {"======", "5G数据", "本地串口AIS原始数据", "船舶MMSI:", "坐标："};

// The comparison's readings before its decision: the decision line carries
// all three, so each comparison is one event.
const char *const kDataParts[] = {"当前位置(M)信号强度值", "当前位置(L)信号强度值", "当前位置(R)信号强度值"};

bool isEventShaped(const QString &line)
{
    static const QRegularExpression stamped(QStringLiteral(R"(^(\d{4}-\d\d-\d\d )?\d\d:\d\d:\d\d)"));
    return line.contains(QStringLiteral("事件：")) || stamped.match(line).hasMatch()
           || line.startsWith(QStringLiteral("云平台"));
}

} // namespace

std::optional<QString> eventKindOf(const QString &line, bool operatorAction)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (const char *head : kDataHeads) {
        if (trimmed.startsWith(QString::fromUtf8(head)))
            return std::nullopt;
    }
    if (trimmed.left(24).contains(QStringLiteral("坐标：")) || !isEventShaped(trimmed))
        return std::nullopt;
    for (const char *part : kDataParts) {
        if (trimmed.contains(QString::fromUtf8(part)))
            return std::nullopt;
    }
    for (const KindRule &rule : kRules) {
        if (!trimmed.contains(QString::fromUtf8(rule.text)))
            continue;
        // The operator clearing an alarm is not an alarm.
        if (operatorAction && &rule.kind == &kind::Alarm)
            return kind::Operator;
        return rule.kind;
    }
    return operatorAction ? kind::Operator : kind::Other;
}

QString eventKindLabel(const QString &kind)
{
    namespace k = kind;
    static const QHash<QString, QString> labels = {
        {k::Alarm, QStringLiteral("告警")},        {k::Login, QStringLiteral("登录")},
        {k::LinkLost, QStringLiteral("断链")},     {k::LinkBack, QStringLiteral("恢复")},
        {k::Drive, QStringLiteral("驱动")},        {k::Sweep, QStringLiteral("扫描")},
        {k::Comparison, QStringLiteral("比较")},   {k::Survey, QStringLiteral("测量")},
        {k::Reboot, QStringLiteral("重启")},       {k::CloudFailure, QStringLiteral("云端失败")},
        {k::Operator, QStringLiteral("操作")},     {k::Clock, QStringLiteral("时钟")},
        {k::Other, QStringLiteral("其他")},
    };
    return labels.value(kind, kind);
}

bool isSevereKind(const QString &kind)
{
    namespace k = kind;
    return kind == k::Alarm || kind == k::LinkLost || kind == k::CloudFailure || kind == k::Reboot;
}

const QStringList &eventKindsInOrder()
{
    namespace k = kind;
    static const QStringList kinds = {k::LinkLost, k::LinkBack, k::Alarm,    k::Reboot,   k::CloudFailure,
                                      k::Login,    k::Drive,    k::Sweep,    k::Comparison, k::Survey,
                                      k::Operator, k::Clock,    k::Other};
    return kinds;
}

} // namespace korvane::history
