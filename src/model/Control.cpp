#include "model/Control.h"

namespace korvane {

Control::Control(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{
    setObjectName(name);
}

void Control::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    if (m_cap > 0 && m_text.size() > m_cap)
        m_text = m_text.right(m_cap);
    Q_EMIT changed(QStringLiteral("text"), m_text);
}

void Control::setToolTip(const QString &toolTip)
{
    if (toolTip == m_toolTip)
        return;
    m_toolTip = toolTip;
    Q_EMIT changed(QStringLiteral("tooltip"), toolTip);
}

void Control::setColour(Rgb colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    Q_EMIT changed(QStringLiteral("colour"), colour.text());
}

void Control::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    Q_EMIT changed(QStringLiteral("visible"), visible ? QStringLiteral("1") : QStringLiteral("0"));
}

void Control::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Q_EMIT changed(QStringLiteral("enabled"), enabled ? QStringLiteral("1") : QStringLiteral("0"));
}

void Control::setValue(int value)
{
    if (value == m_value)
        return;
    m_value = value;
    Q_EMIT changed(QStringLiteral("value"), QString::number(value));
}

void Control::setStale(bool stale)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    Q_EMIT changed(QStringLiteral("stale"), stale ? QStringLiteral("1") : QStringLiteral("0"));
}

void Control::setStatus(const QString &status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT changed(QStringLiteral("status"), status);
}

void Control::addItem(const QString &item)
{
    m_items.append(item);
    Q_EMIT changed(QStringLiteral("item"), item);
}

void Control::append(const QString &text)
{
    if (text.isEmpty())
        return;
    m_text += text;
    if (m_cap > 0 && m_text.size() > m_cap)
        m_text = m_text.right(m_cap);
    Q_EMIT changed(QStringLiteral("append"), text);
}

} // namespace korvane
