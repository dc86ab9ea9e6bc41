#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace korvane::test {

// A pseudo-terminal: the station opens `device()` as its serial port, the
// test writes to the other side as the receiver would.
class PtyPair {
public:
    PtyPair()
    {
        // Close-on-exec: a child process must not keep the line up.
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            closeMaster();
            return;
        }
        const char *name = ptsname(m_master);
        m_device = name ? QString::fromLocal8Bit(name) : QString();
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool valid() const { return m_master >= 0 && !m_device.isEmpty(); }
    const QString &device() const { return m_device; }

    bool write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    // Whatever the other side has written so far; never blocks.
    QByteArray readAvailable()
    {
        QByteArray out;
        if (m_master < 0)
            return out;
        const int flags = fcntl(m_master, F_GETFL);
        fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<qsizetype>(n));
        fcntl(m_master, F_SETFL, flags);
        return out;
    }

    // As when the adapter is pulled out: the station's side hangs up.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_device;
};

} // namespace korvane::test
