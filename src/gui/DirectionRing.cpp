#include "gui/DirectionRing.h"

#include "model/Control.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <cmath>
#include <numbers>
#include <utility>

namespace korvane {

namespace {

constexpr int kSide = 232;
constexpr int kMinimumSide = 170;
constexpr double kDegreesPerDot = 30.0;
// Dots may be hit a little outside their drawn disc.
constexpr double kHitSlack = 4.0;
// The centre dot is green by design: it returns the board to automatic drive.
const QColor kCentreDesignColour(0, 170, 0);
const QColor kFace(246, 248, 251);
const QColor kRim(150, 160, 175);
const QColor kTick(170, 178, 190);
const QColor kCaption(95, 105, 120);

QPointF polar(QPointF centre, double radius, double degreesFromBow)
{
    const double a = degreesFromBow * std::numbers::pi / 180.0;
    // Clockwise from the top: x grows with sin, y shrinks with cos.
    return centre + QPointF(radius * std::sin(a), -radius * std::cos(a));
}

QColor toQColor(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

} // namespace

DirectionRing::DirectionRing(const std::array<Control *, kDots> &dots, QWidget *parent)
    : QWidget(parent), m_dots(dots)
{
    setObjectName(QStringLiteral("angle"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (Control *dot : m_dots) {
        // Every property of a dot shows in the drawing or its tool tip.
        connect(dot, &Control::changed, this, [this] { update(); });
    }
}

QSize DirectionRing::sizeHint() const
{
    return {kSide, kSide};
}

QSize DirectionRing::minimumSizeHint() const
{
    return {kMinimumSide, kMinimumSide};
}

double DirectionRing::ringRadius() const
{
    return std::min(width(), height()) * 0.32;
}

double DirectionRing::dotRadius() const
{
    return std::max(5.0, std::min(width(), height()) * 0.034);
}

QPointF DirectionRing::dotCentre(int index) const
{
    const QPointF centre = QRectF(rect()).center();
    if (index == kCentre)
        return centre;
    return polar(centre, ringRadius(), index * kDegreesPerDot);
}

int DirectionRing::dotAt(QPointF pos) const
{
    const double reach = dotRadius() + kHitSlack;
    for (int i = 0; i < kDots; ++i) {
        if (!m_dots[i]->visible())
            continue;
        const QPointF d = pos - dotCentre(i);
        if (std::hypot(d.x(), d.y()) <= reach)
            return i;
    }
    return -1;
}

QColor DirectionRing::dotColour(int index) const
{
    const Rgb c = m_dots[index]->colour();
    // The model leaves the centre at the default colour; show its design green.
    if (index == kCentre && c == colours::Black)
        return kCentreDesignColour;
    return toQColor(c);
}

bool DirectionRing::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int dot = dotAt(help->pos());
        if (dot >= 0 && !m_dots[dot]->toolTip().isEmpty())
            QToolTip::showText(help->globalPos(), m_dots[dot]->toolTip(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void DirectionRing::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int dot = event->button() == Qt::LeftButton ? dotAt(event->position()) : -1;
    if (dot >= 0 && m_dots[dot]->enabled()) {
        m_releaseEndsDoubleClick = true;
        QToolTip::hideText();
        Q_EMIT dotDoubleClicked(dot);
    }
    QWidget::mouseDoubleClickEvent(event);
}

QString DirectionRing::clickHint(int index)
{
    return index == kCentre ? QStringLiteral("双击恢复自动驱动") : QStringLiteral("双击驱动到该角度");
}

void DirectionRing::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (std::exchange(m_releaseEndsDoubleClick, false) || event->button() != Qt::LeftButton)
        return;
    const int dot = dotAt(event->position());
    if (dot < 0 || !m_dots[dot]->enabled())
        return;
    QToolTip::showText(mapToGlobal(dotCentre(dot).toPoint()), clickHint(dot), this);
    Q_EMIT dotClicked(dot);
}

void DirectionRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintFace(painter);
    paintShip(painter);
    for (int i = 0; i < kDots; ++i) {
        if (m_dots[i]->visible())
            paintDot(painter, i);
    }
}

// The compass face: a disc, a tick every 10° (longer every 30°, where the
// dots sit) and the bow, stern and beam captions outside the ticks.
void DirectionRing::paintFace(QPainter &painter) const
{
    const QPointF centre = QRectF(rect()).center();
    const double r = ringRadius();
    const double face = r + dotRadius() + 9;
    painter.setPen(QPen(kRim, 1.2));
    painter.setBrush(kFace);
    painter.drawEllipse(centre, face, face);
    painter.setPen(QPen(kTick, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, r, r);
    for (int deg = 0; deg < 360; deg += 10) {
        const bool major = deg % 30 == 0;
        painter.setPen(QPen(major ? kRim : kTick, major ? 1.4 : 1.0));
        painter.drawLine(polar(centre, face - (major ? 6 : 3), deg), polar(centre, face, deg));
    }
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    painter.setFont(small);
    painter.setPen(kCaption);
    const double out = face + 14;
    static const struct {
        double deg;
        const char *text;
    } captions[] = {{0, "船艏"}, {90, "右舷"}, {180, "船尾"}, {270, "左舷"}};
    for (const auto &c : captions) {
        const QPointF at = polar(centre, out, c.deg);
        const QRectF box(at.x() - 22, at.y() - 9, 44, 18);
        painter.drawText(box, Qt::AlignCenter, QString::fromUtf8(c.text));
    }
}

// A faint hull, bow up, so the ring reads as angles relative to the ship.
void DirectionRing::paintShip(QPainter &painter) const
{
    const QPointF c = QRectF(rect()).center();
    const double len = ringRadius() * 0.62;
    const double beam = len * 0.34;
    QPainterPath hull;
    hull.moveTo(c + QPointF(0, -len));
    hull.quadTo(c + QPointF(beam, -len * 0.35), c + QPointF(beam, len * 0.25));
    hull.lineTo(c + QPointF(beam * 0.8, len * 0.75));
    hull.lineTo(c + QPointF(-beam * 0.8, len * 0.75));
    hull.lineTo(c + QPointF(-beam, len * 0.25));
    hull.quadTo(c + QPointF(-beam, -len * 0.35), c + QPointF(0, -len));
    painter.setPen(QPen(QColor(175, 190, 210), 1.2));
    painter.setBrush(QColor(225, 233, 243));
    painter.drawPath(hull);
}

void DirectionRing::paintDot(QPainter &painter, int index) const
{
    QColor fill = dotColour(index);
    if (!m_dots[index]->enabled())
        fill.setAlpha(90);
    const double radius = index == kCentre ? dotRadius() * 1.35 : dotRadius();
    painter.setPen(QPen(fill.darker(160), 1));
    painter.setBrush(fill);
    painter.drawEllipse(dotCentre(index), radius, radius);
}

} // namespace korvane
