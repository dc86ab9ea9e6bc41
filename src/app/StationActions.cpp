// Operator actions by control name: the window and the headless console
// both come through here, so a click by hand and a click by command have
// the same effect.
#include "app/Station.h"

#include "text/Numbers.h"

#include <QScopedValueRollback>

namespace korvane {

bool Station::click(const QString &control, int index)
{
    const QScopedValueRollback<bool> acting(m_operatorAction, true);
    if (control == QLatin1String("angle")) {
        if (index < 0 || index > 12)
            return false;
        manualDrive.angle_DblClick(index);
        if (index == 12)
            historyAutoDrive();
    } else if (control == QLatin1String("Command_HFIX")) {
        manualDrive.Command_HFIX_Click();
    } else if (control == QLatin1String("Command1")) {
        controllerLink.Command1_Click();
    } else if (control == QLatin1String("Command3")) {
        console.Command3_Click();
    } else if (control == QLatin1String("Check1")) {
        display.Check1.setValue(display.Check1.value() == 1 ? 0 : 1);
        Check1_Click();
    } else if (control == QLatin1String("Cloud")) {
        display.Cloud.setValue(display.Cloud.value() == 1 ? 0 : 1);
        cloudReporter.Cloud_Click();
    } else if (control == QLatin1String("CHK_SHIP_AIS") || control == QLatin1String("SHIP_AIS_DRIVE")) {
        setShipBox(control, display.find(control)->value() == 1 ? 0 : 1);
    } else if (control == QLatin1String("Label4")) {
        windowHandlers.Label4_DblClick();
    } else if (control == QLatin1String("Lbl_ALARM")) {
        windowHandlers.Lbl_ALARM_DblClick();
    } else if (control == QLatin1String("Label18")) {
        windowHandlers.Label18_Click();
    } else {
        return false;
    }
    return true;
}

bool Station::setControl(const QString &control, const QString &value)
{
    const QScopedValueRollback<bool> acting(m_operatorAction, true);
    Control *target = display.find(control);
    if (!target)
        return false;
    if (control == QLatin1String("Check1")) {
        const int v = numberOfText(value) == 1 ? 1 : 0;
        if (v != display.Check1.value()) {
            display.Check1.setValue(v);
            Check1_Click();
        }
        return true;
    }
    if (control == QLatin1String("Cloud")) {
        const int v = numberOfText(value) == 1 ? 1 : 0;
        if (v != display.Cloud.value()) {
            display.Cloud.setValue(v);
            cloudReporter.Cloud_Click();
        }
        return true;
    }
    if (control == QLatin1String("CHK_SHIP_AIS") || control == QLatin1String("SHIP_AIS_DRIVE")) {
        setShipBox(control, numberOfText(value) == 1 ? 1 : 0);
        return true;
    }
    if (control == QLatin1String("Slider1")) {
        const auto v = toInt32(numberOfText(value));
        if (!v || *v < 0 || *v > 359)
            return false;
        manualDrive.setSlider(*v);
        return true;
    }
    static const QStringList editable = {QStringLiteral("Text3"),  QStringLiteral("Text14"),
                                         QStringLiteral("Text7"),  QStringLiteral("Text4"),
                                         QStringLiteral("Text10"), QStringLiteral("Combo2"),
                                         QStringLiteral("Text12"), QStringLiteral("Text13")};
    if (!editable.contains(control))
        return false;
    target->setText(value);
    return true;
}

bool Station::key(const QString &control, int code)
{
    const QScopedValueRollback<bool> acting(m_operatorAction, true);
    if (control == QLatin1String("Combo2")) {
        console.Combo2_KeyDown(code, 0);
        return true;
    }
    if (control == QLatin1String("Text12")) {
        manualDrive.Text12_KeyPress(code);
        return true;
    }
    if (control == QLatin1String("Text13")) {
        manualDrive.Text13_KeyPress(code);
        return true;
    }
    return false;
}

void Station::pick(const QString &text)
{
    const QScopedValueRollback<bool> acting(m_operatorAction, true);
    display.Combo2.setText(text);
    console.Combo2_Click();
}

} // namespace korvane
