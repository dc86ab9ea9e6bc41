#include "platform/LoopWatch.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#endif

namespace korvane {

LoopWatch::LoopWatch(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(kTickMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LoopWatch::tick);
}

void LoopWatch::start()
{
    m_sinceTick.invalidate();
    m_timer.start();
}

void LoopWatch::reset()
{
    m_maxGapMs = 0;
    m_maxGapAt = QDateTime();
}

qint64 LoopWatch::maxGapMs() const
{
    return m_sinceTick.isValid() ? std::max(m_maxGapMs, m_sinceTick.elapsed()) : m_maxGapMs;
}

void LoopWatch::tick()
{
    if (m_sinceTick.isValid()) {
        const qint64 gap = m_sinceTick.elapsed();
        if (gap > m_maxGapMs) {
            m_maxGapMs = gap;
            m_maxGapAt = QDateTime::currentDateTime();
        }
    }
    m_sinceTick.start();
}

namespace {

qint64 statusKb(const QByteArray &status, const char *key)
{
    const QRegularExpression line(QLatin1String(key) + QStringLiteral(":\\s+(\\d+) kB"));
    const QRegularExpressionMatch m = line.match(QString::fromLatin1(status));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

} // namespace

ProcessFigures readProcessFigures()
{
    ProcessFigures f;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QByteArray text = status.readAll();
        f.rssKb = statusKb(text, "VmRSS");
        f.peakRssKb = statusKb(text, "VmHWM");
    }
#if defined(Q_OS_UNIX)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
        const auto ms = [](const timeval &t) { return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000; };
        f.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    }
#endif
    return f;
}

QString statsLine(const LoopWatch *watch, const ProcessFigures &figures)
{
    const bool watching = watch && watch->running();
    QString line = QStringLiteral("stats maxGapMs=%1 rssKb=%2 peakRssKb=%3 cpuMs=%4")
                       .arg(watching ? watch->maxGapMs() : -1)
                       .arg(figures.rssKb)
                       .arg(figures.peakRssKb)
                       .arg(figures.cpuMs);
    if (watching && watch->maxGapAt().isValid())
        line += QStringLiteral(" maxGapAt=") + watch->maxGapAt().toString(Qt::ISODateWithMs);
    return line;
}

} // namespace korvane
