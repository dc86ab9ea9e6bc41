// What a reply leaves in the event log and the terminal.
#include "radio/RadioFixture.h"

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(RadioLog, FirstReplyAfterConnectWritesHeaderReplyAndEventLine)
{
    RadioFixture f(false);
    Station &s = f.station;
    s.display.Text3.setText(QStringLiteral("192.168.1.20"));
    s.display.Text4.setText(QStringLiteral("192.168.1.30"));
    s.display.Text10.setText(QStringLiteral("8233"));
    s.display.Text15.setText(QStringLiteral("150 /120"));
    s.display.lanByte.setText(QStringLiteral(" 1.5 /0.3 "));
    f.reply(QStringLiteral("\r\n Welcome to airOS\r\nXM.v6.2.0# "));
    EXPECT_EQ(f.log(), QStringLiteral("======  2024-05-01 12:00:00  192.168.1.30  8233  ====== 微波设备：IP 192.168.1.20"
                                      "  信号-120 带宽150 /120 实时吞吐量数据1.5 /0.3 设备\r\n"
                                      "\r\n Welcome to airOS\r\nXM.v6.2.0# \r\n"
                                      "12:00:00 主机类型(1)事件：微波登录成功！\r\n"));
    EXPECT_TRUE(s.controllerStatus.linkHeaderWritten);
    EXPECT_EQ(s.display.Label4.text(), QStringLiteral("超级终端（日志）"));
}

TEST(RadioLog, LaterRepliesWriteOnlyTheirEventLine)
{
    RadioFixture f(false);
    f.station.controllerStatus.linkHeaderWritten = true;
    f.reply(QStringLiteral("\r\nLogin incorrect\r\nXM login: "));
    f.reply(QStringLiteral("uptime=5\r\nXM.v6.2.0# "));
    EXPECT_EQ(f.log(), QStringLiteral("12:00:00 主机类型(0)事件：微波登录用户名或密码错，请检查并修改后点击连接！\r\n"));
}

TEST(RadioLog, TheLastPreparedLineStands)
{
    RadioFixture f(false);
    f.station.controllerStatus.linkHeaderWritten = true;
    f.reply(QStringLiteral(" Welcome to airOS\r\ndeviceId=24:5a:4c:bc:66:4c,firmwareVersion=v6\r\n"));
    EXPECT_EQ(f.log(), QStringLiteral("12:00:00 主机类型(1)事件：KORVANE_MAC地址：245A4CBC664C\r\n"));
}

TEST(Password, AnEchoedPasswordReachesNeitherLogNorTerminal)
{
    RadioFixture f;
    Station &s = f.station;
    s.display.Combo2.setText(QStringLiteral("aaa"));
    f.reply(QStringLiteral("\r\nPassword: s3cret-pw\r\n af5xhd.v4 "));
    f.reply(QStringLiteral("echo s3cret-pw\r\nafTxchanbw=100\r\nafRxchanbw=100\r\naf5xhd.v4# "));
    EXPECT_TRUE(f.sentAfter(11).startsWith("s3cret-pw\r\n")) << "the password itself still goes to the radio";
    EXPECT_FALSE(f.log().contains(QLatin1String("s3cret-pw"))) << qPrintable(f.log());
    EXPECT_TRUE(f.log().contains(QLatin1String("Password: ******")));
    EXPECT_EQ(s.display.Text2.text(), QStringLiteral("echo ******\r\nafTxchanbw=100\r\nafRxchanbw=100\r\naf5xhd.v4# "));
}

TEST(Password, ANameThatIsThePasswordIsMaskedInTheLog)
{
    RadioFixture f(false);
    f.station.controllerStatus.linkHeaderWritten = true;
    f.reply(QStringLiteral("{\"name\":\"s3cret-pw\",\"ip\":\"1\"}"));
    EXPECT_EQ(f.log(), QStringLiteral("12:00:00 主机类型(0)事件：******\r\n"));
}

TEST(Terminal, RawViewAndConsoleLinesKeepTheLast20000Characters)
{
    RadioFixture f(false);
    Station &s = f.station;
    f.reply(QStringLiteral("af5xhd.v4# "));
    s.display.Combo2.setText(QStringLiteral("aaa"));
    const QString reply = QStringLiteral("afTxchanbw=100\r\nafRxchanbw=100\r\n") + QString(30000, u'z')
                          + QStringLiteral("END af5xhd.v4# ");
    f.reply(reply);
    EXPECT_EQ(s.display.Text2.text(), reply.right(20000));

    s.display.Combo2.setText(QString());
    for (int i = 0; i < 400; ++i)
        f.reply(QStringLiteral(" Welcome to airOS "));
    EXPECT_EQ(s.display.Text2.text().size(), 20000);
    EXPECT_TRUE(s.display.Text2.text().endsWith(QStringLiteral(" 已经登录微波设备，数据持续获取中......\r\n")));
}

TEST(Terminal, RawViewNeedsExactlyAaa)
{
    RadioFixture f(false);
    Station &s = f.station;
    f.reply(QStringLiteral("af5xhd.v4# "));
    s.display.Combo2.setText(QStringLiteral("aaa "));
    f.reply(QStringLiteral("afTxchanbw=100\r\nafRxchanbw=100\r\naf5xhd.v4# "));
    EXPECT_EQ(s.display.Text2.text(), QString());
}

} // namespace
