#pragma once

#include "history/HistoryExport.h"
#include "history/HistoryQuery.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace korvane::history {

class WorkerThread;

// The history window's reader: every query and the export run on a worker
// thread with a read-only connection of its own, and their answers come
// back as events on this object's thread, so the window stays live however
// long a span takes. A load asked while another waits replaces it: only the
// newest answer is handed over.
class HistoryReader : public QObject {
    Q_OBJECT
public:
    explicit HistoryReader(const QString &file, QObject *parent = nullptr);
    ~HistoryReader() override;

    const QString &file() const { return m_file; }

    // The span's figures, bands, marks and list; `done` gets them with the
    // error text (empty when the file read well).
    void load(const LoadRequest &request, std::function<void(const SpanData &, const QString &error)> done);
    // Every value at a time (the cursor).
    void readingAt(qint64 t, qint64 tolerance, std::function<void(const std::optional<Reading> &)> done);
    // Writes the samples of [from, until] as CSV to `path` (a QSaveFile:
    // whole or not at all).
    void exportSamples(const QString &path, const ExportRange &range,
                       std::function<void(bool ok, const QString &error)> done);

    // Jobs asked and not yet answered.
    int outstanding() const { return m_outstanding; }

private:
    enum Channel { LoadChannel, ReadingChannel };

    QString m_file;
    std::shared_ptr<HistoryQuery> m_query;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::unique_ptr<WorkerThread> m_worker;
    int m_outstanding = 0;
};

} // namespace korvane::history
