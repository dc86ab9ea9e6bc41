#include "platform/ProcessServices.h"

#include "platform/Waits.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#include <tlhelp32.h>
#else
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace korvane {

ProcessServices::ProcessServices(const QString &lockPath)
    : m_lock(std::make_unique<QLockFile>(lockPath))
{
    m_lock->setStaleLockTime(0); // only a dead holder makes the lock stale
}

ProcessServices::~ProcessServices() = default;

QString ProcessServices::defaultLockPath(const QString &applicationName)
{
    QString dir;
#ifndef Q_OS_WIN
    // Without a session runtime folder Qt would warn and invent one.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(applicationName + QStringLiteral(".instance.lock"));
}

bool ProcessServices::tryTakeInstanceLock()
{
    return m_lock->tryLock(0);
}

qint64 ProcessServices::lockHolderPid() const
{
    qint64 pid = 0;
    QString host;
    QString app;
    if (!m_lock->getLockInfo(&pid, &host, &app))
        return 0;
    return pid;
}

bool ProcessServices::takeOverInstanceLock()
{
    if (m_lock->tryLock(0))
        return true;
    m_lock->removeStaleLockFile();
    return m_lock->tryLock(0);
}

#ifdef Q_OS_WIN

qint64 ProcessServices::fun_FindProcess(const QString &name)
{
    const DWORD self = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    qint64 found = 0;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID != self
            && QString::fromWCharArray(entry.szExeFile).compare(name, Qt::CaseInsensitive) == 0) {
            found = entry.th32ProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

bool ProcessServices::isAlive(qint64 pid)
{
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    const bool alive = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return alive;
}

static bool terminate(qint64 pid)
{
    HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    const bool ok = TerminateProcess(h, 1);
    CloseHandle(h);
    return ok;
}

#else

qint64 ProcessServices::fun_FindProcess(const QString &name)
{
    const qint64 self = QCoreApplication::applicationPid();
    const QDir proc(QStringLiteral("/proc"));
    qint64 found = 0;
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid == self)
            continue;
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
        QString exeName = QFileInfo(exe).fileName();
        if (exeName.endsWith(QLatin1String(" (deleted)")))
            exeName.chop(10);
        if (exeName.isEmpty()) {
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            if (comm.open(QIODevice::ReadOnly))
                exeName = QString::fromLocal8Bit(comm.readAll()).trimmed();
        }
        if (exeName.compare(name, Qt::CaseInsensitive) == 0 && (found == 0 || pid < found))
            found = pid; // the lowest id: the earliest copy in the list
    }
    return found;
}

bool ProcessServices::isAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return ::kill(static_cast<pid_t>(pid), 0) == 0;
    // A zombie has ended; only its parent's bookkeeping remains.
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return !(close > 0 && close + 2 < text.size() && text.at(close + 2) == 'Z');
}

static bool terminate(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

#endif

Task<bool> ProcessServices::forceKill(const Scope *scope, qint64 pid, int waitMs)
{
    if (pid <= 0 || pid == QCoreApplication::applicationPid())
        co_return false;
    if (!terminate(pid))
        co_return false;
    QDeadlineTimer deadline(waitMs);
    while (isAlive(pid) && !deadline.hasExpired()) {
        const bool done = co_await Delay(scope, 0.02f);
        if (!done)
            break;
    }
    co_return !isAlive(pid);
}

} // namespace korvane
