#pragma once

#include <QWidget>

namespace korvane {

class HistoryWindow;
class OperatorPanel;
class Station;
class StatusPanel;

// The station's window. Every widget is bound to its control in the
// station's Display; the window keeps no state of its own. Its caption and
// height follow the MainWindow control (height in twips). Building it does
// not start the station: main() calls Form_Load.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(Station &station, QWidget *parent = nullptr);

    // Pixels for a height in twips (15 twips a pixel at 96 dots per inch).
    static int pixelsFromTwips(int twips);

    StatusPanel *statusPanel() const { return m_status; }
    OperatorPanel *operatorPanel() const { return m_operator; }
    // Opens (or raises) the history window; null while there is no history.
    HistoryWindow *showHistory();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyHeight();

    Station &m_station;
    StatusPanel *m_status;
    OperatorPanel *m_operator;
    HistoryWindow *m_history = nullptr;
};

} // namespace korvane
