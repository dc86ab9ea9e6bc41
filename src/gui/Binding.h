#pragma once

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSlider;
class QString;
class QWidget;

namespace korvane {

class Control;
class Station;

// Small binders from a widget to its Control. The widget keeps no state of
// its own: the model's change notification updates it, and what the operator
// does goes back through the Station's actions, after which the widget is
// brought back in line with the model (a refused action leaves no trace).
// Each binder also names the widget after its control, so it can be found.

// Visibility, enabled state and tool tip.
void bindCommon(QWidget *widget, Control &control);
// Caption.
void bindLabel(QLabel *label, Control &control);
// A read-only box that shows the control's text.
void bindDisplayBox(QLineEdit *box, Control &control);
// The same, showing `shown(text)`: the window's wording of a model text whose
// caption sits beside the box. The model's text stays as it is.
void bindDisplayBox(QLineEdit *box, Control &control, QString (*shown)(const QString &));
// A box the operator types into: each edit goes to Station::setControl.
void bindEditBox(QLineEdit *box, Control &control, Station &station);
// Caption; a click goes to Station::click.
void bindButton(QAbstractButton *button, Control &control, Station &station);
// Value 0/1; a tick goes to Station::setControl with "0" or "1".
void bindCheckBox(QCheckBox *box, Control &control, Station &station);
// Value in percent and the text shown on the bar.
void bindProgressBar(QProgressBar *bar, Control &control);
// Value; a move by hand goes to Station::setControl.
void bindSlider(QSlider *slider, Control &control, Station &station);
// The console box: list entries as they are added, the edit text two-way,
// Enter to Station::key with 13, a picked entry to Station::pick.
void bindConsoleBox(QComboBox *combo, Control &control, Station &station);
// A picker of the discovered AIS ports: choosing one types its name into the
// command box and presses Enter, as the operator would.
void bindPortPicker(QComboBox *combo, Control &control, Station &station);
// Every key the operator presses in an entry box goes to Station::key
// before the box takes it (Enter as 13, Backspace as 8, else the character).
void forwardKeys(QLineEdit *box, Control &control, Station &station);

} // namespace korvane
