#include "history/CsvWriter.h"

#include <QDateTime>
#include <QLocale>

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

void CsvWriter::time(qint64 msSinceEpoch)
{
    separator();
    m_buffer += QDateTime::fromMSecsSinceEpoch(msSinceEpoch).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
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
