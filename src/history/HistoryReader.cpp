#include "history/HistoryReader.h"

#include "history/WorkerThread.h"

#include <QSaveFile>

namespace korvane::history {

HistoryReader::HistoryReader(const QString &file, QObject *parent)
    : QObject(parent),
      m_file(file),
      m_query(std::make_shared<HistoryQuery>(file)),
      m_cancel(std::make_shared<std::atomic<bool>>(false)),
      m_worker(std::make_unique<WorkerThread>(QStringLiteral("history-reader")))
{
    auto query = m_query;
    auto cancel = m_cancel;
    m_worker->setInterrupt([query, cancel] {
        cancel->store(true);
        query->interrupt();
    });
    // The connection belongs to the thread that used it.
    m_worker->setCleanup([query] { query->close(); });
}

HistoryReader::~HistoryReader()
{
    m_worker.reset();
}

void HistoryReader::load(const LoadRequest &request,
                         std::function<void(const SpanData &, const QString &)> done)
{
    WorkerThread &w = *m_worker;
    const quint64 ticket = w.ticket(LoadChannel);
    ++m_outstanding;
    auto query = m_query;
    w.post([this, &w, query, request, ticket, done = std::move(done)] {
        if (!w.current(LoadChannel, ticket)) {
            w.reply([this] { --m_outstanding; });
            return;
        }
        SpanData data = query->load(request);
        const QString error = query->isOpen() ? QString() : query->errorText();
        w.reply([this, &w, ticket, done, data = std::move(data), error] {
            --m_outstanding;
            if (w.current(LoadChannel, ticket))
                done(data, error);
        });
    });
}

void HistoryReader::readingAt(qint64 t, qint64 tolerance, std::function<void(const std::optional<Reading> &)> done)
{
    WorkerThread &w = *m_worker;
    const quint64 ticket = w.ticket(ReadingChannel);
    ++m_outstanding;
    auto query = m_query;
    w.post([this, &w, query, t, tolerance, ticket, done = std::move(done)] {
        std::optional<Reading> reading;
        if (w.current(ReadingChannel, ticket))
            reading = query->readingAt(t, tolerance);
        w.reply([this, &w, ticket, done, reading] {
            --m_outstanding;
            if (w.current(ReadingChannel, ticket))
                done(reading);
        });
    });
}

void HistoryReader::exportSamples(const QString &path, const ExportRange &range,
                                  std::function<void(bool, const QString &)> done)
{
    WorkerThread &w = *m_worker;
    ++m_outstanding;
    const QString file = m_file;
    auto cancel = m_cancel;
    w.post([this, &w, file, path, range, cancel, done = std::move(done)] {
        ExportRange r = range;
        r.cancel = cancel.get();
        QSaveFile out(path);
        QString error;
        bool ok = false;
        if (!out.open(QIODevice::WriteOnly))
            error = out.errorString();
        else if (writeSamplesCsv(file, r, out, &error))
            ok = out.commit() || (error = out.errorString(), false);
        else if (error.isEmpty())
            error = out.errorString();
        w.reply([this, done, ok, error] {
            --m_outstanding;
            done(ok, error);
        });
    });
}

} // namespace korvane::history
