#include "support/StationFixture.h"
#include "web/WebAccounts.h"
#include "web/WebClient.h"
#include "web/WebServer.h"
#include "web/WebTls.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QSslSocket>
#include <QWebSocket>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
using namespace korvane::web;

namespace {

// Deriving a key takes a good part of a second by design: once per program.
const QString &record(Role role)
{
    static const QString op = WebAccounts::makeRecord(Role::Operator, QStringLiteral("op-secret"));
    static const QString viewer = WebAccounts::makeRecord(Role::Viewer, QStringLiteral("view-secret"));
    return role == Role::Operator ? op : viewer;
}

const QByteArray kOperator = basic("anna", "op-secret");
const QByteArray kViewer = basic("vera", "view-secret");

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (withAccounts) {
            WebAccounts accounts(*f.settings);
            accounts.store(QStringLiteral("anna"), record(Role::Operator));
            accounts.store(QStringLiteral("vera"), record(Role::Viewer));
        }
        f.start();
        server = std::make_unique<WebServer>(*f.station);
        WebServer::Options o;
        QString error;
        ASSERT_TRUE(WebListen::parse(QStringLiteral("127.0.0.1:0"), o.listen, error));
        ASSERT_TRUE(server->start(o, error)) << error.toStdString();
        port = server->port();
    }

    // Logs in through the form: the cookie header line and the CSRF token.
    std::pair<QByteArray, QByteArray> login(const QByteArray &user, const QByteArray &password)
    {
        const RawReply r = exchange(port, "POST", "/login", "Content-Type: application/x-www-form-urlencoded\r\n",
                                    "user=" + user + "&password=" + password);
        const QByteArray cookie = r.header("Set-Cookie").split(';').first();
        const RawReply s = exchange(port, "GET", "/api/session", "Cookie: " + cookie + "\r\n");
        return {"Cookie: " + cookie + "\r\n",
                QJsonDocument::fromJson(s.body).object().value(QStringLiteral("csrf")).toString().toLatin1()};
    }

    bool withAccounts = true;
    StationFixture f;
    std::unique_ptr<WebServer> server;
    quint16 port = 0;
};

TEST_F(WebServerTest, WhoMaySeeAndDoWhat)
{
    const struct {
        QByteArray method, path, auth, body;
        int status;
    } rows[] = {
        {"GET", "/login", "", "", 200},
        {"GET", "/assets/app.css", "", "", 200},
        {"GET", "/", "", "", 401},
        {"GET", "/assets/status.js", "", "", 401},
        {"GET", "/api/status", "", "", 401},
        {"GET", "/metrics", "", "", 401},
        {"GET", "/api/status", basic("anna", "wrong"), "", 401},
        {"GET", "/api/status", kViewer, "", 200},
        {"GET", "/metrics", kViewer, "", 200},
        {"GET", "/console", kViewer, "", 403},
        {"POST", "/api/command", kViewer, R"({"command":"STATUS"})", 403},
        {"GET", "/console", kOperator, "", 200},
        {"POST", "/api/command", kOperator, R"({"command":"STATUS"})", 200},
        {"POST", "/api/command", kOperator, R"({"command":)", 400},
        {"POST", "/api/command", kOperator, R"(["STATUS"])", 400},
        {"POST", "/api/action", kOperator, R"({"control":"Text7"})", 400},
        {"GET", "/assets/../WebServerTest.cpp", kOperator, "", 404},
        {"GET", "/assets/%2e%2e/%2E%2E/etc/passwd", kOperator, "", 404},
        {"GET", "/assets/app.css%00.js", kOperator, "", 404},
        {"GET", "/etc/passwd", kOperator, "", 404},
    };
    for (const auto &row : rows) {
        const RawReply r = exchange(port, row.method, row.path, row.auth, row.body);
        EXPECT_EQ(r.status, row.status) << row.method.constData() << ' ' << row.path.constData() << ' '
                                        << row.auth.constData();
    }
    const RawReply api = exchange(port, "GET", "/api/status");
    EXPECT_TRUE(api.header("WWW-Authenticate").startsWith("Basic")) << "an API client is told to use Basic";
    const QString log = f.logText();
    EXPECT_TRUE(log.contains(QStringLiteral("网页命令：anna（127.0.0.1）：STATUS")));
    EXPECT_TRUE(log.contains(QStringLiteral("网页登录失败：anna（127.0.0.1）")));
    EXPECT_FALSE(log.contains(QStringLiteral("op-secret")) || log.contains(QStringLiteral("wrong")));
}

TEST_F(WebServerTest, ASessionNeedsItsTokenForChangesAndEndsAtLogOut)
{
    const RawReply form = exchange(port, "POST", "/login", "", "user=anna&password=op-secret");
    EXPECT_EQ(form.status, 303);
    const QByteArray cookie = form.header("Set-Cookie");
    EXPECT_TRUE(cookie.contains("HttpOnly") && cookie.contains("SameSite=Strict")) << cookie.constData();
    EXPECT_EQ(cookie.split(';').first().split('=').last().size(), 32) << "128 random bits";
    EXPECT_EQ(exchange(port, "POST", "/login", "", "user=anna&password=nope").header("Location"), "/login?failed=1");

    const auto [session, csrf] = login("anna", "op-secret");
    ASSERT_EQ(csrf.size(), 32);
    const QByteArray body = R"({"command":"STATUS"})";
    EXPECT_EQ(exchange(port, "POST", "/api/command", session, body).status, 403);
    const QByteArray wrong = csrf.left(31) + (csrf.endsWith('0') ? "1" : "0");
    EXPECT_EQ(exchange(port, "POST", "/api/command", session + "X-CSRF-Token: " + wrong + "\r\n", body).status, 403);
    EXPECT_EQ(exchange(port, "POST", "/api/command", session + "X-CSRF-Token: " + csrf + "\r\n", body).status, 200);
    EXPECT_EQ(exchange(port, "POST", "/logout", session).status, 403) << "a log-out is a change too";
    EXPECT_EQ(exchange(port, "POST", "/logout", session + "X-CSRF-Token: " + csrf + "\r\n").status, 303);
    EXPECT_EQ(exchange(port, "GET", "/api/status", session).status, 401);
}

TEST_F(WebServerTest, FiveFailuresMakeTheAddressWaitAndOnlyThatAddress)
{
    // Through a proxy on this host: the client is the forwarded address.
    const QByteArray fromA = "X-Forwarded-For: 203.0.113.7\r\n";
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(exchange(port, "POST", "/login", fromA, "user=anna&password=guess" + QByteArray::number(i)).status, 303);
    EXPECT_EQ(exchange(port, "POST", "/login", fromA, "user=anna&password=guess4").status, 429) << "the fifth starts the wait";
    const RawReply limited = exchange(port, "POST", "/login", fromA, "user=anna&password=op-secret");
    EXPECT_EQ(limited.status, 429);
    EXPECT_EQ(limited.header("Retry-After").toInt(), 60);
    EXPECT_EQ(exchange(port, "GET", "/api/status", fromA + basic("anna", "op-secret")).status, 429);
    const RawReply other = exchange(port, "POST", "/login", "X-Forwarded-For: 203.0.113.8\r\n", "user=anna&password=op-secret");
    EXPECT_EQ(other.header("Location"), "/");
    EXPECT_TRUE(f.logText().contains(QStringLiteral("网页登录失败：anna（203.0.113.7）")));
    EXPECT_TRUE(f.logText().contains(QStringLiteral("网页登录：anna（203.0.113.8）")));
}

class NoAccountTest : public WebServerTest {
protected:
    NoAccountTest() { withAccounts = false; }
};

TEST_F(NoAccountTest, NothingButTheLoginPageUntilAnAccountExists)
{
    EXPECT_EQ(exchange(port, "GET", "/login").status, 200);
    const RawReply r = exchange(port, "GET", "/api/status", basic("admin", "admin"));
    EXPECT_EQ(r.status, 401);
    EXPECT_EQ(exchange(port, "GET", "/").status, 401);
}

TEST_F(WebServerTest, OversizeRequestsAreRefusedAndTheConnectionClosed)
{
    const struct {
        QByteArray request;
        int status;
    } rows[] = {
        {"GET /" + QByteArray(9000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n", 431},
        {"GET / HTTP/1.1\r\nHost: x\r\nX-Pad: " + QByteArray(9000, 'b') + "\r\n\r\n", 431},
        {"POST /api/command HTTP/1.1\r\nHost: x\r\nContent-Length: 70000\r\n\r\n" + QByteArray(70000, '{'), 413},
        {"POST /api/command HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n", 411},
    };
    for (const auto &row : rows) {
        RawClient c(port);
        ASSERT_TRUE(c.connected());
        c.write(row.request);
        const RawReply r = c.reply();
        EXPECT_EQ(r.status, row.status);
        EXPECT_TRUE(waitUntil([&] { return c.closed(); }, 3000)) << row.status;
    }
    // A request just inside the limits still goes through, on a kept connection.
    RawClient c(port);
    ASSERT_TRUE(c.connected());
    c.write("GET /login HTTP/1.1\r\nHost: x\r\nX-Pad: " + QByteArray(7000, 'c') + "\r\n\r\nGET /login HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(c.reply().status, 200);
    EXPECT_EQ(c.reply().status, 200);
}

TEST_F(WebServerTest, IdleConnectionsGoWhileANewClientIsServed)
{
    server->guard().setIdleMs(3000);
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < 200; ++i)
        idle.push_back(std::make_unique<RawClient>(port));
    const bool all = waitUntil([&] { return server->guard().connections() == 200; }, 10000);
    ASSERT_TRUE(all) << server->guard().connections();
    // A slow client trickling a header counts as idle too.
    RawClient trickle(port);
    ASSERT_TRUE(trickle.connected());
    trickle.write("GET / HTTP/1.1\r\n");
    EXPECT_EQ(exchange(port, "GET", "/login").status, 200);
    EXPECT_TRUE(waitUntil([&] {
        return std::all_of(idle.begin(), idle.end(), [](const auto &c) { return c->closed(); }) && trickle.closed();
    }, 10000));
}

TEST_F(WebServerTest, TheLiveFeedServesSessionsOnlyAndDropsAClientThatNeverReads)
{
    const auto [session, csrf] = login("anna", "op-secret");
    auto open = [this](const QByteArray &cookieLine, QWebSocket &ws) {
        QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/live").arg(port)));
        if (!cookieLine.isEmpty())
            request.setRawHeader("Cookie", cookieLine.mid(8).trimmed());
        ws.open(request);
    };
    QWebSocket stranger;
    bool strangerClosed = false;
    QObject::connect(&stranger, &QWebSocket::disconnected, [&] { strangerClosed = true; });
    open({}, stranger);
    EXPECT_TRUE(waitUntil([&] { return strangerClosed; }, 5000));

    QWebSocket live;
    QList<QJsonObject> frames;
    QObject::connect(&live, &QWebSocket::textMessageReceived,
                     [&](const QString &text) { frames << QJsonDocument::fromJson(text.toUtf8()).object(); });
    open(session, live);
    ASSERT_TRUE(waitUntil([&] { return !frames.isEmpty(); }, 5000));
    EXPECT_TRUE(frames.first().contains(QStringLiteral("figures")));
    EXPECT_TRUE(frames.first().value(QStringLiteral("terminal")).toObject().value(QStringLiteral("replace")).toBool());
    f.station->display.Text2.append(QStringLiteral("板卡回应 OK\r\n"));
    EXPECT_TRUE(waitUntil([&] {
        return frames.last().value(QStringLiteral("terminal")).toObject().value(QStringLiteral("append")).toString()
               == QStringLiteral("板卡回应 OK\r\n");
    }, 3000));

    // This one reads nothing: what the server holds for it grows until the
    // server lets it go.
    QWebSocket sluggard;
    sluggard.setReadBufferSize(1);
    open(session, sluggard);
    ASSERT_TRUE(waitUntil([&] { return server->liveClients() == 2; }, 5000));
    const QString page(20000, QChar(0x4e2d));
    QTimer flood;
    QObject::connect(&flood, &QTimer::timeout, [&] { f.station->display.Text2.append(page); });
    flood.start(20);
    EXPECT_TRUE(waitUntil([&] { return server->liveClients() == 1; }, 30000));
    flood.stop();
    EXPECT_EQ(live.state(), QAbstractSocket::ConnectedState) << "a reading client stays";
}

TEST_F(WebServerTest, AQuestionIsAnsweredFromThePage)
{
    f.dialogs.hold = true;
    std::optional<Dialogs::Answer> given;
    Scope scope;
    QCoro::connect(f.dialogs.question(&scope, QStringLiteral("初始化"), QStringLiteral("确定要初始化吗？"),
                                      Dialogs::Icon::Question, Dialogs::Answer::Cancel),
                   &scope, [&](Dialogs::Answer a) { given = a; });
    const auto [session, csrf] = login("anna", "op-secret");
    const QJsonObject frame = QJsonDocument::fromJson(exchange(port, "GET", "/api/live.json", session).body).object();
    const QJsonObject question = frame.value(QStringLiteral("question")).toObject();
    ASSERT_EQ(question.value(QStringLiteral("title")).toString(), QStringLiteral("初始化"));
    const int id = question.value(QStringLiteral("id")).toInt();
    const QByteArray token = session + "X-CSRF-Token: " + csrf + "\r\n";
    EXPECT_EQ(exchange(port, "POST", "/api/answer", token, QStringLiteral(R"({"id":%1,"answer":"ok"})").arg(id + 1).toUtf8()).status, 409);
    EXPECT_FALSE(given);
    EXPECT_EQ(exchange(port, "POST", "/api/answer", token, QStringLiteral(R"({"id":%1,"answer":"ok"})").arg(id).toUtf8()).status, 200);
    ASSERT_TRUE(waitUntil([&] { return given.has_value(); }, 3000));
    EXPECT_EQ(*given, Dialogs::Answer::Ok);
}

TEST(WebTls, ANetworkAddressNeedsAKeyOfItsOwnAndServesHttpsOnly)
{
    StationFixture f;
    f.start();
    QString error;
    WebServer::Options o;
    ASSERT_TRUE(WebListen::parse(QStringLiteral("0.0.0.0:0"), o.listen, error));
    WebServer plain(*f.station);
    EXPECT_FALSE(plain.start(o, error));
    EXPECT_TRUE(error.contains(QStringLiteral("证书"))) << error.toStdString();

    ASSERT_TRUE(makeCertificate(f.dir.filePath(QStringLiteral("tls")), o.certFile, o.keyFile, error))
        << error.toStdString();
    EXPECT_EQ(QFile::permissions(o.keyFile) & (QFile::ReadGroup | QFile::ReadOther), 0);
    QFile::setPermissions(o.keyFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    WebServer exposed(*f.station);
    EXPECT_FALSE(exposed.start(o, error));
    EXPECT_TRUE(error.contains(QStringLiteral("0600"))) << error.toStdString();
    o.certFile = f.dir.filePath(QStringLiteral("missing.pem"));
    EXPECT_FALSE(exposed.start(o, error));

    QFile::setPermissions(o.keyFile, QFile::ReadOwner | QFile::WriteOwner);
    o.certFile = f.dir.filePath(QStringLiteral("tls/web-cert.pem"));
    ASSERT_TRUE(WebListen::parse(QStringLiteral("127.0.0.1:0"), o.listen, error));
    WebServer tls(*f.station);
    ASSERT_TRUE(tls.start(o, error)) << error.toStdString();
    QSslSocket client;
    client.setPeerVerifyMode(QSslSocket::VerifyNone);
    QByteArray got;
    QObject::connect(&client, &QSslSocket::encrypted, [&] { client.write("GET /login HTTP/1.1\r\nHost: x\r\n\r\n"); });
    QObject::connect(&client, &QSslSocket::readyRead, [&] { got += client.readAll(); });
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), tls.port());
    EXPECT_TRUE(waitUntil([&] { return got.startsWith("HTTP/1.1 200"); }, 10000)) << got.left(80).constData();
    // Plain HTTP on the TLS port gets no HTTP answer.
    const RawReply r = exchange(tls.port(), "GET", "/login");
    EXPECT_NE(r.status, 200);
}

} // namespace
