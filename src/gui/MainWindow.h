#pragma once

#include <QWidget>

namespace korvane {

class HistoryWindow;
class OperatorPanel;
class StaleMarks;
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

    // The caption as the window shows it: the model's, without the trailing
    // signal figure while that figure is stale.
    static QString shownCaption(const QString &caption, bool signalStale);

    StatusPanel *statusPanel() const { return m_status; }
    StaleMarks *staleMarks() const { return m_stale; }
    // How many times its design size the window draws its figures.
    double scale() const { return m_scale; }
    OperatorPanel *operatorPanel() const { return m_operator; }
    // Opens (or raises) the history window; null while there is no history.
    HistoryWindow *showHistory();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyHeight();
    void showCaption();
    void applyScale();

    Station &m_station;
    StaleMarks *m_stale;
    double m_scale = 1;
    // The height and state the window had when the operator collapsed it,
    // given back when it is expanded again.
    int m_expandedHeight = 0;
    Qt::WindowStates m_expandedState;
    StatusPanel *m_status;
    OperatorPanel *m_operator;
    HistoryWindow *m_history = nullptr;
};

} // namespace korvane
