#include "gui/ScaledSizes.h"

#include <cmath>

namespace korvane {

void ScaledSizes::add(QWidget *widget, bool fixedSize)
{
    m_items.append({widget, widget->font().pointSizeF(), widget->size(), fixedSize});
    if (m_scale != 1) {
        const double scale = m_scale;
        m_scale = 1;
        apply(scale);
    }
}

void ScaledSizes::apply(double scale)
{
    if (scale == m_scale)
        return;
    m_scale = scale;
    for (const Item &item : std::as_const(m_items)) {
        if (!item.widget)
            continue;
        QFont font = item.widget->font();
        font.setPointSizeF(item.points * scale);
        item.widget->setFont(font);
        if (item.fixedSize)
            item.widget->setFixedSize(int(std::lround(item.size.width() * scale)),
                                      int(std::lround(item.size.height() * scale)));
    }
}

} // namespace korvane
