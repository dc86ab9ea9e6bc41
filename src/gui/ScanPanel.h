#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

namespace korvane {

class AutoScanRecord;

// The auto-scan on view: a heading, the progress (tick n of 62 and the time
// left) while the scan runs, and the chart. Hidden until the first scan
// starts; the last scan stays on view until the next.
class ScanPanel : public QFrame {
    Q_OBJECT
public:
    // `tickMs`: the interval of the scan's timer, for the time left.
    ScanPanel(const AutoScanRecord &record, int tickMs, QWidget *parent = nullptr);

    QProgressBar *progress() const { return m_progress; }

private:
    void refresh();

    const AutoScanRecord &m_record;
    int m_tickMs;
    QLabel *m_heading;
    QProgressBar *m_progress;
};

} // namespace korvane
