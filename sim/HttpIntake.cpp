#include "HttpIntake.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace korvane::sim {

namespace {

const QByteArray kHeadEnd = "\r\n\r\n";

} // namespace

QList<QByteArray> HttpRequest::requestLine() const
{
    return head.left(head.indexOf('\n')).trimmed().split(' ');
}

QByteArray HttpRequest::header(const QByteArray &name) const
{
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

HttpIntake::HttpIntake(QTcpServer &server, qsizetype maxBytes, QObject *parent)
    : QObject(parent), m_server(server), m_maxBytes(maxBytes)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpIntake::acceptPending);
}

void HttpIntake::acceptPending()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connections;
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpIntake::release(QTcpSocket *socket) { m_buffers.remove(socket); }

void HttpIntake::dropAll()
{
    const QList<QTcpSocket *> sockets = m_buffers.keys();
    m_buffers.clear();
    for (QTcpSocket *socket : sockets)
        socket->abort();
}

void HttpIntake::readFrom(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    if (!m_buffers.contains(socket))
        return; // answered already; the rest is not read
    m_buffers[socket] += bytes;
    while (m_buffers.contains(socket)) {
        QByteArray &buffer = m_buffers[socket];
        // Blank lines before a request are ignored (RFC 9112): a telnet
        // client that greets with CR LF meets a silent server, not an error.
        while (buffer.startsWith('\r') || buffer.startsWith('\n'))
            buffer.remove(0, 1);
        const qsizetype headEnd = buffer.indexOf(kHeadEnd);
        if (headEnd < 0) {
            if (buffer.size() <= m_maxBytes)
                return;
            release(socket);
            emit tooLarge(socket);
            return;
        }
        HttpRequest incoming;
        incoming.head = buffer.left(headEnd);
        const QByteArray length = incoming.header("content-length");
        bool ok = true;
        const qint64 bodyBytes = length.isEmpty() ? 0 : length.toLongLong(&ok);
        if (!ok || bodyBytes < 0 || headEnd + bodyBytes > m_maxBytes) {
            release(socket);
            emit tooLarge(socket);
            return;
        }
        const qsizetype total = headEnd + kHeadEnd.size() + bodyBytes;
        if (buffer.size() < total)
            return; // the body is still coming
        incoming.raw = buffer.left(total);
        incoming.body = incoming.raw.mid(headEnd + kHeadEnd.size());
        buffer.remove(0, total);
        emit request(socket, incoming);
    }
}

void HttpIntake::respond(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &body,
                         const QByteArray &contentType)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    out += "Content-Type: " + contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += body;
    socket->write(out);
    socket->disconnectFromHost();
}

} // namespace korvane::sim
