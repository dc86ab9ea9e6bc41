#include "web/HttpFront.h"

#include <QHttpServerRequest>
#include <QSslSocket>
#include <QUrl>

namespace korvane::web {

namespace {

QByteArray reasonOf(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

QByteArray methodOf(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get: return "GET";
    case QHttpServerRequest::Method::Post: return "POST";
    case QHttpServerRequest::Method::Head: return "HEAD";
    case QHttpServerRequest::Method::Put: return "PUT";
    case QHttpServerRequest::Method::Delete: return "DELETE";
    case QHttpServerRequest::Method::Options: return "OPTIONS";
    default: return "OTHER";
    }
}

} // namespace

QByteArray serialise(const WebReply &reply)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonOf(reply.status) + "\r\n";
    out += "Content-Type: " + reply.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nX-Frame-Options: DENY\r\n"
           "Referrer-Policy: same-origin\r\n";
    for (const auto &h : reply.headers)
        out += h.first + ": " + h.second + "\r\n";
    if (reply.close)
        out += "Connection: close\r\n";
    out += "\r\n";
    out += reply.body;
    return out;
}

void ReplyChannel::send(const WebReply &reply) const
{
    if (!open())
        return;
    m_socket->write(serialise(reply));
    if (reply.close)
        m_socket->disconnectFromHost();
}

HttpFront::HttpFront(Handler handler, QObject *parent) : QAbstractHttpServer(parent), m_handler(std::move(handler))
{
}

namespace {
bool upgradesToWebSocket(const QHttpServerRequest &request)
{
    return request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}
} // namespace

bool HttpFront::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // Qt 6.4 hands an upgrade to its WebSocket server when this returns
    // true; who may have the live feed is decided there, on the socket.
    if (upgradesToWebSocket(request))
        return true;
    WebRequest r;
    r.method = methodOf(request.method());
    const QUrl url = request.url();
    r.rawPath = url.path(QUrl::FullyEncoded).toUtf8();
    r.query = request.query();
    for (const auto &h : request.headers())
        r.headers.append({h.first.toLower(), h.second});
    r.body = request.body();
    r.peer = socket->peerAddress();
    const auto *tls = qobject_cast<QSslSocket *>(socket);
    r.secure = tls && tls->isEncrypted();
    m_handler(r, ReplyChannel(socket));
    return true;
}

void HttpFront::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    if (upgradesToWebSocket(request))
        return;
    ReplyChannel(socket).send(WebReply::text(404, QStringLiteral("not found")));
}

} // namespace korvane::web
