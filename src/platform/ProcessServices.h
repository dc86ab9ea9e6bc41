#pragma once

#include "platform/Waits.h"

#include <QString>

#include <memory>

class QLockFile;

namespace korvane {

// Instance check, process lookup and forced termination.
class ProcessServices {
public:
    // `lockPath`: the file that marks a running copy of this program.
    explicit ProcessServices(const QString &lockPath);
    ~ProcessServices();

    static QString defaultLockPath(const QString &applicationName);

    // Takes the instance lock; false when another live copy holds it.
    bool tryTakeInstanceLock();
    // The process id recorded in the lock by the copy that holds it (0 when
    // none can be read).
    qint64 lockHolderPid() const;

    // The first process other than this one whose executable file name
    // equals `name`, compared without regard to case; 0 when none.
    static qint64 fun_FindProcess(const QString &name);
    // Forced termination; awaits (bounded) until it is gone.
    static Task<bool> forceKill(const Scope *scope, qint64 pid, int waitMs = 3000);
    static bool isAlive(qint64 pid);
    // Takes the lock after the earlier copy was ended.
    bool takeOverInstanceLock();

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace korvane
