// What the operator sees when a report fails: refused, name not resolved,
// or answered with something other than success.
#include "CloudFixture.h"

#include "cloud/CloudReply.h"
#include "support/ClosedPort.h"

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kEventPrefix = QStringLiteral("12:00:00 主机类型(0)事件：");
// Rejected by the name resolver itself (an empty label), so the lookup never
// leaves the machine; under the reserved .invalid domain besides.
const QString kUnresolvable = QStringLiteral("cloud..invalid");

TEST_F(CloudFixture, RefusedConnectionIsShownAndLogged)
{
    const ClosedPort closed;
    fx.settings->write(cloudserver::CLOUD_SERVER_NAME, QStringLiteral("127.0.0.1:%1").arg(closed.port()));
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_TRUE(waitUntil([&] { return station->display.Label_NOTE.text().startsWith(QStringLiteral("云平台")); }));
    EXPECT_EQ(station->display.Label_NOTE.text(), QStringLiteral("云平台连接错误: Connection refused"));
    EXPECT_TRUE(station->display.Text2.text().endsWith(QStringLiteral("Winsock错误: Connection refused\r\n")));
    EXPECT_EQ(logText(), kEventPrefix + QStringLiteral("云平台连接错误: Connection refused\r\n"));
    EXPECT_EQ(station->Winsock_Cloud.State(), TcpLink::Closed);
    EXPECT_FALSE(station->cloud.ipMode);
    EXPECT_TRUE(fx.settings->read(keys::CLOUD_MODE_IP).isEmpty());
}

TEST_F(CloudFixture, UnresolvedNameSwitchesToIpModeOnceAndTheNextTickGoesByAddress)
{
    fx.settings->write(cloudserver::CLOUD_SERVER_NAME, kUnresolvable);
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_TRUE(waitUntil([&] { return station->cloud.ipMode; }));
    const QString note = QStringLiteral("云平台连接错误: Host not found");
    EXPECT_EQ(station->display.Label_NOTE.text(), note);
    EXPECT_TRUE(station->display.Text2.text().endsWith(
        QStringLiteral("Winsock错误: Host not found\r\n域名解析失败，云平台已自动切换为IP模式。\r\n")));
    EXPECT_EQ(fx.settings->read(keys::CLOUD_MODE_IP), QStringLiteral("1"));
    EXPECT_EQ(logText(), kEventPrefix + note + QStringLiteral("\r\n")) << "one event line";
    EXPECT_EQ(station->Winsock_Cloud.State(), TcpLink::Closed);

    // By CLOUD_HOST now; the Host header still names the server.
    tick();
    ASSERT_TRUE(waitForRequests(hostServer));
    EXPECT_TRUE(hostServer.received.contains("\r\nHost: cloud..invalid\r\n"));
    hostServer.sendToAll("HTTP/1.1 200 OK\r\n\r\n");
    ASSERT_TRUE(waitUntil([&] { return station->Winsock_Cloud.State() == TcpLink::Closed; }));

    // Without CLOUD_HOST: the fallback address.
    fx.settings->write(keys::CLOUD_HOST, QString());
    tick();
    ASSERT_TRUE(waitForRequests(addressServer));
    EXPECT_EQ(station->cloud.connectHost, loopback(addressServer));
    EXPECT_EQ(nameServer.accepted, 0);
}

TEST_F(CloudFixture, UnresolvedHostInIpModeRepeatsTheMessageButDoesNotRewriteTheSetting)
{
    station->cloud.ipMode = true;
    fx.settings->write(keys::CLOUD_HOST, kUnresolvable);
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_TRUE(waitUntil([&] { return !station->display.Label_NOTE.text().isEmpty(); }));
    EXPECT_TRUE(station->display.Text2.text().endsWith(QStringLiteral("域名解析失败，云平台已自动切换为IP模式。\r\n")));
    EXPECT_TRUE(fx.settings->read(keys::CLOUD_MODE_IP).isEmpty());
}

TEST_F(CloudFixture, ReplyIsJudgedOnceAndTheConnectionClosed)
{
    ASSERT_TRUE(connectRadio());
    station->display.Label_NOTE.setText(QStringLiteral("before"));
    tick();
    ASSERT_TRUE(waitForRequests(nameServer));
    nameServer.sendToAll("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK");
    ASSERT_TRUE(waitUntil([&] { return station->Winsock_Cloud.State() == TcpLink::Closed; }));
    EXPECT_EQ(station->display.Label_NOTE.text(), QStringLiteral("before"));

    tick();
    ASSERT_TRUE(waitForRequests(nameServer, 2));
    nameServer.sendToAll("HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/plain\r\n\r\nInternal Server Error");
    ASSERT_TRUE(waitUntil([&] { return station->Winsock_Cloud.State() == TcpLink::Closed; }));
    EXPECT_EQ(station->display.Label_NOTE.text(),
              QStringLiteral("提交云平台失败 (Winsock): HTTP/1.1 500 Internal Server Error"));
    // The refusal is in the log, once; the accepted report before it is not.
    EXPECT_EQ(fx.logText().count(QStringLiteral("事件：提交云平台失败 (Winsock): HTTP/1.1 500 Internal Server Error")), 1)
        << qPrintable(fx.logText());
    EXPECT_EQ(fx.logText().count(QStringLiteral("提交云平台失败")), 1);
}

TEST_F(CloudFixture, StatusLineSplitOverTwoSegmentsIsJudgedWhole)
{
    ASSERT_TRUE(connectRadio());
    station->display.Label_NOTE.setText(QStringLiteral("before"));
    tick();
    ASSERT_TRUE(waitForRequests(nameServer));
    nameServer.sendToAll("HTTP/1.1 2");
    for (const auto &c : nameServer.clients)
        ASSERT_TRUE(c && c->waitForBytesWritten(5000));
    ASSERT_TRUE(waitUntil([&] { return !station->cloud.reply.isEmpty(); }));
    EXPECT_EQ(station->Winsock_Cloud.State(), TcpLink::Connected) << "half a status line is not judged";
    nameServer.sendToAll("00 OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return station->Winsock_Cloud.State() == TcpLink::Closed; }));
    EXPECT_EQ(station->display.Label_NOTE.text(), QStringLiteral("before"));
}

TEST_F(CloudFixture, ServerClosingWithoutAStatusLineIsAFailure)
{
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_TRUE(waitForRequests(nameServer));
    nameServer.sendToAll("HTTP/1.1 40");
    for (const auto &c : nameServer.clients) {
        if (c)
            c->disconnectFromHost();
    }
    ASSERT_TRUE(waitUntil([&] { return !station->display.Label_NOTE.text().isEmpty(); }));
    EXPECT_EQ(station->display.Label_NOTE.text(), QStringLiteral("提交云平台失败 (Winsock): HTTP/1.1 40"));
    EXPECT_EQ(station->Winsock_Cloud.State(), TcpLink::Closed);
}

struct ReplyRow {
    const char *name;
    QByteArray reply;
    bool accepted;
    QString shown; // the text after the notice's lead
};

const ReplyRow kReplies[] = {
    {"StatusLine", "HTTP/1.1 200 OK\r\n\r\n", true, {}},
    {"StatusLineOfAnOlderServer", "HTTP/1.0 200 OK\r\n", true, {}},
    {"StatusLineWithoutReason", "HTTP/1.1 200\r\n", true, {}},
    {"BareOkIsNoAnswer", "ok", false, QStringLiteral("ok")},
    {"TwoHundredInAHeader", "HTTP/1.1 302 Found\r\nContent-Length: 200\r\n", false,
     QStringLiteral("HTTP/1.1 302 Found")},
    {"OkInsideAWord", "HTTP/1.1 503 BROKEN", false, QStringLiteral("HTTP/1.1 503 BROKEN")},
    {"ForbiddenWithACookie", "HTTP/1.1 403 Forbidden\r\nSet-Cookie: sid=1\r\n\r\n", false,
     QStringLiteral("HTTP/1.1 403 Forbidden")},
    {"ForbiddenWithAToken", "HTTP/1.1 403 Forbidden\r\n\r\n{\"Token\":\"expired\"}", false,
     QStringLiteral("HTTP/1.1 403 Forbidden")},
    {"TwoThousandIsNotTwoHundred", "HTTP/1.1 2000 OK\r\n", false, QStringLiteral("HTTP/1.1 2000 OK")},
    {"NotFound", "HTTP/1.1 404 Not Found", false, QStringLiteral("HTTP/1.1 404 Not Found")},
    {"Empty", "", false, {}},
    {"FiftyCharactersShown", QByteArray(60, 'x'), false, QString(50, u'x')},
    {"OnlyTheFirstLineShown", "HTTP/1.1 500 Internal Server Error\nContent-Type: text/plain", false,
     QStringLiteral("HTTP/1.1 500 Internal Server Error")},
    {"ControlCharactersShownAsSpaces", "bad\tanswer\rhere\x01", false, QStringLiteral("bad answer here ")},
    {"CodePageText", "\xB7\xFE\xCE\xF1\xC6\xF7\xB4\xED\xCE\xF3", false, QStringLiteral("服务器错误")},
    {"TruncatedCharacterReplaced", "Err\xB7", false, QStringLiteral("Err\uFFFD")},
};

class CloudReply : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(CloudReply, Verdict)
{
    const ReplyRow &row = GetParam();
    const CloudReplyVerdict v = judgeCloudReply(row.reply);
    EXPECT_EQ(v.accepted, row.accepted);
    EXPECT_EQ(v.notice, row.accepted ? QString() : QStringLiteral("提交云平台失败 (Winsock): ") + row.shown);
}

INSTANTIATE_TEST_SUITE_P(Replies, CloudReply, ::testing::ValuesIn(kReplies),
                         [](const ::testing::TestParamInfo<ReplyRow> &info) { return std::string(info.param.name); });

} // namespace
