#include "model/LinkOutage.h"

#include <algorithm>

namespace korvane {

LinkOutage::LinkOutage(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{
    m_clock.start();
}

LinkOutage::LinkOutage(const QString &name, const QString &lostWord, const QString &backWord, QObject *parent)
    : QObject(parent), m_name(name), m_lostWord(lostWord), m_failWord(lostWord), m_backWord(backWord)
{
    m_clock.start();
}

void LinkOutage::lost(const QString &reason, const QDateTime &now, qint64 goneForMs)
{
    if (m_state == State::Down)
        return;
    const bool wasUp = m_state == State::Up;
    m_state = State::Down;
    m_reason = reason.isEmpty() ? QStringLiteral("原因不明") : reason;
    goneForMs = std::max<qint64>(0, goneForMs);
    m_sinceWall = now.addMSecs(-goneForMs);
    m_downAtMs = m_clock.elapsed() - goneForMs;
    Q_EMIT event(m_name + (wasUp ? m_lostWord : m_failWord) + QStringLiteral("（") + m_reason
                 + QStringLiteral("）"));
    Q_EMIT statusChanged(status());
}

void LinkOutage::back(const QDateTime &now)
{
    if (m_state == State::Up)
        return;
    const bool wasDown = m_state == State::Down;
    const qint64 length = wasDown ? downForMs() : 0;
    m_state = State::Up;
    m_reason.clear();
    m_sinceWall = now;
    if (wasDown)
        Q_EMIT event(m_name + m_backWord + QStringLiteral("，中断") + lengthText(length));
    Q_EMIT statusChanged(status());
}

void LinkOutage::forget()
{
    if (m_state == State::Unknown)
        return;
    m_state = State::Unknown;
    m_reason.clear();
    m_sinceWall = QDateTime();
    Q_EMIT statusChanged(status());
}

QString LinkOutage::status() const
{
    const QString at = m_sinceWall.isValid() ? m_sinceWall.toString(QStringLiteral("HH:mm:ss")) : QString();
    switch (m_state) {
    case State::Up:
        return m_name + QStringLiteral("：正常 ") + at;
    case State::Down:
        return m_name + QStringLiteral("：断开 ") + at + QStringLiteral("（") + m_reason + QStringLiteral("）");
    case State::Unknown:
        break;
    }
    return m_name + QStringLiteral("：未连接");
}

QString LinkOutage::lengthText(qint64 ms)
{
    const qint64 seconds = std::max<qint64>(0, (ms + 500) / 1000);
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1小时%2分").arg(h).arg(m);
    if (m > 0)
        return QStringLiteral("%1分%2秒").arg(m).arg(s);
    return QStringLiteral("%1秒").arg(s);
}

} // namespace korvane
