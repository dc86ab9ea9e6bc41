#include "gui/Lamp.h"

#include "model/Control.h"
#include "gui/Binding.h"

#include <QPainter>
#include <QRadialGradient>

namespace korvane {

namespace {

constexpr int kDiameter = 14;

QColor towardsWhite(const QColor &c, double share)
{
    return QColor::fromRgbF(c.redF() + (1 - c.redF()) * share, c.greenF() + (1 - c.greenF()) * share,
                            c.blueF() + (1 - c.blueF()) * share);
}

} // namespace

Lamp::Lamp(Control &control, QWidget *parent)
    : QWidget(parent), m_control(control)
{
    bindCommon(this, control);
    setFixedSize(sizeHint());
    showToolTip();
    // Connected after bindCommon's handler, so the tool tip written here wins.
    connect(&control, &Control::changed, this, [this](const QString &property) {
        if (property == QLatin1String("colour"))
            update();
        else if (property == QLatin1String("status") || property == QLatin1String("tooltip"))
            showToolTip();
    });
}

// The state in words and since when first, then what the design says (the
// ping figures and the like).
void Lamp::showToolTip()
{
    QStringList lines;
    for (const QString &line : {m_control.status(), m_control.toolTip()})
        if (!line.isEmpty())
            lines << line;
    setToolTip(lines.join(QLatin1Char('\n')));
}

QColor Lamp::colour() const
{
    const Rgb c = m_control.colour();
    return QColor(c.r, c.g, c.b);
}

QSize Lamp::sizeHint() const
{
    return {kDiameter + 2, kDiameter + 2};
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const QColor base = colour();
    // A highlight towards the top left makes it read as a lamp, not a hole.
    QRadialGradient glow(disc.center() - QPointF(disc.width() / 5, disc.height() / 5), disc.width() / 1.6);
    glow.setColorAt(0, towardsWhite(base, 0.45));
    glow.setColorAt(0.6, base);
    glow.setColorAt(1, base);
    painter.setBrush(glow);
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.drawEllipse(disc);
}

} // namespace korvane
