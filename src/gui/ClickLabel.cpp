#include "gui/ClickLabel.h"

#include <QMouseEvent>

namespace korvane {

ClickLabel::ClickLabel(QWidget *parent)
    : QLabel(parent)
{
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    m_releaseEndsDoubleClick = false;
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_releaseEndsDoubleClick)
        m_releaseEndsDoubleClick = false;
    else if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_releaseEndsDoubleClick = true;
        Q_EMIT doubleClicked();
    }
    // Not passed on: the base class would take it for a new press.
    event->accept();
}

} // namespace korvane
