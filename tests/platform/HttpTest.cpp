// Requests as pumped waits against a real server on 127.0.0.1: exact bytes
// out, replies of every status in, and every way a request can fail.
#include "platform/Http.h"
#include "support/ClosedPort.h"
#include "support/SyncHttp.h"
#include "support/Wait.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

// Records each whole request and answers it as the test says.
class HttpPeer : public QObject {
public:
    // Called with the complete request; returns the raw reply bytes, or
    // empty to say nothing (the socket is kept open).
    std::function<QByteArray(const QByteArray &request)> reply = [](const QByteArray &) {
        return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
    };
    bool closeWithoutReply = false;
    bool closeAfterReply = true;
    QList<QByteArray> requests;

    HttpPeer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                m_sockets << s;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { read(s); });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    QUrl url(const QString &path = QStringLiteral("/openapi/getship")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

private:
    void read(QTcpSocket *s)
    {
        QByteArray &buffer = m_buffers[s];
        buffer += s->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        qsizetype length = 0;
        for (const QByteArray &line : buffer.left(end).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < end + 4 + length)
            return;
        requests << buffer.left(end + 4 + length);
        buffer.clear();
        if (closeWithoutReply) {
            s->close();
            return;
        }
        const QByteArray out = reply(requests.last());
        if (!out.isEmpty()) {
            s->write(out);
            if (closeAfterReply)
                s->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

// Replies here come at once; the bound only keeps a broken test short, and
// leaves room for a loaded machine's first request to set itself up.
const HttpTimeouts kShort{1000, 1000, 3000, 3000};


TEST(Http, PostSendsTheHeadersAndBodyExactly)
{
    HttpPeer peer;
    SyncHttp http;
    const HttpResponse r = http.post(peer.url(),
                                     {{"Content-Type", "application/x-www-form-urlencoded"}, {"User-Agent", "Korvane/1"}},
                                     "mmsi=413000000", kShort);
    ASSERT_FALSE(r.failed()) << qPrintable(r.errorText);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, QByteArray("ok"));
    ASSERT_EQ(peer.requests.size(), 1);
    const QByteArray &req = peer.requests.first();
    EXPECT_TRUE(req.startsWith("POST /openapi/getship HTTP/1.1\r\n")) << req.constData();
    EXPECT_TRUE(req.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n"));
    EXPECT_TRUE(req.contains("\r\nUser-Agent: Korvane/1\r\n"));
    EXPECT_TRUE(req.contains("\r\nContent-Length: 14\r\n"));
    EXPECT_TRUE(req.endsWith("\r\n\r\nmmsi=413000000"));
}

TEST(Http, AnyHttpStatusIsAReplyNotAnError)
{
    HttpPeer peer;
    SyncHttp http;
    struct Case {
        QByteArray raw;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 200, "hello"},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", 404, "gone"},
        {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 3\r\n\r\nbad", 500, "bad"},
        {"HTTP/1.1 204 No Content\r\n\r\n", 204, ""},
    };
    for (const Case &c : cases) {
        peer.reply = [&c](const QByteArray &) { return c.raw; };
        const HttpResponse r = http.get(peer.url(QStringLiteral("/cgi-bin/5g")), {{"User-Agent", "Korvane/1"}}, kShort);
        EXPECT_FALSE(r.failed()) << c.status << " " << qPrintable(r.errorText);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.body, c.body);
        EXPECT_TRUE(peer.requests.last().startsWith("GET /cgi-bin/5g HTTP/1.1\r\n"));
    }
}

TEST(Http, FailuresCarryANumberAndAText)
{
    SyncHttp http;
    // A port nobody listens on.
    const ClosedPort closed;
    const HttpResponse refused =
        http.get(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closed.port())), {}, kShort);
    EXPECT_TRUE(refused.failed());
    EXPECT_EQ(refused.errorNumber, 1) << "connection refused";
    EXPECT_FALSE(refused.errorText.isEmpty());

    HttpPeer peer;
    peer.closeWithoutReply = true;
    const HttpResponse dropped = http.post(peer.url(), {}, "mmsi=1", kShort);
    EXPECT_TRUE(dropped.failed());
    EXPECT_EQ(dropped.errorNumber, 2) << "remote host closed";

    // A reply cut off after its status line is no reply.
    HttpPeer cut;
    cut.reply = [](const QByteArray &) { return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart"); };
    const HttpResponse truncated = http.get(cut.url(), {}, kShort);
    EXPECT_TRUE(truncated.failed());
    EXPECT_EQ(truncated.errorNumber, 2) << "remote host closed";

    const HttpResponse invalid = http.get(QUrl(QStringLiteral("http:///nohost")), {}, kShort);
    EXPECT_EQ(invalid.errorNumber, Http::kInvalidAddress);
}

TEST(Http, AnEndlessReplyIsCutOffInsteadOfFillingTheMemory)
{
    constexpr qint64 kBody = 4 * 1024 * 1024;
    HttpPeer peer;
    peer.reply = [](const QByteArray &) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(kBody) + "\r\n\r\n"
               + QByteArray(kBody, '{');
    };
    SyncHttp http;
    const HttpResponse r = http.get(peer.url(), {}, HttpTimeouts{2000, 2000, 2000, 2000});
    EXPECT_EQ(r.errorNumber, Http::kReplyTooLarge);
    EXPECT_TRUE(r.body.isEmpty());

    HttpRequest roomy{"GET", peer.url(), {}, {}, HttpTimeouts{2000, 2000, 2000, 2000}};
    roomy.maxReplyBytes = 2 * kBody;
    EXPECT_EQ(http.send(roomy).body.size(), kBody) << "a reply within the bound is whole";
}

TEST(Http, AServerThatNeverAnswersTimesOutWhileTheLoopStaysLive)
{
    HttpPeer peer;
    peer.reply = [](const QByteArray &) { return QByteArray(); };
    SyncHttp http;
    // The first request sets up the network machinery once; that is no wait.
    HttpPeer warm;
    ASSERT_FALSE(http.get(warm.url(), {}, kShort).failed());
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    ticker.start(10);
    sinceTick.start();
    QElapsedTimer took;
    took.start();
    const HttpResponse r = http.post(peer.url(), {}, "mmsi=1", HttpTimeouts{500, 500, 1000, 1000});
    const qint64 elapsed = took.elapsed();
    ticker.stop();
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.errorNumber, Http::kTimedOut);
    EXPECT_EQ(r.errorText, QStringLiteral("操作超时"));
    EXPECT_GE(elapsed, 950) << "not before the quiet time passed";
    EXPECT_LT(elapsed, 4000) << "bounded";
    EXPECT_GT(ticks, 20);
    // A blocking wait would show one gap as long as the whole request.
    EXPECT_LT(longestGap, 500) << "the event loop kept running";
}

TEST(Http, AStalledReplyEndsAtTheQuietTimeNotTheOverallBound)
{
    HttpPeer peer;
    peer.reply = [](const QByteArray &) { return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart"); };
    peer.closeAfterReply = false;
    SyncHttp http;
    QElapsedTimer took;
    took.start();
    const HttpResponse r = http.get(peer.url(), {}, HttpTimeouts{2000, 2000, 300, 300});
    EXPECT_EQ(r.errorNumber, Http::kTimedOut);
    EXPECT_LT(took.elapsed(), 2500) << "the 300 ms quiet time ended it, not the 4.6 s bound";
}

TEST(Http, ARequestStartedDuringAnotherOneCompletesFirst)
{
    HttpPeer slow;
    slow.reply = [](const QByteArray &) { return QByteArray(); };
    HttpPeer fast;
    SyncHttp http;
    HttpResponse inner;
    QTimer::singleShot(50, [&] { inner = http.get(fast.url(), {}, kShort); });
    const HttpResponse outer = http.get(slow.url(), {}, HttpTimeouts{200, 200, 300, 300});
    EXPECT_EQ(outer.errorNumber, Http::kTimedOut);
    EXPECT_FALSE(inner.failed()) << qPrintable(inner.errorText);
    EXPECT_EQ(inner.body, QByteArray("ok"));
}

} // namespace
