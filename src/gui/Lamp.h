#pragma once

#include <QWidget>

namespace korvane {

class Control;

// A link lamp: a small round indicator in the control's colour (black
// closed, yellow connecting, green connected, red error); its tool tip
// names the state and since when.
class Lamp : public QWidget {
    Q_OBJECT
public:
    Lamp(Control &control, QWidget *parent = nullptr);

    // The colour the lamp shows now.
    QColor colour() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showToolTip();

    Control &m_control;
};

} // namespace korvane
