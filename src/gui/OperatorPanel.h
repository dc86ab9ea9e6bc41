#pragma once

#include "gui/ScaledSizes.h"

#include <QWidget>

class QToolButton;

namespace korvane {

class DirectionRing;
class StaleMarks;
class Station;

// The lower part of the window: manual drive on the left (the ring, the
// fine-adjust slider, the target entry and the ship-to-ship switches), the
// terminal and the command console on the right.
class OperatorPanel : public QWidget {
    Q_OBJECT
public:
    OperatorPanel(Station &station, StaleMarks &stale, QWidget *parent = nullptr);

    // The drive panel and its ring at `scale` times their design size.
    void setScale(double scale);

    DirectionRing *ring() const { return m_ring; }
    // Opens the history window; the main window acts on it.
    QToolButton *historyButton() const { return m_history; }

private:
    QWidget *drivePanel();
    QWidget *targetEntry();
    QWidget *shipToShip();
    QWidget *terminalPanel();
    QWidget *console();

    Station &m_station;
    StaleMarks &m_stale;
    ScaledSizes m_scaled;
    QWidget *m_drive = nullptr;
    DirectionRing *m_ring = nullptr;
    QToolButton *m_history = nullptr;
};

} // namespace korvane
