#pragma once

#include <QWidget>

class QGridLayout;

namespace korvane {

class Station;

// The top of the window, the part that stays in view when the window is
// collapsed: the connection strip with its lamps, the link figures, and the
// notice and alarm lines with the collapse switch.
class StatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusPanel(Station &station, QWidget *parent = nullptr);

private:
    QWidget *connectionStrip();
    QWidget *figures();
    QWidget *noticeRow();
    QWidget *signalGroup();
    void addCaptionedBox(QGridLayout *grid, int row, int column, const char *caption, QWidget *box);

    Station &m_station;
};

} // namespace korvane
