#include "controller/ManualDrive.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <cmath>

namespace korvane {

namespace {

constexpr int kEnterKey = 13;
constexpr int kCentreDot = 12;

QString floorText(double v)
{
    return shortestDecimal(std::floor(v));
}

} // namespace

QString ManualDrive::offsetCommand(double rel)
{
    return QStringLiteral("[P0H") + floorText(rel) + QStringLiteral("V0]");
}

ManualDrive::ManualDrive(Display &display, ControllerLink &link, ControllerStatus &status, EventLog &log,
                         EventLine eventLine)
    : m_display(display), m_link(link), m_status(status), m_log(log), m_eventLine(std::move(eventLine))
{
}

double ManualDrive::relativeTo(double target, double angleH, double angleOffset)
{
    double rel = target - angleH + angleOffset;
    if (rel >= 360)
        rel -= 360;
    if (rel < -360)
        rel += 360;
    return rel;
}

double ManualDrive::absoluteFrom(double rel, double angleH, double angleOffset)
{
    double abs = rel + angleH - angleOffset;
    if (abs >= 360)
        abs -= 360;
    if (abs < 0)
        abs += 360;
    return abs;
}

void ManualDrive::setSlider(int value)
{
    // The slider spans whole degrees 0 to 359; 360 is the same direction as 0.
    value %= 360;
    if (value < 0)
        value += 360;
    if (value == m_display.Slider1.value())
        return;
    m_display.Slider1.setValue(value);
    Slider1_Change();
}

void ManualDrive::Slider1_Change()
{
    m_display.Command_HFIX.setText(QString::number(m_display.Slider1.value()));
}

void ManualDrive::driveTo(double target)
{
    const double angleOffset = m_status.AngleOffset;
    const double rel = relativeTo(target, m_status.AngleH, angleOffset);
    const double abs = absoluteFrom(rel, m_status.AngleH, angleOffset);
    m_display.Command_HFIX.setText(floorText(abs));
    if (const auto rounded = toInt32(abs))
        setSlider(*rounded);
    m_link.send(offsetCommand(rel) + QStringLiteral("\r\n"));
}

void ManualDrive::angle_DblClick(int index)
{
    if (index < 0 || index > kCentreDot)
        return;
    // The survey can always be cancelled, the board away or not.
    if (index == kCentreDot) {
        if (m_link.isConnected()) {
            m_link.send(QStringLiteral("[P0H0V0]\r\n"));
            m_display.Label_NOTE.setText(QStringLiteral("已经恢复自动驱动模式。"));
        }
        if (cancelAutoScan)
            cancelAutoScan();
        return;
    }
    if (!m_link.isConnected())
        return;
    const double rel = relativeTo(index * 30.0, m_status.AngleH, m_status.AngleOffset);
    driveTo(index * 30.0);
    m_display.Label_NOTE.setText(QStringLiteral(
        "手动驱动：点击图标四周任意黑圆点，强制人工转动天线到指定方位，仅粗调模式，如需细调整则拖动下侧角度条，"
        "如需恢复自动驱动双击中间绿色圆点（艏向值为可做参考数据的当前传感器值）。设备重启动默认为自动驱动模式。"));
    m_log.append(m_eventLine(QStringLiteral("手动驱动：") + offsetCommand(rel)));
}

void ManualDrive::Command_HFIX_Click()
{
    const double target = m_display.Slider1.value();
    const double rel = relativeTo(target, m_status.AngleH, m_status.AngleOffset);
    const double abs = absoluteFrom(rel, m_status.AngleH, m_status.AngleOffset);
    m_display.Command_HFIX.setText(floorText(abs));
    if (const auto rounded = toInt32(abs))
        setSlider(*rounded);
    if (m_link.isConnected()) {
        m_link.send(offsetCommand(rel) + QStringLiteral("\r\n"));
        m_display.Label_NOTE.setText(QStringLiteral(
            "手动强制驱动方位，采用偏移量驱动天线方向，可能与经纬度方式计算目标方向偏差较大，"
            "如需恢复目标经纬度模式精准驱动，可手动输入目标经纬度，或双击中心绿色圆圈。"));
    } else {
        m_display.Label_NOTE.setText(QStringLiteral("当前未连接，请检查网络。"));
    }
}

// Only Enter completes an entry; the keys before it are typing. The whole
// box must be one number inside the open range, or the board would be given
// a position made of whatever follows the digits.
void ManualDrive::targetEntry(const QString &text, int keyCode, double limit, const QString &command)
{
    if (keyCode != kEnterKey)
        return;
    const QString typed = text.trimmed();
    const double x = numberOfText(typed);
    if (!isNumericText(typed) || !(x > -limit && x < limit) || !m_link.isConnected()) {
        m_display.Label_NOTE.setText(QStringLiteral("错误"));
        return;
    }
    const QString sent = command + typed;
    m_link.send(sent + QStringLiteral("\r\n"));
    m_display.Label_NOTE.setText(sent);
}

void ManualDrive::Text12_KeyPress(int keyCode)
{
    targetEntry(m_display.Text12.text(), keyCode, 90.0, QStringLiteral("w"));
}

void ManualDrive::Text13_KeyPress(int keyCode)
{
    targetEntry(m_display.Text13.text(), keyCode, 180.0, QStringLiteral("j"));
}

void ManualDrive::blink_Timer()
{
    // A negative angle is the same direction a whole turn on: −5 is 355.
    double &angleH = m_status.AngleH;
    if (angleH < 0) {
        angleH = std::fmod(angleH, 360.0) + 360.0;
        if (angleH >= 360.0)
            angleH -= 360.0;
    }
    if (angleH == 0)
        return;
    const int nearest = static_cast<int>(std::fmod(std::floor(angleH / 30.0 + 0.5), 12.0));
    for (int i = 0; i < 12; ++i) {
        Control &dot = *m_display.angle[i];
        if (i == nearest)
            dot.setColour(dot.colour() == colours::Red ? colours::Black : colours::Red);
        else
            dot.setColour(colours::Black);
    }
}

} // namespace korvane
