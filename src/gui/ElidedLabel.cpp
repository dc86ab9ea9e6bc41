#include "gui/ElidedLabel.h"

#include "gui/Binding.h"
#include "model/Control.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

namespace korvane {

namespace {

class Elider : public QObject {
public:
    Elider(QLabel *label, Control &control) : QObject(label), m_label(label), m_control(control) {}

    void show()
    {
        const QString &whole = m_control.text();
        const QString shown = m_label->fontMetrics().elidedText(whole, Qt::ElideRight,
                                                                 std::max(0, m_label->contentsRect().width()));
        if (m_label->text() != shown)
            m_label->setText(shown);
        QStringList tip;
        if (shown != whole)
            tip << whole;
        if (!m_control.toolTip().isEmpty())
            tip << m_control.toolTip();
        m_label->setToolTip(tip.join(QLatin1Char('\n')));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)
            show();
        return QObject::eventFilter(watched, event);
    }

private:
    QLabel *m_label;
    Control &m_control;
};

} // namespace

void bindElidedLabel(QLabel *label, Control &control)
{
    bindCommon(label, control);
    label->setWordWrap(false);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto *elider = new Elider(label, control);
    label->installEventFilter(elider);
    elider->show();
    // Connected after bindCommon's handler, so the tool tip written here wins.
    QObject::connect(&control, &Control::changed, elider, [elider](const QString &p) {
        if (p == QLatin1String("text") || p == QLatin1String("tooltip"))
            elider->show();
    });
}

} // namespace korvane
