#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace korvane::test {

// Operator input delivered the way the application delivers it (through
// event filters), without the QtTest library.

inline void sendMouse(QWidget *w, QEvent::Type type, QPointF pos, Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void click(QWidget *w, QPointF pos)
{
    sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}

inline void click(QWidget *w)
{
    click(w, QRectF(w->rect()).center());
}

// The sequence a double-click produces: press, release, double-click, release.
inline void doubleClick(QWidget *w, QPointF pos)
{
    click(w, pos);
    sendMouse(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}

inline void doubleClick(QWidget *w)
{
    doubleClick(w, QRectF(w->rect()).center());
}

inline void pressKey(QWidget *w, int key, const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

inline void typeText(QWidget *w, const QString &text)
{
    for (QChar c : text)
        pressKey(w, c.isLetter() ? int(c.toUpper().unicode()) : int(c.unicode()), QString(c));
}

inline void pressEnter(QWidget *w)
{
    pressKey(w, Qt::Key_Return, QStringLiteral("\r"));
}

} // namespace korvane::test
