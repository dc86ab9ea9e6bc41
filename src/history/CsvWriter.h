#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QVariant>

namespace korvane::history {

// Buffers CSV rows and hands them to the device in large writes.
class CsvWriter {
public:
    explicit CsvWriter(QIODevice &out) : m_out(out) {}

    void field(const QString &text);
    // Numbers as the shortest text that reads back the same; null as empty.
    void value(const QVariant &v);
    void time(qint64 msSinceEpoch);
    void endRow();
    // False when the device refused part of the text.
    bool finish();

private:
    void separator();
    void drain();

    QIODevice &m_out;
    void lookUpOffset(qint64 secs);

    // The local offset from UTC and the seconds [from, until) it holds for.
    qint64 m_offsetFrom = 0;
    qint64 m_offsetUntil = 0;
    qint64 m_offsetSecs = 0;
    QByteArray m_buffer;
    bool m_rowStarted = false;
    bool m_failed = false;
};

} // namespace korvane::history
