#include "web/WebServer.h"

#include "app/Station.h"
#include "platform/Dialogs.h"
#include "web/LiveFeed.h"

#include <QJsonDocument>
#include <QNetworkRequest>
#include <QUrl>
#include <QWebSocket>

namespace korvane::web {

namespace {

QString buttonsName(Dialogs::Buttons buttons)
{
    switch (buttons) {
    case Dialogs::Buttons::OkCancel: return QStringLiteral("ok_cancel");
    case Dialogs::Buttons::YesNo: return QStringLiteral("yes_no");
    case Dialogs::Buttons::Ok: break;
    }
    return QStringLiteral("ok");
}

// A page of another site may open a WebSocket to us with the user's cookie:
// only our own pages' origin is let in.
bool sameOrigin(const QNetworkRequest &request)
{
    const QByteArray origin = request.rawHeader("Origin");
    if (origin.isEmpty())
        return true; // not a browser: curl, a script
    const QUrl url(QString::fromLatin1(origin));
    const QByteArray host = request.rawHeader("Host");
    const QString expected = url.port() < 0 ? url.host() : url.host() + QLatin1Char(':') + QString::number(url.port());
    return !host.isEmpty() && QString::fromLatin1(host).compare(expected, Qt::CaseInsensitive) == 0;
}

} // namespace

void WebServer::acceptLive()
{
    while (m_http->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = m_http->nextPendingWebSocketConnection();
        if (!socket)
            continue;
        const QNetworkRequest request = socket->request();
        const QString address = clientAddress(socket->peerAddress(), request.rawHeader("X-Forwarded-For"));
        std::optional<Identity> who;
        if (request.url().path() == QLatin1String("/api/live") && sameOrigin(request)) {
            who = sessionOf(request.rawHeader("Cookie"), address);
            if (!who) {
                const QByteArray authorization = request.rawHeader("Authorization");
                if (const auto known = m_sessions->knownBasic(authorization))
                    who = Identity{known->user, known->role, {}, {}, address};
            }
        }
        if (!who) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("login required"));
            socket.release()->deleteLater();
            continue;
        }
        QWebSocket *raw = socket.release();
        raw->setParent(this);
        connect(raw, &QWebSocket::disconnected, this, [this, raw] {
            std::erase_if(m_live, [raw](const LiveClient &c) { return c.socket == raw; });
            raw->deleteLater();
        });
        // Nothing a client sends is looked at; a flood of it is dropped.
        raw->setReadBufferSize(64 * 1024);
        m_live.push_back(LiveClient{raw, *who, -1});
        sendTo(m_live.back(), frame());
    }
}

QJsonObject WebServer::questionObject() const
{
    const Dialogs *dialogs = m_station.environment().dialogs;
    const auto q = dialogs ? dialogs->openQuestion() : std::nullopt;
    if (!q)
        return {};
    return QJsonObject{{QStringLiteral("id"), double(dialogs->openQuestionId())},
                       {QStringLiteral("title"), q->title},
                       {QStringLiteral("text"), q->text},
                       {QStringLiteral("buttons"), buttonsName(q->buttons)},
                       {QStringLiteral("default"), q->defaultAnswer == Dialogs::Answer::Ok ? QStringLiteral("ok")
                                                                                           : QStringLiteral("cancel")}};
}

QJsonObject WebServer::frame() const
{
    QJsonObject f = m_feed->frame();
    const QJsonObject q = questionObject();
    f.insert(QStringLiteral("question"), q.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(q));
    return f;
}

void WebServer::broadcast()
{
    if (m_live.empty())
        return;
    const QJsonObject base = frame();
    // Clients at the same place in the terminal get the same text: each
    // text is made once a round, not once a client.
    QHash<qint64, QString> made;
    // Copies: a send may drop a client and change the list.
    std::vector<QWebSocket *> sockets;
    for (const LiveClient &c : m_live)
        sockets.push_back(c.socket);
    for (QWebSocket *socket : sockets) {
        const auto it = std::find_if(m_live.begin(), m_live.end(), [socket](const LiveClient &c) { return c.socket == socket; });
        if (it != m_live.end())
            sendTo(*it, base, &made);
    }
}

void WebServer::sendTo(LiveClient &client, const QJsonObject &base, QHash<qint64, QString> *made)
{
    QWebSocket *socket = client.socket;
    // A session logged out or idle too long ends its live view too.
    if (!client.who.token.isEmpty() && !m_sessions->alive(client.who.token)) {
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("session ended"));
        return;
    }
    // Viewers see no terminal: one text for all of them (key -2).
    const bool terminal = client.who.role == Role::Operator;
    const qint64 key = !terminal ? -2 : client.terminalSent < m_terminalResetAt ? -1 : client.terminalSent;
    if (made && made->contains(key)) {
        if (terminal)
            client.terminalSent = m_terminalTotal;
        send(client, made->value(key));
        return;
    }
    QJsonObject f = base;
    if (terminal) {
        const QString &all = m_station.display.Text2.text();
        QJsonObject terminal;
        const qint64 fresh = m_terminalTotal - client.terminalSent;
        if (client.terminalSent < 0 || client.terminalSent < m_terminalResetAt || fresh > all.size()) {
            terminal.insert(QStringLiteral("replace"), true);
            terminal.insert(QStringLiteral("append"), all);
        } else {
            terminal.insert(QStringLiteral("append"), all.right(fresh));
        }
        client.terminalSent = m_terminalTotal;
        f.insert(QStringLiteral("terminal"), terminal);
    }
    const QString text = QString::fromUtf8(QJsonDocument(f).toJson(QJsonDocument::Compact));
    if (made)
        made->insert(key, text);
    send(client, text);
}

void WebServer::send(LiveClient &client, const QString &text)
{
    QWebSocket *socket = client.socket;
    // A client that does not read holds our memory: past the limit it goes.
    if (socket->bytesToWrite() + text.size() > kLiveBacklogLimit) {
        event(QStringLiteral("网页实时连接积压超过1 MiB，已断开：%1").arg(client.who.user));
        socket->abort();
        return;
    }
    socket->sendTextMessage(text);
}

} // namespace korvane::web
