#pragma once

#include "web/RequestFraming.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSslServer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace korvane::web {

// The limits the web view holds every connection to, in our own socket
// layer, because Qt's HTTP server is not hardened for hostile networks: a
// request over its size limits is answered 431/413 and the connection
// closed before the server buffers it; a connection that completes no
// request and is sent nothing for 10 s is closed; beyond 512 connections a
// new one is refused. Upgraded connections (the live WebSocket) leave the
// watch: their own rules apply.
class ConnectionGuard : public QObject {
    Q_OBJECT
public:
    static constexpr int kIdleMs = 10000;
    static constexpr int kMaxConnections = 512;

    explicit ConnectionGuard(QObject *parent = nullptr);

    // Takes a new connection under watch; false (and the socket aborted)
    // when too many are open.
    bool adopt(QTcpSocket *socket);
    int connections() const { return static_cast<int>(m_watches.size()); }
    void setIdleMs(int ms) { m_idleMs = ms; }

Q_SIGNALS:
    // A connection broke a limit and was closed (for the station's log).
    void refused(const QString &peer, int status);

private:
    struct Watch {
        RequestFraming framing;
        QElapsedTimer progress;
        bool upgraded = false;
    };
    void readArrived(QTcpSocket *socket);
    void refuse(QTcpSocket *socket, int status);
    void sweep();

    QHash<QTcpSocket *, Watch> m_watches;
    QTimer m_sweep;
    int m_idleMs = kIdleMs;
};

// A listening socket whose connections go through the guard before the
// HTTP server sees them; plain or TLS.
template <class Base>
class GuardedServer : public Base {
public:
    GuardedServer(ConnectionGuard &guard, QObject *parent) : Base(parent), m_guard(guard)
    {
        // A burst of clients (a page's assets, a wall of phones) waits in
        // the kernel's queue rather than being turned away there.
        Base::setListenBacklogSize(256);
    }

    QTcpSocket *nextPendingConnection() override
    {
        while (QTcpSocket *socket = Base::nextPendingConnection()) {
            if (m_guard.adopt(socket))
                return socket;
        }
        return nullptr;
    }

private:
    ConnectionGuard &m_guard;
};

using GuardedTcpServer = GuardedServer<QTcpServer>;
using GuardedSslServer = GuardedServer<QSslServer>;

} // namespace korvane::web
