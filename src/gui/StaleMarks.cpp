#include "gui/StaleMarks.h"

#include "model/Control.h"
#include "platform/Clock.h"

#include <QColor>
#include <QLabel>
#include <QWidget>

namespace korvane {

namespace {

constexpr int kTickMs = 1000;
constexpr qint64 kMinute = 60;
constexpr qint64 kHour = 3600;
const char *const kStaleStyle = "color: #8c939d;";

} // namespace

StaleMarks::StaleMarks(const Clock &clock, QObject *parent) : QObject(parent), m_clock(clock)
{
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &StaleMarks::refresh);
}

QString StaleMarks::ageText(const QDateTime &readAt, const QDateTime &now)
{
    if (!readAt.isValid())
        return QStringLiteral("无数据");
    // A clock set back by hand must not show a reading from the future.
    const qint64 s = std::max<qint64>(0, readAt.secsTo(now));
    if (s < kMinute)
        return QStringLiteral("%1秒前").arg(s);
    if (s < kHour)
        return QStringLiteral("%1分钟前").arg(s / kMinute);
    return QStringLiteral("%1小时前").arg(s / kHour);
}

QColor StaleMarks::staleColour()
{
    return {0x8c, 0x93, 0x9d};
}

void StaleMarks::watch(QWidget *figure, Control &control, QLabel *age)
{
    // A label shared by a feed's figures is named after the first of them.
    if (age->objectName().isEmpty())
        age->setObjectName(control.name() + QStringLiteral("Age"));
    age->setStyleSheet(QString::fromLatin1(kStaleStyle));
    m_marks.append({figure, &control, age, figure->styleSheet(), false});
    const qsizetype index = m_marks.size() - 1;
    connect(&control, &Control::changed, this, [this, index](const QString &property) {
        if (property == QLatin1String("stale") || property == QLatin1String("visible"))
            show(m_marks[index]);
    });
    show(m_marks[index]);
}

void StaleMarks::show(Mark &mark)
{
    if (!mark.figure || !mark.age)
        return;
    const bool stale = mark.control->stale();
    if (stale != mark.shownStale) {
        mark.shownStale = stale;
        // The live look is the figure's own style sheet; stale only greys it.
        mark.figure->setStyleSheet(stale ? mark.liveStyle + QString::fromLatin1(kStaleStyle) : mark.liveStyle);
        mark.figure->setProperty("stale", stale);
    }
    // Figures of one feed may share their age label: it shows while any of
    // them is stale and in view.
    const Control *shownFor = nullptr;
    for (const Mark &m : std::as_const(m_marks))
        if (m.age == mark.age && m.shownStale && m.control->visible() && !shownFor)
            shownFor = m.control;
    mark.age->setVisible(shownFor != nullptr);
    if (shownFor)
        mark.age->setText(ageText(shownFor->readAt(), m_clock.now()));
    const bool anyStale = std::any_of(m_marks.cbegin(), m_marks.cend(), [](const Mark &m) { return m.shownStale; });
    if (anyStale && !m_tick.isActive())
        m_tick.start();
    else if (!anyStale)
        m_tick.stop();
}

void StaleMarks::refresh()
{
    const QDateTime now = m_clock.now();
    for (const Mark &mark : m_marks)
        if (mark.shownStale && mark.age)
            mark.age->setText(ageText(mark.control->readAt(), now));
}

} // namespace korvane
