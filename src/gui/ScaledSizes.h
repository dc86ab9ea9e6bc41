#pragma once

#include <QPointer>
#include <QSize>
#include <QVector>
#include <QWidget>

namespace korvane {

// Widgets drawn at a fixed size or font that grow with the window: each is
// remembered at its design size and set to a multiple of it, so growing and
// shrinking back always ends where it started.
class ScaledSizes {
public:
    // Remembers `widget`'s font, and its fixed size when `fixedSize`.
    void add(QWidget *widget, bool fixedSize);
    void apply(double scale);
    double scale() const { return m_scale; }

private:
    struct Item {
        QPointer<QWidget> widget;
        qreal points = 0;
        QSize size;
        bool fixedSize = false;
    };
    QVector<Item> m_items;
    double m_scale = 1;
};

} // namespace korvane
