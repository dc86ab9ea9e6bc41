// The event marks above the strips: one per kind per few pixels, with the
// number of events it stands for; losses, alarms, reboots and refused
// reports in the upper row and drawn last, so no routine mark hides them.
#include "gui/HistoryChart.h"

#include "gui/HistoryLanes.h"

#include <QDateTime>
#include <QPainter>

#include <cmath>

namespace korvane {

namespace {

// How far from a mark the pointer may be and still name it.
constexpr double kReach = 6;
// Routine marks draw their faint line through the strips only on spans this
// short; losses and alarms always do.
constexpr qint64 kRoutineLinesUpTo = 6 * 3600'000LL;

QString markText(const history::MarkerGroup &group)
{
    QString text = QDateTime::fromMSecsSinceEpoch(group.t).toString(QStringLiteral("MM-dd HH:mm:ss "))
                   + eventKindLabel(group.kind) + QStringLiteral("：") + group.words;
    if (group.count > 1)
        text += QStringLiteral("（及其后共%1条）").arg(group.count);
    return text;
}

} // namespace

void HistoryChart::paintMarks(QPainter &painter) const
{
    const QRectF area = plotRect();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QFont tiny = painter.font();
    tiny.setPointSizeF(std::max(6.0, tiny.pointSizeF() * 0.8));
    tiny.setBold(true);
    const QFontMetricsF metrics(tiny);
    for (const bool severe : {false, true}) {
        const QRectF row = markRow(severe);
        for (const history::MarkerGroup &group : m_data.markers) {
            if (isSevereKind(group.kind) != severe)
                continue;
            const double x = xAt(group.t);
            if (x < area.left() - 1 || x > area.right() + 1)
                continue;
            const QColor colour = eventKindColour(group.kind);
            if (severe || m_data.span.length() <= kRoutineLinesUpTo) {
                QColor faint = colour;
                faint.setAlpha(severe ? 90 : 60);
                painter.setPen(QPen(faint, 1));
                painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
            }
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            if (group.count <= 1) {
                const QPointF mark[] = {{x - 4, row.top() + 1}, {x + 4, row.top() + 1}, {x, row.bottom() - 2}};
                painter.drawPolygon(mark, 3);
                continue;
            }
            // A badge with the number of events it stands for.
            const QString count = group.count > 99 ? QStringLiteral("99+") : QString::number(group.count);
            const double w = std::max(row.height() - 1, metrics.horizontalAdvance(count) + 4);
            const QRectF badge(x - w / 2, row.top() + 0.5, w, row.height() - 1);
            painter.drawRoundedRect(badge, 3, 3);
            painter.setPen(Qt::white);
            painter.setFont(tiny);
            painter.drawText(badge, Qt::AlignCenter, count);
        }
    }
    painter.restore();
}

QStringList HistoryChart::eventTextsNear(double x) const
{
    QStringList severe;
    QStringList routine;
    for (const history::MarkerGroup &group : m_data.markers)
        if (std::abs(xAt(group.t) - x) <= kReach)
            (isSevereKind(group.kind) ? severe : routine) << markText(group);
    return severe + routine;
}

} // namespace korvane
