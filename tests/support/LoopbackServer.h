#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace korvane::test {

// A real TCP server on 127.0.0.1 that records what each client sends and
// can drop clients or refuse further ones.
class LoopbackServer : public QObject {
public:
    LoopbackServer()
    {
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] { accept(); });
        server.listen(QHostAddress::LocalHost, 0);
        m_port = server.serverPort();
    }

    quint16 port() const { return m_port; }

    // While not listening the system refuses connections to the port; the
    // same port is taken again afterwards.
    void stopListening() { server.close(); }
    bool listenAgain() { return server.listen(QHostAddress::LocalHost, m_port); }
    int accepted = 0;
    bool refuseFurther = false; // close every connection after the first open one
    QByteArray received;
    QList<QPointer<QTcpSocket>> clients;

    int openClients() const
    {
        int n = 0;
        for (const auto &c : clients)
            n += (c && c->state() == QAbstractSocket::ConnectedState) ? 1 : 0;
        return n;
    }

    void dropAll()
    {
        for (const auto &c : clients) {
            if (c)
                c->abort();
        }
    }

    void sendToAll(const QByteArray &bytes)
    {
        for (const auto &c : clients) {
            if (c && c->state() == QAbstractSocket::ConnectedState)
                c->write(bytes);
        }
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            ++accepted;
            if (refuseFurther && openClients() > 0) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            clients.append(socket);
            QObject::connect(socket, &QTcpSocket::readyRead, this,
                             [this, socket] { received += socket->readAll(); });
        }
    }

    QTcpServer server;
    quint16 m_port = 0;
};

} // namespace korvane::test
