#include "BoardTexts.h"

#include <QStringList>

#include <cmath>

namespace korvane::sim::BoardTexts {

namespace {
const QString kCrLf = QStringLiteral("\r\n");

QString signalText(bool gnssFix)
{
    return gnssFix ? QStringLiteral("信号:100%") : QStringLiteral("信号:0%");
}

QString positionLine(const QString &marker, const GeoPoint &p)
{
    return marker + fixed(p.lat, 7) + QStringLiteral("经度:") + fixed(p.lon, 7) + QStringLiteral("海拔:")
           + fixed(p.alt, 1);
}

// NMEA 0183 ddmm.mmmmm with the hemisphere letter.
QString nmeaAngle(double degrees, int degreeDigits, char positive, char negative)
{
    const double a = std::fabs(degrees);
    const int whole = static_cast<int>(a);
    const double minutes = (a - whole) * 60.0;
    return QStringLiteral("%1%2,%3")
        .arg(whole, degreeDigits, 10, QLatin1Char('0'))
        .arg(minutes, 8, 'f', 5, QLatin1Char('0'))
        .arg(QLatin1Char(degrees < 0 ? negative : positive));
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

QString positionChunk(const BoardAntenna &antenna, int receiverRateHz, const QDateTime &utcNow)
{
    const bool ship = antenna.target().has_value();
    QString text = positionLine(QStringLiteral("本地纬度:"), antenna.own()) + kCrLf;
    text += positionLine(ship ? QStringLiteral("目标纬度:") : QStringLiteral("基站纬度:"), antenna.aim());
    text += QStringLiteral(",距离:") + fixed(antenna.distanceKm(), 2) + QStringLiteral("km") + kCrLf;
    if (receiverRateHz > 0)
        text += rmcSentence(antenna.own(), antenna.speedKmh(), antenna.heading(), utcNow) + kCrLf;
    return text;
}

QString angleChunk(const BoardAntenna &antenna, bool gnssFix)
{
    return QStringLiteral("天线状态正常,当前水平角度:H") + fixed(antenna.azimuth(), 1) + u'V'
           + fixed(antenna.elevation(), 1) + kCrLf + signalText(gnssFix) + kCrLf;
}

QString executionChunk(const BoardAntenna &antenna, double compass)
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

QString headingChunk(const BoardAntenna &antenna)
{
    const QString heading = fixed(antenna.heading(), 1);
    const QString speed = fixed(antenna.speedKmh(), 1);
    return QStringLiteral("航向") + heading + QStringLiteral("航速") + speed + QStringLiteral("俯仰")
           + fixed(antenna.elevation(), 1) + kCrLf + QStringLiteral("航速:") + speed + QStringLiteral("节 航向:")
           + heading + kCrLf;
}

QString keyRecord(const QString &key, const QString &address)
{
    return QStringLiteral("secretkey:") + key + u'(' + address + u')' + kCrLf;
}

QString rmcSentence(const GeoPoint &own, double speedKmh, double course, const QDateTime &utcNow)
{
    const QString body = QStringLiteral("GNRMC,%1,A,%2,%3,%4,%5,,,A")
                             .arg(utcNow.toString(QStringLiteral("HHmmss.zzz")).left(9),
                                  nmeaAngle(own.lat, 2, 'N', 'S'), nmeaAngle(own.lon, 3, 'E', 'W'),
                                  fixed(speedKmh / 1.852, 1), fixed(course, 1),
                                  utcNow.toString(QStringLiteral("ddMMyy")));
    unsigned char sum = 0;
    for (const char c : body.toLatin1())
        sum ^= static_cast<unsigned char>(c);
    return u'$' + body + u'*' + QStringLiteral("%1").arg(sum, 2, 16, QLatin1Char('0')).toUpper();
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

