// The two ship check boxes. The console ticks them through setShipBox too,
// so a tick by command has the effect of a tick by hand.
#include "model/SettingKeys.h"
#include "app/Station.h"
#include "platform/SettingsStore.h"

namespace korvane {

void Station::setShipBox(const QString &control, int value)
{
    const bool shipToShip = control == QLatin1String("CHK_SHIP_AIS");
    Control &box = shipToShip ? display.CHK_SHIP_AIS : display.SHIP_AIS_DRIVE;
    if (box.value() == value)
        return;
    box.setValue(value);
    if (shipToShip)
        CHK_SHIP_AIS_Click();
    else
        SHIP_AIS_DRIVE_Click();
}

void Station::CHK_SHIP_AIS_Click()
{
    const int value = display.CHK_SHIP_AIS.value();
    m_settings.write(keys::USE_SHIP_AIS, QString::number(value));
    ais.shipToShip = value == 1;
    if (value != 0)
        return;
    display.Label_NOTE.setText(
        QStringLiteral("已关闭船对船模式，如需开启，右下角控制命令栏输入“mmsi”开启或“mmsi=123456789”更改船舶MMSI值 ！"));
    display.CHK_SHIP_AIS.setVisible(false);
    display.Label5.setVisible(false);
    log.append(eventLine(display.Label_NOTE.text()));
}

void Station::SHIP_AIS_DRIVE_Click()
{
    m_settings.write(keys::USE_SHIP_AIS_DRIVE, QString::number(display.SHIP_AIS_DRIVE.value()));
    // A tick drives, as the stored 1 will at the next start.
    if (display.SHIP_AIS_DRIVE.value() == 1) {
        ais.aisDrive = true;
        return;
    }
    if (!ais.aisDrive)
        return;
    ais.aisDrive = false;
    display.Label_NOTE.setText(
        QStringLiteral("已关闭软件驱动动中通模式，如需开启，右下角控制命令栏输入“AIS”开启或“AIS=123456789”更改船舶MMSI值 ！"));
    display.SHIP_AIS_DRIVE.setVisible(false);
    display.Label12.setVisible(false);
}

} // namespace korvane
