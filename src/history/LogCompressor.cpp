#include "history/LogCompressor.h"

#include "history/LogPruner.h"
#include "platform/Clock.h"

#include <QFileInfo>

#include <zlib.h>

namespace korvane::history {

// One gzip member written through zlib's deflate.
class GzipStream {
public:
    GzipStream()
    {
        // 15 window bits, +16 for the gzip wrapper.
        m_ok = deflateInit2(&m_z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~GzipStream() { deflateEnd(&m_z); }
    GzipStream(const GzipStream &) = delete;
    GzipStream &operator=(const GzipStream &) = delete;

    // Compresses `in` (the last piece when `last`) onto `out`.
    bool write(const QByteArray &in, bool last, QIODevice &out)
    {
        if (!m_ok)
            return false;
        m_z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        m_z.avail_in = static_cast<uInt>(in.size());
        char buffer[64 * 1024];
        int result = Z_OK;
        do {
            m_z.next_out = reinterpret_cast<Bytef *>(buffer);
            m_z.avail_out = sizeof buffer;
            result = deflate(&m_z, last ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR)
                return false;
            const qint64 produced = qint64(sizeof buffer) - m_z.avail_out;
            if (produced > 0 && out.write(buffer, produced) != produced)
                return false;
        } while (m_z.avail_out == 0 || (last && result != Z_STREAM_END));
        return true;
    }

private:
    z_stream m_z{};
    bool m_ok = false;
};

LogCompressor::LogCompressor(const Clock &clock, const QString &folder, const QString &programName,
                             QObject *parent)
    : QObject(parent), m_clock(clock), m_folder(folder), m_programName(programName)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kStepGapMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (step())
            m_timer.start();
    });
}

LogCompressor::~LogCompressor()
{
    // A half-made part is dropped; the next start makes it again.
    if (m_part.isOpen()) {
        m_part.close();
        m_part.remove();
    }
}

void LogCompressor::start()
{
    if (busy() || m_folder.isEmpty())
        return;
    const QList<DailyLog> logs = dailyLogs(m_folder, m_programName);
    if (logs.isEmpty())
        return;
    // Today's log is the one being written; a clock set back writes to an
    // earlier day, which is then today.
    const QDate closedBefore = m_clock.now().date();
    m_queue.clear();
    for (const DailyLog &log : logs)
        if (!log.compressed && log.date < closedBefore)
            m_queue << log.path;
    if (!m_queue.isEmpty())
        m_timer.start();
}

void LogCompressor::runAll()
{
    start();
    m_timer.stop();
    while (step()) {
    }
}

bool LogCompressor::next()
{
    while (!m_queue.isEmpty()) {
        const QString path = m_queue.takeFirst();
        m_source.setFileName(path);
        m_part.setFileName(path + QStringLiteral(".gz.part"));
        if (!m_source.open(QIODevice::ReadOnly))
            continue;
        if (!m_part.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            abandon(m_part.errorString());
            continue;
        }
        m_part.setPermissions(m_source.permissions());
        m_gzip = std::make_unique<GzipStream>();
        return true;
    }
    return false;
}

// One piece of the current log; false when nothing is left to do.
bool LogCompressor::step()
{
    if (!m_source.isOpen() && !next())
        return false;
    const QByteArray piece = m_source.read(kStepBytes);
    const bool last = m_source.atEnd();
    if (!m_gzip->write(piece, last, m_part)) {
        abandon(m_part.errorString());
        return !m_queue.isEmpty();
    }
    if (last && !finish())
        abandon(m_part.errorString());
    return m_source.isOpen() || !m_queue.isEmpty();
}

// The log is whole in its part: the part takes the log's place.
bool LogCompressor::finish()
{
    const QString log = m_source.fileName();
    const QString gzip = log + QStringLiteral(".gz");
    const QDateTime modified = QFileInfo(m_source).lastModified();
    m_source.close();
    if (!m_part.flush())
        return false;
    m_part.close();
    if (QFileInfo::exists(gzip)) {
        QFile whole(gzip);
        if (!m_part.open(QIODevice::ReadOnly) || !whole.open(QIODevice::Append)
            || whole.write(m_part.readAll()) != m_part.size() || !whole.flush())
            return false;
        m_part.close();
        m_part.remove();
    } else if (!m_part.rename(gzip)) {
        return false;
    }
    QFile result(gzip);
    if (result.open(QIODevice::ReadWrite))
        result.setFileTime(modified, QFileDevice::FileModificationTime);
    QFile::remove(log);
    m_gzip.reset();
    Q_EMIT compressed(gzip);
    return true;
}

void LogCompressor::abandon(const QString &reason)
{
    const QString log = m_source.fileName();
    m_source.close();
    if (m_part.isOpen())
        m_part.close();
    m_part.remove();
    m_gzip.reset();
    Q_EMIT failed(log, reason);
}

} // namespace korvane::history
