#pragma once

#include "web/ConnectionGuard.h"
#include "web/HttpFront.h"
#include "web/WebAccounts.h"
#include "web/WebListen.h"
#include "web/WebSessions.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>

#include <memory>
#include <vector>

class QWebSocket;

namespace korvane {
class Station;
}

namespace korvane::web {

class LiveFeed;
class WebHistory;

// The web view: pages, the live feed, the machine endpoints and the
// operator's console, served from the station's own event loop.
class WebServer : public QObject {
    Q_OBJECT
public:
    struct Options {
        WebListen listen;
        QString certFile; // PEM; needed for any address but loopback
        QString keyFile;
        qint64 idleMs = 30 * 60000; // idle log-off
    };

    explicit WebServer(Station &station, QObject *parent = nullptr);
    ~WebServer() override;

    // Listens; false with the reason in words when it cannot (then nothing
    // listens: a network address never gets plain HTTP).
    bool start(const Options &options, QString &error);
    quint16 port() const { return m_port; }
    bool secure() const { return m_secure; }
    ConnectionGuard &guard() { return m_guard; }
    int liveClients() const { return static_cast<int>(m_live.size()); }

    static constexpr qint64 kLiveBacklogLimit = 1024 * 1024;

private:
    struct Identity {
        QString user;
        Role role = Role::Viewer;
        QByteArray csrf;      // empty for Basic: no cookie, nothing to forge
        QByteArray token;     // the session's cookie, if any
        QString address;
    };
    struct LiveClient {
        QWebSocket *socket = nullptr;
        Identity who;
        qint64 terminalSent = -1; // characters of the terminal sent so far
    };

    void handle(const WebRequest &request, ReplyChannel channel);
    void withIdentity(const WebRequest &request, ReplyChannel channel);
    void authorised(const WebRequest &request, ReplyChannel channel, const Identity &who);
    void login(const WebRequest &request, ReplyChannel channel);
    void verifyBasic(const WebRequest &request, ReplyChannel channel, const QByteArray &authorization);
    // Derives the key on a pool thread; `done` runs back here. Every
    // outcome is an event line; a failure counts towards the address's wait.
    enum class Check { Ok, Wrong, Busy };
    void verifyPassword(const QString &user, const QString &password, const QString &address,
                        std::function<void(Check, std::optional<Role>)> done);
    QString clientAddress(const WebRequest &request) const;
    QString clientAddress(const QHostAddress &from, const QByteArray &forwarded) const;
    std::optional<Identity> sessionOf(const QByteArray &cookieHeader, const QString &address);
    void event(const QString &message);

    // Pages and assets from the resources.
    static bool publicRoute(const QByteArray &method, const QByteArray &path);
    static std::optional<WebReply> page(const QByteArray &path);
    // The API.
    WebReply sessionReply(const Identity &who) const;
    WebReply command(const WebRequest &request, const Identity &who);
    WebReply action(const WebRequest &request, const Identity &who);
    WebReply answer(const WebRequest &request, const Identity &who);

    // The live feed.
    void acceptLive();
    void broadcast();
    QJsonObject frame() const;
    void sendTo(LiveClient &client, const QJsonObject &base, QHash<qint64, QString> *made = nullptr);
    void send(LiveClient &client, const QString &text);
    QJsonObject questionObject() const;

    Station &m_station;
    WebAccounts m_accounts;
    std::unique_ptr<WebSessions> m_sessions;
    ConnectionGuard m_guard;
    std::unique_ptr<HttpFront> m_http;
    std::unique_ptr<LiveFeed> m_feed;
    std::unique_ptr<WebHistory> m_history;
    std::vector<LiveClient> m_live;
    QTimer m_questionPoke;
    quint16 m_port = 0;
    bool m_secure = false;
    qint64 m_idleMs = 0;
    int m_verifying = 0;
    QHash<QString, int> m_verifyingFrom;
    // Characters ever appended to the terminal, and whether it was cleared
    // since the last frame.
    qint64 m_terminalTotal = 0;
    qint64 m_terminalResetAt = 0;
};

} // namespace korvane::web
