#pragma once

#include "support/Wait.h"

#include <QByteArray>
#include <QTcpSocket>

namespace korvane::test {

// One HTTP exchange over a raw loopback socket, driven by the event loop
// the server shares (a blocking wait would stall the server too).
struct RawReply {
    int status = 0; // 0: no answer
    QByteArray head;
    QByteArray body;
    bool closed = false; // the server ended the connection

    QByteArray header(const QByteArray &name) const
    {
        for (const QByteArray &line : head.split('\n')) {
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        }
        return {};
    }
};

class RawClient {
public:
    explicit RawClient(quint16 port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { m_in += m_socket.readAll(); });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] { m_closed = true; });
    }
    bool connected(int ms = 3000)
    {
        return waitUntil([this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, ms);
    }
    void write(const QByteArray &bytes) { m_socket.write(bytes); }
    bool closed() const { return m_closed; }

    // The next whole reply (by its Content-Length), or what came before the
    // connection closed or the time ran out.
    RawReply reply(int ms = 5000)
    {
        RawReply r;
        waitUntil([&] { return whole() || m_closed; }, ms);
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        r.closed = m_closed;
        if (end < 0)
            return r;
        r.head = m_in.left(end);
        const QList<QByteArray> first = r.head.left(r.head.indexOf('\r')).split(' ');
        r.status = first.size() > 1 ? first[1].toInt() : 0;
        r.body = m_in.mid(end + 4, r.header("Content-Length").toLongLong());
        m_in.remove(0, end + 4 + r.body.size());
        return r;
    }

private:
    bool whole() const
    {
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        RawReply probe;
        probe.head = m_in.left(end);
        return m_in.size() >= end + 4 + probe.header("Content-Length").toLongLong();
    }

    QTcpSocket m_socket;
    QByteArray m_in;
    bool m_closed = false;
};

// A request with extra header lines ("Name: value\r\n"); a POST gets its
// Content-Length.
inline RawReply exchange(quint16 port, const QByteArray &method, const QByteArray &path,
                         const QByteArray &headers = {}, const QByteArray &body = {})
{
    RawClient c(port);
    if (!c.connected())
        return {};
    QByteArray request = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers;
    if (method == "POST")
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    c.write(request + "\r\n" + body);
    return c.reply();
}

inline QByteArray basic(const QByteArray &user, const QByteArray &password)
{
    return "Authorization: Basic " + (user + ':' + password).toBase64() + "\r\n";
}

} // namespace korvane::test
