#include "BoardTexts.h"

#include <cmath>

namespace korvane::sim::BoardTexts {

namespace {
const QString kCrLf = QStringLiteral("\r\n");

struct Alarm {
    const char *name;
    const char *text;
};

// What the board says when its mechanics or its receiver fail. "range" is
// the refusal of an elevation beyond the mount's limits.
const Alarm kAlarms[] = {
    {"motor", "电机告警:方位电机过流,已停止驱动"},
    {"bus", "总线异常:罗盘无应答,本次运行忽略总线设备"},
    {"init", "初始位错误,方位零位开关未触发"},
    {"receiver", "$PCAS04,3*1A"}, // the receiver is put back to GPS+BDS after losing its fix
    {"range", "角度超出设备范围,停止俯仰"},
};

QString signalText(bool gnssFix)
{
    return gnssFix ? QStringLiteral("信号:100%") : QStringLiteral("信号:0%");
}

QString positionLine(const QString &marker, const GeoPoint &p)
{
    return marker + fixed(p.lat, 7) + QStringLiteral("经度:") + fixed(p.lon, 7) + QStringLiteral("海拔:")
           + fixed(p.alt, 1);
}
} // namespace

QString fixed(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    // A tiny negative value would print as "-0.0".
    if (text.startsWith(u'-') && text.toDouble() == 0)
        text.remove(0, 1);
    return text;
}

std::optional<OwnMarker> ownMarkerFrom(const QString &word)
{
    if (word == QLatin1String("local"))
        return OwnMarker::Local;
    if (word == QLatin1String("antenna"))
        return OwnMarker::Antenna;
    return std::nullopt;
}

QString positionChunk(const BoardAntenna &antenna, OwnMarker marker, const QStringList &sentences)
{
    const bool ship = antenna.target().has_value();
    const QString own = marker == OwnMarker::Local ? QStringLiteral("本地纬度:") : QStringLiteral("动中通纬度:");
    QString text = positionLine(own, antenna.own()) + kCrLf;
    text += positionLine(ship ? QStringLiteral("目标纬度:") : QStringLiteral("基站纬度:"), antenna.aim());
    text += QStringLiteral(",距离:") + fixed(antenna.distanceKm(), 2) + QStringLiteral("km") + kCrLf;
    for (const QString &sentence : sentences)
        text += sentence + kCrLf;
    return text;
}

QString attitudeChunk(const BoardAntenna &antenna, bool gnssFix)
{
    const QString heading = fixed(antenna.heading(), 1);
    const QString speed = fixed(antenna.speedKmh(), 1);
    return QStringLiteral("天线状态正常,当前水平角度:H") + fixed(antenna.azimuth(), 1) + u'V'
           + fixed(antenna.elevation(), 1) + kCrLf + signalText(gnssFix) + kCrLf + QStringLiteral("航向") + heading
           + QStringLiteral("航速") + speed + QStringLiteral("俯仰") + fixed(antenna.elevation(), 1) + kCrLf
           + QStringLiteral("航速:") + speed + QStringLiteral("节 航向:") + heading + kCrLf;
}

QString executionLine(const BoardAntenna &antenna, double compass)
{
    // The executed angle is written as drive part and signed offset, so that
    // the two add up to where the antenna points now.
    const double offset = antenna.offset();
    const double drivePart = BoardAntenna::normalize(antenna.azimuth() - offset);
    return QStringLiteral("执行") + fixed(drivePart, 1) + (offset < 0 ? u'-' : u'+') + fixed(std::fabs(offset), 1)
           + QStringLiteral("目标:") + fixed(antenna.goal(), 1) + QStringLiteral("距离")
           + fixed(antenna.distanceKm(), 2) + QStringLiteral(" 罗盘") + fixed(compass, 1) + QStringLiteral("俯仰")
           + fixed(antenna.elevation(), 1) + kCrLf;
}

QStringList splitExecution(const QString &line, int cut)
{
    const qsizetype target = line.indexOf(QStringLiteral("目标:"));
    const qsizetype pitch = line.indexOf(QStringLiteral("俯仰"));
    if (target <= 0 || pitch <= target)
        return {line};
    switch (cut) {
    case 0:
        return {line.left(target), line.mid(target)};
    case 1:
        return {line.left(pitch), line.mid(pitch)};
    default:
        return {line.left(target), line.mid(target, pitch - target), line.mid(pitch)};
    }
}

QString keyRecord(const QString &key, const QString &address)
{
    return QStringLiteral("secretkey:") + key + u'(' + address + u')' + kCrLf;
}

QStringList alarmNames()
{
    QStringList names;
    for (const Alarm &alarm : kAlarms)
        names << QString::fromLatin1(alarm.name);
    return names;
}

std::optional<QString> alarmText(const QString &name)
{
    for (const Alarm &alarm : kAlarms) {
        if (name == QLatin1String(alarm.name))
            return QString::fromUtf8(alarm.text) + kCrLf;
    }
    return std::nullopt;
}

QString compassInitText() { return QStringLiteral("执行初始罗盘") + kCrLf; }

QString compassBasedText() { return QStringLiteral("罗盘初始完成,以当前船艏为基准") + kCrLf; }

QString baseSwitchText(int base, double altitude)
{
    // The station shows the text between "切换" and ",海拔" as a notice.
    return QStringLiteral("基站切换 %1号基站,海拔:").arg(base) + fixed(altitude, 1) + kCrLf;
}

QString commandEcho(const QString &command)
{
    return QStringLiteral("4G网络正常 命令:") + command + kCrLf;
}

QString attitudeLine(const BoardAntenna &antenna)
{
    QString mode = QStringLiteral("自动");
    if (antenna.shipDrive())
        mode = QStringLiteral("船对船");
    if (antenna.offset() != 0)
        mode += QStringLiteral(" 偏移") + fixed(antenna.offset(), 1);
    return QStringLiteral("天线姿态正常,当前水平角度:H") + fixed(antenna.azimuth(), 1) + u'V'
           + fixed(antenna.elevation(), 1) + QStringLiteral(" 驱动:") + mode + kCrLf;
}

QString compassLine(const BoardAntenna &antenna, double compass)
{
    return QStringLiteral("罗盘") + fixed(compass, 1) + QStringLiteral("俯仰") + fixed(antenna.elevation(), 1) + kCrLf;
}

QString receiverLine(bool gnssFix, int receiverRateHz)
{
    return signalText(gnssFix) + QStringLiteral(" 卫星数:") + (gnssFix ? QStringLiteral("12") : QStringLiteral("0"))
           + QStringLiteral(" 输出频率:") + QString::number(receiverRateHz) + QStringLiteral("Hz") + kCrLf;
}

QString helpText(int baseCount)
{
    const QStringList lines{
        QStringLiteral("当前基站数量%1,设置的参数如下:").arg(baseCount),
        QStringLiteral("p 查询姿态, c 罗盘数据, g 卫星接收机, ? 帮助与状态, R 重启机构"),
        QStringLiteral("[P0HnV0] 手动偏移n度, [P0H0V0] 恢复自动, m±n 相对转动, r角度 船对船驱动"),
        QStringLiteral("j经度 w纬度 设置基站, p249j经度w纬度d高度 预置本地位置, se:密钥(地址) 转发密钥"),
    };
    return lines.join(kCrLf) + kCrLf;
}

} // namespace korvane::sim::BoardTexts
