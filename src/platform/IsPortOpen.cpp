#include "platform/IsPortOpen.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QTcpSocket>

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

Task<bool> IsPortOpen(const Scope *scope, QString host, int port, int timeoutMs)
{
    if (host.isEmpty() || port <= 0 || port > 65535 || timeoutMs < 0)
        co_return false;
    const QDeadlineTimer deadline(portProbeWindowMs(timeoutMs, QDateTime::currentMSecsSinceEpoch()),
                                  Qt::PreciseTimer);
    QTcpSocket socket;
    socket.connectToHost(host, static_cast<quint16>(port));
    while (socket.state() != QAbstractSocket::ConnectedState
           && socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        Suspension settled(scope, static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        QObject::connect(&socket, &QTcpSocket::connected, settled.context(), [&settled] { settled.wake(); });
        QObject::connect(&socket, &QTcpSocket::errorOccurred, settled.context(), [&settled] { settled.wake(); });
        const Suspension::Outcome outcome = co_await settled;
        if (outcome == Suspension::Outcome::Cancelled)
            break;
    }
    const bool open = socket.state() == QAbstractSocket::ConnectedState;
    socket.abort();
    co_return open;
}

} // namespace korvane
