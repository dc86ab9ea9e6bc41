#include "history/WorkerThread.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace korvane::history {

WorkerThread::WorkerThread(const QString &name, QObject *parent) : QObject(parent)
{
    m_thread.setObjectName(name);
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start(QThread::LowPriority);
#ifdef Q_OS_LINUX
    // Below the event loop's thread: on a busy machine the loop gets the
    // processor first. (QThread's priorities do nothing for ordinary threads
    // on Linux; a thread's nice value does.)
    QMetaObject::invokeMethod(m_context, [] { ::setpriority(PRIO_PROCESS, pid_t(::syscall(SYS_gettid)), 5); },
                              Qt::QueuedConnection);
#endif
}

WorkerThread::~WorkerThread()
{
    m_ending = true;
    if (m_interrupt)
        m_interrupt();
    // The cleanup runs after every job posted before it (the jobs still
    // waiting see ending() and return at once), then the thread's loop ends:
    // a quit from here could end it with the cleanup still waiting.
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            if (m_cleanup)
                m_cleanup();
            m_thread.quit();
        },
        Qt::QueuedConnection);
    // A join, not a loop: the running job was cut short above.
    m_thread.wait();
    delete m_context;
}

void WorkerThread::post(std::function<void()> job)
{
    QMetaObject::invokeMethod(
        m_context,
        [this, job = std::move(job)] {
            if (!m_ending)
                job();
        },
        Qt::QueuedConnection);
}

void WorkerThread::reply(std::function<void()> done)
{
    if (m_ending)
        return;
    QMetaObject::invokeMethod(this, std::move(done), Qt::QueuedConnection);
}

quint64 WorkerThread::ticket(int channel)
{
    return ++m_tickets[channel % kChannels];
}

bool WorkerThread::current(int channel, quint64 ticket) const
{
    return m_tickets[channel % kChannels].load() == ticket;
}

} // namespace korvane::history
