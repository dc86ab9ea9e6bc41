#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;

namespace korvane::sim {

// One request as it came in.
struct HttpRequest {
    QByteArray head; // request line and header lines, without the blank line
    QByteArray body; // as many bytes as Content-Length declared
    QByteArray raw;  // head, blank line and body, exactly as received

    // The request line split at spaces: method, target, version.
    QList<QByteArray> requestLine() const;
    // The value of the first header of that name (compared without case);
    // empty when there is none.
    QByteArray header(const QByteArray &name) const;
};

// The HTTP side of the web peers: takes the connections a server accepts,
// collects each request's head and declared body, and hands over whole
// requests in arrival order, several per connection if the client sends
// them. A request growing beyond `maxBytes` is cut off with `tooLarge`; a
// peer that has answered a connection calls `release` so nothing more is
// read from it.
//
// Declare it after the server it serves: it must die first, so the server's
// sockets, ending with the server, find nobody to call back.
class HttpIntake : public QObject {
    Q_OBJECT
public:
    HttpIntake(QTcpServer &server, qsizetype maxBytes, QObject *parent = nullptr);

    void release(QTcpSocket *socket);
    // Aborts every open connection.
    void dropAll();
    qint64 connections() const { return m_connections; }
    // Open connections not released yet.
    qsizetype unanswered() const { return m_buffers.size(); }

    // Writes a complete answer that closes the connection once sent.
    static void respond(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &body,
                        const QByteArray &contentType);

Q_SIGNALS:
    void request(QTcpSocket *socket, const HttpRequest &request);
    // The connection is released already; the peer answers or drops it.
    void tooLarge(QTcpSocket *socket);

private:
    void acceptPending();
    void readFrom(QTcpSocket *socket);

    QTcpServer &m_server;
    qsizetype m_maxBytes;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    qint64 m_connections = 0;
};

} // namespace korvane::sim
