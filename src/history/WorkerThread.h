#pragma once

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>

namespace korvane::history {

// A thread of its own for work on the history file that may take long
// (queries over days, the export, the integrity check), so the event loop
// that owns this object never waits for it. Jobs run on the thread one after
// the other; each hands its result back with reply(), which runs on the
// owner's thread as an ordinary event. Nothing here blocks the owner but
// the destructor, which first cuts short what runs (through `interrupt`).
class WorkerThread : public QObject {
    Q_OBJECT
public:
    explicit WorkerThread(const QString &name, QObject *parent = nullptr);
    ~WorkerThread() override;

    // Runs `job` on the thread after those posted before it.
    void post(std::function<void()> job);
    // From a job: runs `done` on the owner's thread (unless the owner has
    // ended meanwhile: then it is dropped).
    void reply(std::function<void()> done);

    // Called from the owner's thread when the worker must end soon: it
    // should make a running statement stop (sqlite3_interrupt).
    void setInterrupt(std::function<void()> interrupt) { m_interrupt = std::move(interrupt); }
    // Called on the thread as it ends, to close what the jobs opened there.
    void setCleanup(std::function<void()> cleanup) { m_cleanup = std::move(cleanup); }

    // Jobs that took a ticket from a channel and find a newer ticket taken
    // meanwhile need not run: their answer is no longer wanted.
    quint64 ticket(int channel);
    bool current(int channel, quint64 ticket) const;

    bool ending() const { return m_ending.load(); }

private:
    static constexpr int kChannels = 8;
    QThread m_thread;
    QObject *m_context = nullptr; // lives on the thread
    std::function<void()> m_interrupt;
    std::function<void()> m_cleanup;
    std::atomic<bool> m_ending{false};
    std::atomic<quint64> m_tickets[kChannels] = {};
};

} // namespace korvane::history
