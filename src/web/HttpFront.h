#pragma once

#include "web/HttpTypes.h"

#include <QAbstractHttpServer>
#include <QPointer>
#include <QTcpSocket>

#include <functional>

namespace korvane::web {

// Where a reply goes: the connection it answers, which may be gone by the
// time a slow answer (a history span, a login's key derivation) is ready.
class ReplyChannel {
public:
    explicit ReplyChannel(QTcpSocket *socket) : m_socket(socket) {}
    bool open() const { return m_socket && m_socket->state() == QAbstractSocket::ConnectedState; }
    void send(const WebReply &reply) const;

private:
    QPointer<QTcpSocket> m_socket;
};

// The only place that knows Qt's HTTP server: it parses requests and hands
// them over in our own form; replies are written by ReplyChannel. Its API
// changes after Qt 6.4, and this class is what changes with it.
class HttpFront : public QAbstractHttpServer {
    Q_OBJECT
public:
    using Handler = std::function<void(const WebRequest &, ReplyChannel)>;
    explicit HttpFront(Handler handler, QObject *parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    Handler m_handler;
};

} // namespace korvane::web
