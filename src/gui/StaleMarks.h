#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>

class QLabel;
class QWidget;

namespace korvane {

class Clock;
class Control;

// The figures a peer feeds: while their source is silent they are drawn
// greyed with their age beside them ("32秒前"), so a number that stopped
// changing never passes for a live one. One timer refreshes every age text,
// and runs only while something is stale.
class StaleMarks : public QObject {
    Q_OBJECT
public:
    explicit StaleMarks(const Clock &clock, QObject *parent = nullptr);

    // `figure` shows `control`; `age` is the label beside it, hidden while
    // the figure is fresh.
    void watch(QWidget *figure, Control &control, QLabel *age);

    // How old a reading made at `readAt` is at `now`, in the crew's words.
    static QString ageText(const QDateTime &readAt, const QDateTime &now);
    // The text colour of a stale figure.
    static QColor staleColour();

    // Every age text as of now.
    void refresh();
    bool ticking() const { return m_tick.isActive(); }

private:
    struct Mark {
        QPointer<QWidget> figure;
        Control *control = nullptr;
        QPointer<QLabel> age;
        QString liveStyle;
        bool shownStale = false;
    };
    void show(Mark &mark);

    const Clock &m_clock;
    QVector<Mark> m_marks;
    QTimer m_tick;
};

} // namespace korvane
