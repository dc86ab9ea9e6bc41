#pragma once

#include <QWidget>

class QToolButton;

namespace korvane {

class DirectionRing;
class Station;

// The lower part of the window: manual drive on the left (the ring, the
// fine-adjust slider, the target entry and the ship-to-ship switches), the
// terminal and the command console on the right.
class OperatorPanel : public QWidget {
    Q_OBJECT
public:
    explicit OperatorPanel(Station &station, QWidget *parent = nullptr);

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
    DirectionRing *m_ring = nullptr;
    QToolButton *m_history = nullptr;
};

} // namespace korvane
