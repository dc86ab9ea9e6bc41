#include "history/CsvWriter.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <limits>

#include <cstdio>

namespace korvane::history {

namespace {

constexpr qsizetype kChunk = 64 * 1024;

} // namespace

void CsvWriter::separator()
{
    if (m_rowStarted)
        m_buffer += ',';
    m_rowStarted = true;
}

void CsvWriter::field(const QString &text)
{
    separator();
    const QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\r') || bytes.contains('\n')) {
        m_buffer += '"';
        m_buffer += QByteArray(bytes).replace("\"", "\"\"");
        m_buffer += '"';
    } else {
        m_buffer += bytes;
    }
}

void CsvWriter::value(const QVariant &v)
{
    if (v.isNull()) {
        separator();
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
        separator();
        m_buffer += QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
        separator();
        m_buffer += QByteArray::number(v.toLongLong());
        return;
    default:
        field(v.toString());
    }
}

// Local time as "yyyy-MM-dd HH:mm:ss" by the zone's rules for each row. The
// offset holds between two transitions of the zone, so it is asked for once
// per stretch between them (not once an hour: St John's changes at half
// past) and the rest is arithmetic: the export of days stays inside its time.
void CsvWriter::time(qint64 msSinceEpoch)
{
    separator();
    const qint64 secs = msSinceEpoch >= 0 ? msSinceEpoch / 1000 : (msSinceEpoch - 999) / 1000;
    if (secs < m_offsetFrom || secs >= m_offsetUntil)
        lookUpOffset(secs);
    const qint64 local = secs + m_offsetSecs;
    const qint64 days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    const qint64 inDay = local - days * 86400;
    const QDate date = QDate(1970, 1, 1).addDays(days);
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(),
                                date.day(), static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                                static_cast<int>(inDay % 60));
    m_buffer.append(text, n);
}

void CsvWriter::lookUpOffset(qint64 secs)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(secs);
    m_offsetSecs = at.offsetFromUtc();
    // Without the zone's transitions at hand, a minute at a time.
    m_offsetFrom = secs - secs % 60;
    m_offsetUntil = m_offsetFrom + 60;
    const QTimeZone zone = QTimeZone::systemTimeZone();
    if (!zone.isValid() || !zone.hasTransitions() || zone.offsetFromUtc(at) != m_offsetSecs)
        return;
    const QTimeZone::OffsetData next = zone.nextTransition(at);
    const QTimeZone::OffsetData previous = zone.previousTransition(at.addSecs(1));
    m_offsetFrom = previous.atUtc.isValid() ? std::min(secs, previous.atUtc.toSecsSinceEpoch())
                                            : std::numeric_limits<qint64>::min();
    m_offsetUntil = next.atUtc.isValid() ? std::max(secs + 1, next.atUtc.toSecsSinceEpoch())
                                         : std::numeric_limits<qint64>::max();
}

void CsvWriter::endRow()
{
    m_buffer += "\r\n";
    m_rowStarted = false;
    if (m_buffer.size() >= kChunk)
        drain();
}

void CsvWriter::drain()
{
    if (!m_buffer.isEmpty() && m_out.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
}

bool CsvWriter::finish()
{
    drain();
    return !m_failed;
}

} // namespace korvane::history
