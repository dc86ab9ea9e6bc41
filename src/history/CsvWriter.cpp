#include "history/CsvWriter.h"

#include <QDateTime>
#include <QLocale>

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

// Local time as "yyyy-MM-dd HH:mm:ss". Zones change their offset on the hour,
// so the offset is asked for once an hour and the rest is arithmetic: the
// export of two days stays well inside its time.
void CsvWriter::time(qint64 msSinceEpoch)
{
    separator();
    const qint64 secs = msSinceEpoch >= 0 ? msSinceEpoch / 1000 : (msSinceEpoch - 999) / 1000;
    const qint64 hour = secs >= 0 ? secs / 3600 : (secs - 3599) / 3600;
    if (hour != m_offsetHour) {
        m_offsetHour = hour;
        m_offsetSecs = QDateTime::fromSecsSinceEpoch(secs).offsetFromUtc();
    }
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
