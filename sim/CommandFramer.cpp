#include "CommandFramer.h"

namespace korvane::sim {

namespace {
// A station never sends a command this long; a longer run without a line end
// is garbage and is cut so the buffer cannot grow without bound.
constexpr qsizetype kMaxCommandBytes = 4096;
}

CommandFramer::CommandFramer(int quietGapMs, QObject *parent)
    : QObject(parent)
{
    m_gap.setSingleShot(true);
    m_gap.setInterval(quietGapMs);
    connect(&m_gap, &QTimer::timeout, this, &CommandFramer::flushFragment);
}

void CommandFramer::feed(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            flushFragment();
            continue;
        }
        m_pending += c;
        if (m_pending.size() >= kMaxCommandBytes)
            flushFragment();
    }
    if (m_pending.isEmpty())
        m_gap.stop();
    else
        m_gap.start();
}

void CommandFramer::flushFragment()
{
    m_gap.stop();
    if (m_pending.isEmpty())
        return;
    const QByteArray line = m_pending;
    m_pending.clear();
    emit command(line);
}

} // namespace korvane::sim
