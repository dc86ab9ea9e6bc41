#include "web/ConnectionGuard.h"

#include "web/HttpTypes.h"

#include <QTcpSocket>

namespace korvane::web {

namespace {

QByteArray refusal(int status)
{
    WebReply r;
    r.status = status;
    r.close = true;
    return serialise(r);
}

} // namespace

ConnectionGuard::ConnectionGuard(QObject *parent) : QObject(parent)
{
    m_sweep.setInterval(500);
    connect(&m_sweep, &QTimer::timeout, this, &ConnectionGuard::sweep);
}

bool ConnectionGuard::adopt(QTcpSocket *socket)
{
    if (m_watches.size() >= kMaxConnections) {
        socket->write(refusal(503));
        socket->disconnectFromHost();
        socket->deleteLater();
        Q_EMIT refused(socket->peerAddress().toString(), 503);
        return false;
    }
    Watch &watch = m_watches[socket];
    watch.progress.start();
    // Connected before the HTTP server's own handler, so each read is seen
    // here first, while it is still in the socket's buffer.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readArrived(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        if (auto it = m_watches.find(socket); it != m_watches.end())
            it->progress.start();
    });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_watches.remove(socket); });
    if (!m_sweep.isActive())
        m_sweep.start();
    return true;
}

void ConnectionGuard::readArrived(QTcpSocket *socket)
{
    const auto it = m_watches.find(socket);
    if (it == m_watches.end() || it->upgraded || !socket->isOpen())
        return;
    const int before = it->framing.completed();
    switch (it->framing.feed(socket->peek(socket->bytesAvailable()))) {
    case RequestFraming::Verdict::Fine:
        break;
    case RequestFraming::Verdict::Upgraded:
        it->upgraded = true;
        break;
    case RequestFraming::Verdict::HeadTooLarge:
        refuse(socket, 431);
        return;
    case RequestFraming::Verdict::BodyTooLarge:
        refuse(socket, 413);
        return;
    case RequestFraming::Verdict::LengthRequired:
        refuse(socket, 411);
        return;
    }
    if (it->framing.completed() != before)
        it->progress.start();
}

void ConnectionGuard::refuse(QTcpSocket *socket, int status)
{
    // Read away what came, so the HTTP server never parses it.
    socket->read(socket->bytesAvailable());
    m_watches[socket].upgraded = true; // no further reads are looked at
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->read(socket->bytesAvailable()); });
    socket->write(refusal(status));
    socket->disconnectFromHost();
    Q_EMIT refused(socket->peerAddress().toString(), status);
}

void ConnectionGuard::sweep()
{
    QList<QTcpSocket *> idle;
    for (auto it = m_watches.cbegin(); it != m_watches.cend(); ++it) {
        if (!it->upgraded && it->progress.elapsed() > m_idleMs)
            idle.append(it.key());
    }
    for (QTcpSocket *socket : idle)
        socket->abort();
    if (m_watches.isEmpty())
        m_sweep.stop();
}

} // namespace korvane::web
