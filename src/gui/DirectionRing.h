#pragma once

#include <QWidget>

#include <array>

namespace korvane {

class Control;

// The manual-drive ring: twelve dots at i × 30° clockwise from the bow (the
// top) and a centre dot (index 12), drawn like a compass rose around the
// ship. Colour, tool tip, visibility and enabled state of each dot come from
// its control; a double-click on a dot is announced with its index, and a
// single click shows that a double-click is what drives.
class DirectionRing : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDots = 13;
    static constexpr int kCentre = 12;

    DirectionRing(const std::array<Control *, kDots> &dots, QWidget *parent = nullptr);

    // Where dot `index` is drawn, in widget coordinates.
    QPointF dotCentre(int index) const;
    // The dot under `pos`, or -1.
    int dotAt(QPointF pos) const;
    // The colour dot `index` is drawn in.
    QColor dotColour(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // What a single click on dot `index` tells the operator.
    static QString clickHint(int index);

Q_SIGNALS:
    void dotDoubleClicked(int index);
    // A single click on a dot: the ring has shown its hint.
    void dotClicked(int index);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    double ringRadius() const;
    double dotRadius() const;
    void paintFace(QPainter &painter) const;
    void paintShip(QPainter &painter) const;
    void paintDot(QPainter &painter, int index) const;

    std::array<Control *, kDots> m_dots;
    // The release that ends a double-click is not a single click.
    bool m_releaseEndsDoubleClick = false;
};

} // namespace korvane
