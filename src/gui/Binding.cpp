#include "gui/Binding.h"

#include "model/Control.h"
#include "app/Station.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>

namespace korvane {

namespace {

constexpr int kEnterKey = 13;
constexpr int kBackspaceKey = 8;

bool is(const QString &property, const char *name)
{
    return property == QLatin1String(name);
}

void showText(QLineEdit *box, const QString &text)
{
    // Only a real change is written, so the caret stays where the operator
    // left it when the model echoes what was just typed.
    if (box->text() != text)
        box->setText(text);
}

void showValue(QCheckBox *box, const Control &control)
{
    const QSignalBlocker blocker(box);
    box->setChecked(control.value() == 1);
}

void showValue(QSlider *slider, const Control &control)
{
    const QSignalBlocker blocker(slider);
    slider->setValue(control.value());
}

void showEditText(QComboBox *combo, const QString &text)
{
    if (combo->currentText() != text)
        combo->setEditText(text);
}

// The key code the station's key handlers expect, or -1 for keys that
// produce nothing in a box (arrows, modifiers).
int keyCode(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return kEnterKey;
    if (event->key() == Qt::Key_Backspace)
        return kBackspaceKey;
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return -1;
    return text.at(0).unicode();
}

// Hands key presses of a box to Station::key. Enter is consumed, so it
// neither adds a list entry nor presses a default button.
class KeyForwarder : public QObject {
public:
    KeyForwarder(QObject *parent, QString control, Station &station, bool enterOnly)
        : QObject(parent), m_control(std::move(control)), m_station(station), m_enterOnly(enterOnly)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const int code = keyCode(static_cast<QKeyEvent *>(event));
        if (code < 0 || (m_enterOnly && code != kEnterKey))
            return false;
        m_station.key(m_control, code);
        return code == kEnterKey;
    }

private:
    QString m_control;
    Station &m_station;
    bool m_enterOnly;
};

} // namespace

// A control with a state in words (the cloud box: "云平台：未上报 …") shows it
// first in its tool tip, then the design's own tip.
static QString toolTipOf(const Control &control)
{
    if (control.status().isEmpty())
        return control.toolTip();
    if (control.toolTip().isEmpty())
        return control.status();
    return control.status() + QLatin1Char('\n') + control.toolTip();
}

void bindCommon(QWidget *widget, Control &control)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(control.name());
    widget->setHidden(!control.visible());
    widget->setEnabled(control.enabled());
    widget->setToolTip(toolTipOf(control));
    QObject::connect(&control, &Control::changed, widget, [widget, &control](const QString &p) {
        if (is(p, "visible"))
            widget->setHidden(!control.visible());
        else if (is(p, "enabled"))
            widget->setEnabled(control.enabled());
        else if (is(p, "tooltip") || is(p, "status"))
            widget->setToolTip(toolTipOf(control));
    });
}

void bindLabel(QLabel *label, Control &control)
{
    bindCommon(label, control);
    label->setText(control.text());
    QObject::connect(&control, &Control::changed, label, [label, &control](const QString &p) {
        if (is(p, "text"))
            label->setText(control.text());
    });
}

void bindDisplayBox(QLineEdit *box, Control &control)
{
    bindDisplayBox(box, control, nullptr);
}

void bindDisplayBox(QLineEdit *box, Control &control, QString (*shown)(const QString &))
{
    bindCommon(box, control);
    box->setReadOnly(true);
    const auto show = [box, &control, shown] { showText(box, shown ? shown(control.text()) : control.text()); };
    show();
    QObject::connect(&control, &Control::changed, box, [show](const QString &p) {
        if (is(p, "text"))
            show();
    });
}

void bindEditBox(QLineEdit *box, Control &control, Station &station)
{
    bindCommon(box, control);
    box->setText(control.text());
    QObject::connect(&control, &Control::changed, box, [box, &control](const QString &p) {
        if (is(p, "text"))
            showText(box, control.text());
    });
    QObject::connect(box, &QLineEdit::textEdited, box, [box, &control, &station](const QString &text) {
        station.setControl(control.name(), text);
        showText(box, control.text());
    });
}

void bindButton(QAbstractButton *button, Control &control, Station &station)
{
    bindCommon(button, control);
    button->setText(control.text());
    QObject::connect(&control, &Control::changed, button, [button, &control](const QString &p) {
        if (is(p, "text"))
            button->setText(control.text());
    });
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [&control, &station] { station.click(control.name()); });
}

void bindCheckBox(QCheckBox *box, Control &control, Station &station)
{
    bindCommon(box, control);
    showValue(box, control);
    QObject::connect(&control, &Control::changed, box, [box, &control](const QString &p) {
        if (is(p, "value"))
            showValue(box, control);
    });
    QObject::connect(box, &QCheckBox::clicked, box, [box, &control, &station](bool checked) {
        station.setControl(control.name(), checked ? QStringLiteral("1") : QStringLiteral("0"));
        showValue(box, control);
    });
}

void bindProgressBar(QProgressBar *bar, Control &control)
{
    bindCommon(bar, control);
    bar->setRange(0, 100);
    const auto show = [bar, &control] {
        bar->setValue(control.value());
        // The text is shown as given; a '%' in it must not read as a placeholder.
        bar->setFormat(QString(control.text()).replace(QLatin1Char('%'), QStringLiteral("%%")));
    };
    show();
    QObject::connect(&control, &Control::changed, bar, [show](const QString &p) {
        if (is(p, "value") || is(p, "text"))
            show();
    });
}

void bindSlider(QSlider *slider, Control &control, Station &station)
{
    bindCommon(slider, control);
    showValue(slider, control);
    QObject::connect(&control, &Control::changed, slider, [slider, &control](const QString &p) {
        if (is(p, "value"))
            showValue(slider, control);
    });
    // Model updates are blocked in showValue, so this is the operator's move.
    QObject::connect(slider, &QSlider::valueChanged, slider, [slider, &control, &station](int value) {
        station.setControl(control.name(), QString::number(value));
        showValue(slider, control);
    });
}

void bindConsoleBox(QComboBox *combo, Control &control, Station &station)
{
    bindCommon(combo, control);
    combo->setEditable(true);
    // Completion would show more than the operator typed and the model holds.
    combo->setCompleter(nullptr);
    // Enter runs a command; it must not grow the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(control.items());
    // Adding the first entry selects it; the box shows the model's text.
    combo->setCurrentIndex(-1);
    combo->setEditText(control.text());
    QObject::connect(&control, &Control::changed, combo, [combo, &control](const QString &p, const QString &v) {
        if (is(p, "item")) {
            combo->addItem(v);
            if (combo->count() == 1)
                combo->setCurrentIndex(-1);
            showEditText(combo, control.text());
        } else if (is(p, "text")) {
            showEditText(combo, control.text());
        }
    });
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                     [combo, &control, &station](const QString &text) {
                         station.setControl(control.name(), text);
                         showEditText(combo, control.text());
                     });
    QObject::connect(combo, &QComboBox::textActivated, combo, [combo, &control, &station](const QString &text) {
        station.pick(text);
        showEditText(combo, control.text());
    });
    // Keys reach the combo box first and its line edit only when sent there
    // directly; both are watched, and neither passes a key to the other.
    for (QObject *target : {static_cast<QObject *>(combo), static_cast<QObject *>(combo->lineEdit())})
        target->installEventFilter(new KeyForwarder(combo, control.name(), station, true));
}

void forwardKeys(QLineEdit *box, Control &control, Station &station)
{
    box->installEventFilter(new KeyForwarder(box, control.name(), station, false));
}

void bindPortPicker(QComboBox *combo, Control &control, Station &station)
{
    bindCommon(combo, control);
    combo->setEditable(false);
    combo->setPlaceholderText(QStringLiteral("AIS串口"));
    combo->addItems(control.items());
    combo->setCurrentIndex(-1);
    QObject::connect(&control, &Control::changed, combo, [combo](const QString &p, const QString &v) {
        if (is(p, "item"))
            combo->addItem(v);
    });
    QObject::connect(combo, &QComboBox::activated, combo, [combo, &station](int index) {
        station.setControl(QStringLiteral("Combo2"), combo->itemText(index));
        station.key(QStringLiteral("Combo2"), 13);
    });
}

} // namespace korvane
