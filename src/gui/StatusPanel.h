#pragma once

#include "gui/ScaledSizes.h"

#include <QWidget>

class QGridLayout;
class QLabel;
class QLayout;

namespace korvane {

class Control;
class StaleMarks;
class Station;

// The top of the window, the part that stays in view when the window is
// collapsed: the connection strip with its lamps, the link figures, and the
// notice and alarm lines with the collapse switch.
class StatusPanel : public QWidget {
    Q_OBJECT
public:
    StatusPanel(Station &station, StaleMarks &stale, QWidget *parent = nullptr);

    // The figures and the notice line at `scale` times their design size.
    void setScale(double scale) { m_scaled.apply(scale); }

private:
    QWidget *connectionStrip();
    QWidget *figures();
    QWidget *noticeRow();
    QWidget *signalGroup();
    QLayout *capacities(QWidget *panel);
    QLayout *vessel(QWidget *panel);
    void addCaptionedBox(QGridLayout *grid, int row, int column, const char *caption, QWidget *box);
    // A grey "32秒前" beside `figure` while `control` is stale.
    QLabel *ageLabel(QWidget *figure, Control &control);
    QLabel *scaledLabel(const QString &text, QWidget *parent);

    Station &m_station;
    StaleMarks &m_stale;
    ScaledSizes m_scaled;
};

} // namespace korvane
