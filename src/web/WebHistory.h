#pragma once

#include "web/HttpTypes.h"

#include <QObject>

#include <functional>
#include <memory>

namespace korvane::history {
class HistoryQuery;
class WorkerThread;
} // namespace korvane::history

namespace korvane::web {

// The history endpoints: every query runs on a worker thread with a
// read-only connection of its own, through the same min/max-per-column
// query the history window draws from; each request gets its own answer.
class WebHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxColumns = 4000;
    static constexpr qint64 kMaxCsvSpanMs = 31LL * 24 * 3600 * 1000;
    static constexpr int kMaxPerPage = 500;

    explicit WebHistory(const QString &file, QObject *parent = nullptr);
    ~WebHistory() override;

    using Done = std::function<void(const WebReply &)>;
    // /api/history, /api/history.csv or /api/events.
    void handle(const QByteArray &path, const QUrlQuery &query, Done done);

private:
    QString m_file;
    std::shared_ptr<history::HistoryQuery> m_query;
    std::unique_ptr<history::WorkerThread> m_worker;
};

} // namespace korvane::web
