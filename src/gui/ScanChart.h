#pragma once

#include <QWidget>

#include <utility>

namespace korvane {

class AutoScanRecord;

// The auto-scan's readings drawn against the offset, −30 to +30 degrees:
// the reading at the automatic direction as a dashed line, one point per
// offset as it comes in, and the best offset so far marked.
class ScanChart : public QWidget {
    Q_OBJECT
public:
    explicit ScanChart(const AutoScanRecord &record, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The signal range shown, in dBm: whole multiples of 5 around every
    // reading, at least 10 dB high.
    std::pair<int, int> signalRange() const;
    QRectF plotArea() const;
    QPointF at(double offset, double signal) const;
    void paintAxes(QPainter &painter) const;
    void paintDefault(QPainter &painter) const;
    void paintReadings(QPainter &painter) const;
    void paintBest(QPainter &painter) const;

    const AutoScanRecord &m_record;
};

} // namespace korvane
