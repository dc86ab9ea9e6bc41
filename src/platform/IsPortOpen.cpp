#include "platform/IsPortOpen.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace korvane {

qint64 portProbeWindowMs(int timeoutMs, qint64 startMs)
{
    const qint64 wholeSeconds = (static_cast<qint64>(timeoutMs) + 999) / 1000;
    const qint64 startSecond = startMs >= 0 ? startMs / 1000 : (startMs - 999) / 1000;
    const qint64 untilSecond = (startSecond + wholeSeconds) * 1000 - startMs;
    // Started just before a second turns, the whole-second rule alone would
    // leave a millisecond or two: too short for any connection to be made.
    return std::max<qint64>(timeoutMs, untilSecond);
}

bool IsPortOpen(const QString &host, int port, int timeoutMs)
{
    if (host.isEmpty() || port <= 0 || port > 65535 || timeoutMs < 0)
        return false;
    const QDeadlineTimer deadline(portProbeWindowMs(timeoutMs, QDateTime::currentMSecsSinceEpoch()),
                                  Qt::PreciseTimer);
    QTcpSocket socket;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    bool settled = false;
    const auto settle = [&] {
        settled = true;
        loop.quit();
    };
    QObject::connect(&socket, &QTcpSocket::connected, &loop, settle);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, settle);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    socket.connectToHost(host, static_cast<quint16>(port));
    while (!settled && socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        bound.start(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        // -1: the application is quitting and no nested loop may run.
        if (loop.exec() < 0)
            break;
    }
    const bool open = socket.state() == QAbstractSocket::ConnectedState;
    socket.abort();
    return open;
}

} // namespace korvane
