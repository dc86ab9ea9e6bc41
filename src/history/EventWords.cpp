#include "history/EventWords.h"

#include "history/HistorySchema.h"

#include <QRegularExpression>

#include <cmath>

namespace korvane::history {

namespace {

QString sideName(const QString &letter)
{
    if (letter == QLatin1String("L"))
        return QStringLiteral("左");
    if (letter == QLatin1String("R"))
        return QStringLiteral("右");
    return QStringLiteral("中");
}

// "信号最强(L)：-58 信号(M)：-60 信号(R)：-65 注：…": the antenna stood at R
// and turns to the strongest (it stays at R, or goes back to L or M).
std::optional<QString> comparisonWords(const QString &text)
{
    static const QRegularExpression decision(
        QStringLiteral(R"(信号最强\(([LMR])\)：(-?\d+)\s*信号\(([LMR])\)：(-?\d+)\s*信号\(([LMR])\)：(-?\d+))"));
    const QRegularExpressionMatch m = decision.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    QString readings[3];
    const auto put = [&](const QString &side, const QString &value) {
        const int i = side == QLatin1String("L") ? 0 : side == QLatin1String("M") ? 1 : 2;
        readings[i] = value;
    };
    put(m.captured(1), m.captured(2));
    put(m.captured(3), m.captured(4));
    put(m.captured(5), m.captured(6));
    const QString best = m.captured(1);
    const QString decisionText = best == QLatin1String("R") ? QStringLiteral("停在右侧")
                                 : best == QLatin1String("L") ? QStringLiteral("转回左侧")
                                                              : QStringLiteral("回到中间");
    return QStringLiteral("左 %1，中 %2，右 %3 dBm，%4最强，%5")
        .arg(readings[0], readings[1], readings[2], sideName(best), decisionText);
}

} // namespace

QString withoutStamp(const QString &text)
{
    static const QRegularExpression stamp(
        QStringLiteral(R"(^\s*(\d{4}-\d\d-\d\d[ T])?\d\d:\d\d:\d\d\s*(主机类型\(\d+\)事件：)?)"));
    QString rest = text;
    rest.remove(stamp);
    return rest.trimmed();
}

std::optional<double> driveOffset(const QString &text)
{
    static const QRegularExpression command(QStringLiteral(R"(\[P0H(-?\d+(?:\.\d+)?)V0\])"));
    const QRegularExpressionMatch m = command.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toDouble();
}

QString sideOfBow(double angle)
{
    double a = std::fmod(angle, 360.0);
    if (a < 0)
        a += 360;
    const int whole = int(std::lround(a)) % 360;
    if (whole == 0)
        return QStringLiteral("船首方向");
    if (whole == 180)
        return QStringLiteral("船尾方向");
    return whole < 180 ? QStringLiteral("右舷%1°").arg(whole) : QStringLiteral("左舷%1°").arg(360 - whole);
}

QString eventWords(const QString &kind, const QString &text)
{
    const QString rest = withoutStamp(text);
    if (kind == kind::Comparison) {
        if (const auto words = comparisonWords(rest))
            return *words;
    }
    if (kind == kind::Drive && rest.startsWith(QStringLiteral("手动驱动："))) {
        if (const auto offset = driveOffset(rest))
            return QStringLiteral("手动驱动：转动%1°").arg(*offset > 0 ? QStringLiteral("+%1").arg(*offset)
                                                                        : QString::number(*offset));
    }
    return rest;
}

} // namespace korvane::history
