#include "platform/QuitSignals.h"

#include <QSocketNotifier>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace korvane {

namespace {

#if defined(Q_OS_UNIX)
// The write end is used from the signal handler: only async-signal-safe
// calls there.
int g_pipe[2] = {-1, -1};

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}

void install(void (*handler)(int))
{
    for (const int s : kSignals) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(s, &action, nullptr);
    }
}
#endif

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
#if defined(Q_OS_UNIX)
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &QuitSignals::readSignal);
    install(onSignal);
    m_active = true;
#endif
}

QuitSignals::~QuitSignals()
{
#if defined(Q_OS_UNIX)
    if (!m_active)
        return;
    install(SIG_DFL);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
#endif
}

QString QuitSignals::nameOf(int signalNumber)
{
#if defined(Q_OS_UNIX)
    switch (signalNumber) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        break;
    }
#endif
    return QString::number(signalNumber);
}

void QuitSignals::readSignal()
{
#if defined(Q_OS_UNIX)
    unsigned char byte = 0;
    while (::read(g_pipe[1], &byte, 1) == 1) {
        // A second signal takes the default way out.
        install(SIG_DFL);
        Q_EMIT received(byte);
    }
#endif
}

} // namespace korvane
