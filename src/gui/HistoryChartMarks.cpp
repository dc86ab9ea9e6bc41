// The event marks above the strips: one per kind per few pixels, with the
// number of events it stands for; losses, alarms, reboots and refused
// reports in the upper row and drawn last, so no routine mark hides them.
#include "gui/HistoryChart.h"

#include "gui/HistoryLanes.h"
#include "history/HistorySchema.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

// How far from a mark the pointer may be and still name it.
constexpr double kReach = 6;
// Routine marks draw their faint line through the strips only on spans this
// short; losses and alarms always do.
constexpr qint64 kRoutineLinesUpTo = 6 * 3600'000LL;

// Which of several routine kinds in one place is drawn on top: the crew's
// doings before the optimisation's, the optimisation's before the rest.
int routineRank(const QString &kind)
{
    namespace k = history::kind;
    static const QStringList order = {k::Other, k::Clock, k::Operator, k::Comparison,
                                      k::Survey, k::Sweep, k::Login, k::LinkBack, k::Drive};
    return int(order.indexOf(kind));
}

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
    // A group's badge stands in the middle of its stretch, so the badges of
    // one kind never overlap; a lone event's triangle at its time.
    const double stretch = double(kMarkColumns) * area.width() / std::max(1, m_data.span.width);
    QVector<const history::MarkerGroup *> order;
    for (const history::MarkerGroup &group : m_data.markers)
        order << &group;
    std::stable_sort(order.begin(), order.end(), [](const history::MarkerGroup *a, const history::MarkerGroup *b) {
        return routineRank(a->kind) < routineRank(b->kind);
    });
    for (const bool severe : {false, true}) {
        const QRectF row = markRow(severe);
        for (const history::MarkerGroup *entry : order) {
            const history::MarkerGroup &group = *entry;
            if (isSevereKind(group.kind) != severe)
                continue;
            const double at = xAt(group.t);
            const double x = group.count <= 1 ? at
                                              : area.left() + (std::floor((at - area.left()) / stretch) + 0.5) * stretch;
            if (x < area.left() - 1 || x > area.right() + 1)
                continue;
            const QColor colour = eventKindColour(group.kind);
            if (severe || m_data.span.length() <= kRoutineLinesUpTo) {
                QColor faint = colour;
                faint.setAlpha(severe ? 90 : 60);
                painter.setPen(QPen(faint, 1));
                painter.drawLine(QPointF(at, area.top()), QPointF(at, area.bottom()));
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
            const double w = std::min(stretch - 1, std::max(row.height() - 1, metrics.horizontalAdvance(count) + 4));
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
