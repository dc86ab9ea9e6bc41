#include "web/WebServer.h"

#include "app/Station.h"
#include "model/SettingKeys.h"
#include "platform/Dialogs.h"
#include "web/LiveFeed.h"
#include "web/Metrics.h"
#include "web/StatusFigures.h"
#include "web/WebHistory.h"
#include "web/WebTls.h"

#include <QJsonDocument>
#include <QMetaObject>
#include <QSslKey>
#include <QThreadPool>
#include <QWebSocket>

namespace korvane::web {

namespace {

// Key derivations running at once, over all clients and from one address:
// a flood of logins waits its turn at the door, not in the thread pool.
constexpr int kMaxVerifying = 4;
constexpr int kMaxVerifyingFromOne = 2;

const QByteArray kBasicChallenge = "Basic realm=\"korvane-station\", charset=\"UTF-8\"";

bool unsafePath(const QByteArray &path)
{
    const QByteArray lower = path.toLower();
    return path.isEmpty() || path[0] != '/' || lower.contains("..") || lower.contains("%2e") || lower.contains("%00")
           || lower.contains('\0') || lower.contains('\\') || lower.contains("%5c") || lower.contains("//");
}

QByteArray cookieValue(const QByteArray &header, const QByteArray &name)
{
    for (const QByteArray &part : header.split(';')) {
        const QByteArray item = part.trimmed();
        if (item.startsWith(name + '='))
            return item.mid(name.size() + 1);
    }
    return {};
}

// A name as a log line may carry it: a name that could be no account's is
// not written out (it is the client's text).
QString loggedName(const QString &name)
{
    return WebAccounts::validName(name) ? name : QStringLiteral("（无效用户名）");
}

bool isApi(const QByteArray &path)
{
    return path.startsWith("/api/") || path == "/metrics";
}

} // namespace

WebServer::WebServer(Station &station, QObject *parent)
    : QObject(parent), m_station(station), m_accounts(station.settings())
{
    m_questionPoke.setSingleShot(true);
    m_questionPoke.setInterval(0);
    connect(&m_questionPoke, &QTimer::timeout, this, &WebServer::broadcast);
    connect(&m_guard, &ConnectionGuard::refused, this, [this](const QString &peer, int status) {
        event(QStringLiteral("网页请求超出限制，已断开：%1（%2）").arg(peer).arg(status));
    });
}

WebServer::~WebServer()
{
    if (Dialogs *dialogs = m_station.environment().dialogs)
        dialogs->setObserver({});
    for (LiveClient &client : m_live)
        delete client.socket;
    m_live.clear();
}

bool WebServer::start(const Options &options, QString &error)
{
    QSslConfiguration tls;
    const bool needsTls = !options.listen.loopback();
    const bool hasTls = !options.certFile.isEmpty() || !options.keyFile.isEmpty();
    if (needsTls && !hasTls) {
        error = QStringLiteral("网页界面未启动：%1 不是本机地址，需要证书（WEB_CERT 与 WEB_KEY），不提供明文HTTP")
                    .arg(options.listen.text());
        return false;
    }
    if (hasTls && !loadTls(options.certFile, options.keyFile, tls, error)) {
        error = QStringLiteral("网页界面未启动：") + error;
        return false;
    }
    m_idleMs = options.idleMs;
    m_sessions = std::make_unique<WebSessions>(options.idleMs);
    m_http = std::make_unique<HttpFront>(
        [this](const WebRequest &request, ReplyChannel channel) { handle(request, channel); });
    QTcpServer *listener = nullptr;
    if (hasTls) {
        auto *server = new GuardedSslServer(m_guard, m_http.get());
        server->setSslConfiguration(tls);
        server->setHandshakeTimeout(ConnectionGuard::kIdleMs);
        listener = server;
        m_secure = true;
    } else {
        listener = new GuardedTcpServer(m_guard, m_http.get());
    }
    if (!listener->listen(options.listen.address, options.listen.port)) {
        error = QStringLiteral("网页界面未启动：无法监听 %1（%2）").arg(options.listen.text(), listener->errorString());
        m_http.reset();
        return false;
    }
    m_port = listener->serverPort();
    m_http->bind(listener);
    connect(m_http.get(), &QAbstractHttpServer::newWebSocketConnection, this, &WebServer::acceptLive);
    m_feed = std::make_unique<LiveFeed>(m_station);
    connect(m_feed.get(), &LiveFeed::frameReady, this, &WebServer::broadcast);
    m_history = std::make_unique<WebHistory>(m_station.environment().historyFile);
    connect(&m_station.display.Text2, &Control::changed, this, [this](const QString &property, const QString &value) {
        if (property == QLatin1String("append"))
            m_terminalTotal += value.size();
        else if (property == QLatin1String("text"))
            m_terminalResetAt = m_terminalTotal = m_terminalTotal + 1; // a new text: every client starts over
    });
    if (Dialogs *dialogs = m_station.environment().dialogs)
        dialogs->setObserver([this] { m_questionPoke.start(); });
    return true;
}

void WebServer::event(const QString &message)
{
    m_station.log.append(m_station.eventLine(message));
}

QString WebServer::clientAddress(const WebRequest &request) const
{
    return clientAddress(request.peer, request.header("x-forwarded-for"));
}

QString WebServer::clientAddress(const QHostAddress &from, const QByteArray &forwarded) const
{
    // Behind a reverse proxy on this host every request comes from
    // loopback; the proxy names the client last in X-Forwarded-For. From
    // anywhere else the header is the client's own word and counts for
    // nothing.
    if (from.isLoopback()) {
        if (!forwarded.isEmpty()) {
            const QHostAddress client(QString::fromLatin1(forwarded.split(',').last().trimmed()));
            if (!client.isNull())
                return client.toString();
        }
    }
    QHostAddress peer = from;
    bool mapped = false;
    const quint32 v4 = peer.toIPv4Address(&mapped);
    if (mapped)
        peer = QHostAddress(v4);
    return peer.toString();
}

void WebServer::handle(const WebRequest &request, ReplyChannel channel)
{
    // Routes are a fixed table and nothing is ever read from a path in the
    // request; a path that tries to climb is refused before any of that.
    if (unsafePath(request.rawPath)) {
        channel.send(WebReply::text(404, QStringLiteral("not found")));
        return;
    }
    if (request.rawPath == "/login" && request.method == "POST") {
        login(request, channel);
        return;
    }
    if (publicRoute(request.method, request.rawPath)) {
        channel.send(*page(request.rawPath));
        return;
    }
    withIdentity(request, channel);
}

std::optional<WebServer::Identity> WebServer::sessionOf(const QByteArray &cookieHeader, const QString &address)
{
    const QByteArray token = cookieValue(cookieHeader, kSessionCookie);
    if (token.isEmpty())
        return std::nullopt;
    const Session *session = m_sessions->touch(token);
    if (!session)
        return std::nullopt;
    // An account removed or changed in role since the login ends its
    // sessions at their next request.
    const auto record = m_accounts.record(session->user);
    if (!record || WebAccounts::roleOf(*record) != session->role) {
        m_sessions->close(token);
        return std::nullopt;
    }
    return Identity{session->user, session->role, session->csrf, session->token, address};
}

void WebServer::withIdentity(const WebRequest &request, ReplyChannel channel)
{
    const QString address = clientAddress(request);
    if (auto who = sessionOf(request.header("cookie"), address)) {
        authorised(request, channel, *who);
        return;
    }
    const QByteArray authorization = request.header("authorization");
    if (authorization.startsWith("Basic ")) {
        verifyBasic(request, channel, authorization);
        return;
    }
    WebReply r = WebReply::text(401, m_accounts.any() ? QStringLiteral("请先登录") : QStringLiteral("尚未设置网页账户"));
    if (isApi(request.rawPath)) {
        r.addHeader("WWW-Authenticate", kBasicChallenge);
    } else {
        // A browser goes to the login form.
        r.contentType = "text/html; charset=utf-8";
        r.body = "<!doctype html><meta charset=utf-8><meta http-equiv=refresh content=\"0; url=/login\">"
                 "<a href=\"/login\">\xe7\x99\xbb\xe5\xbd\x95</a>";
    }
    channel.send(r);
}

void WebServer::verifyBasic(const WebRequest &request, ReplyChannel channel, const QByteArray &authorization)
{
    const QString address = clientAddress(request);
    if (const auto known = m_sessions->knownBasic(authorization)) {
        authorised(request, channel, Identity{known->user, known->role, {}, {}, address});
        return;
    }
    if (const qint64 wait = m_sessions->waitSeconds(address); wait > 0) {
        WebReply r = WebReply::text(429, QStringLiteral("尝试次数过多，请%1秒后再试").arg(wait));
        r.addHeader("Retry-After", QByteArray::number(wait));
        channel.send(r);
        return;
    }
    const QByteArray decoded = QByteArray::fromBase64(authorization.mid(6).trimmed());
    const qsizetype colon = decoded.indexOf(':');
    const QString user = QString::fromUtf8(decoded.left(colon < 0 ? 0 : colon));
    const QString password = QString::fromUtf8(decoded.mid(colon + 1));
    verifyPassword(user, password, address,
                   [this, request, channel, authorization, user, address](Check check, std::optional<Role> role) {
        if (check != Check::Ok) {
            WebReply r = WebReply::text(401, QStringLiteral("用户名或密码错误"));
            r.addHeader("WWW-Authenticate", kBasicChallenge);
            if (check == Check::Busy || m_sessions->waitSeconds(address) > 0)
                r = WebReply::text(429, QStringLiteral("尝试次数过多，请稍后再试"));
            channel.send(r);
            return;
        }
        m_sessions->rememberBasic(authorization, user, *role);
        authorised(request, channel, Identity{user, *role, {}, {}, address});
    });
}

void WebServer::verifyPassword(const QString &user, const QString &password, const QString &address,
                               std::function<void(Check, std::optional<Role>)> done)
{
    if (m_verifying >= kMaxVerifying || m_verifyingFrom.value(address) >= kMaxVerifyingFromOne) {
        done(Check::Busy, std::nullopt);
        return;
    }
    const std::optional<QString> record = m_accounts.record(user);
    QPointer<WebServer> self(this);
    ++m_verifying;
    ++m_verifyingFrom[address];
    QThreadPool::globalInstance()->start([self, record, user, password, address, done]() {
        // An unknown name costs the same time as a known one, so the delay
        // does not tell which names exist.
        static const QString dummy = WebAccounts::makeRecord(Role::Viewer, QStringLiteral("-"));
        const bool ok = WebAccounts::verify(record.value_or(dummy), password) && record.has_value();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, ok, record, user, address, done] {
                if (!self)
                    return;
                --self->m_verifying;
                if (--self->m_verifyingFrom[address] <= 0)
                    self->m_verifyingFrom.remove(address);
                if (ok) {
                    self->m_sessions->succeeded(address);
                    self->event(QStringLiteral("网页登录：%1（%2）").arg(user, address));
                    done(Check::Ok, WebAccounts::roleOf(*record));
                    return;
                }
                self->event(QStringLiteral("网页登录失败：%1（%2）").arg(loggedName(user), address));
                if (self->m_sessions->failed(address))
                    self->event(QStringLiteral("网页登录连续失败%1次，%2须等待%3秒")
                                    .arg(WebSessions::kFailuresBeforeWait)
                                    .arg(address)
                                    .arg(WebSessions::kWaitMs / 1000));
                done(Check::Wrong, std::nullopt);
            },
            Qt::QueuedConnection);
    });
}

} // namespace korvane::web
