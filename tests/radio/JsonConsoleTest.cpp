// The JSON-console dialogue, reply by reply, with the exact bytes it sends.
#include "radio/RadioFixture.h"

#include "radio/JsonConsoleReply.h"

#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

const QByteArray kLogin("auth {\"username\":\"ubnt\",\"password\":\"s3cret-pw\"}\r\n");
const QString kKey = QStringLiteral("00112233445566778899aabbccddeeff");
const QByteArray kGetconfig("getconfig {\"secretkey\": \"00112233445566778899aabbccddeeff\" }\r\n");
const QString kPrompt = QStringLiteral("\r\nconsole :");

QString keyReply(const QString &key = kKey)
{
    return QStringLiteral("{\"secretkey\":\"%1\",\"errorcode\":\"0\"}").arg(key) + kPrompt;
}

QString error(int code) { return QStringLiteral("{\"errorcode\":\"%1\"}").arg(code) + kPrompt; }

QString linkStatus(const QString &signal)
{
    return QStringLiteral("{\"connectlist\":[{\"mac\":\"24:5a:4c:bc:63:b3\",\"noise\":\"-91\",\"rxbit\":\"300\","
                          "\"acktimeout\":\"27\",\"txbit\":\"270\",\"signal\":\"%1\"}],\"name\":\"KV-Radio-3\","
                          "\"ip\":\"192.168.1.20\",\"noise\":\"-97\",\"ssid\":\"KORVANE\",\"errorcode\":\"0\"}")
               .arg(signal)
           + kPrompt;
}

// A station whose waits are recorded instead of waited, unless a test says
// what happens inside them.
class Json : public ::testing::Test {
protected:
    Json()
    {
        f.station.radioSession.setWait([this](float seconds) -> Task<bool> {
            waits << seconds;
            // Pumped, as the real wait is: what was sent before it arrives.
            waitUntil([&] { return !f.peer.received.isEmpty(); }, 2000);
            sentAtWait << f.peer.received;
            if (insideWait)
                insideWait();
            co_return true;
        });
    }

    // What was sent once `expected` could have arrived, with a short bounded
    // look for anything more.
    QByteArray sent(const QByteArray &expected)
    {
        f.sentAfter(expected.size());
        waitUntil([&] { return f.peer.received.size() > expected.size(); }, 200);
        return f.peer.received;
    }

    RadioFixture f;
    QList<float> waits;
    QList<QByteArray> sentAtWait;
    std::function<void()> insideWait;
};

TEST_F(Json, PromptLogsInTwiceAroundTheWait)
{
    f.reply(kPrompt);
    EXPECT_EQ(sent(kLogin + kLogin), kLogin + kLogin);
    ASSERT_EQ(waits.size(), 1);
    EXPECT_FLOAT_EQ(waits.at(0), 1.0f);
    EXPECT_EQ(sentAtWait.value(0), kLogin) << "the first login goes out before the wait";
}

TEST_F(Json, PromptWhileLoggedInSendsNothing)
{
    f.station.radio.loggedIn = true;
    f.reply(kPrompt);
    EXPECT_EQ(sent(QByteArray()), QByteArray());
    EXPECT_TRUE(waits.isEmpty());
}

TEST_F(Json, PromptArrivingInsideTheWaitStartsNoSecondDialogue)
{
    insideWait = [this] {
        insideWait = nullptr;
        f.reply(kPrompt);
    };
    f.reply(kPrompt);
    EXPECT_EQ(sent(kLogin + kLogin), kLogin + kLogin);
    EXPECT_EQ(waits.size(), 1);
}

TEST_F(Json, KeyReplyLogsInAndAsksForTheConfiguration)
{
    Station &s = f.station;
    s.radio.keyRetryCount = 2;
    f.reply(keyReply());
    EXPECT_EQ(s.controllerStatus.RadioKey, kKey);
    EXPECT_TRUE(s.radio.keyReady);
    EXPECT_EQ(s.radio.keyRetryCount, 0);
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyJsonConsole);
    EXPECT_TRUE(s.radio.loggedIn);
    EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("微波登录成功！"));
    EXPECT_TRUE(s.display.Text2.text().endsWith(QStringLiteral(" 已经登录微波设备，数据持续获取中......\r\n")));
    for (const Control *c : {&s.display.lanByte, &s.display.lanBytes}) {
        EXPECT_FALSE(c->visible()) << qPrintable(c->name());
        EXPECT_FALSE(c->enabled()) << qPrintable(c->name());
    }
    EXPECT_EQ(sent(kGetconfig), kGetconfig);
    EXPECT_TRUE(f.log().contains(QStringLiteral(" 主机类型(3)事件：微波登录成功！\r\n")));
}

TEST_F(Json, KeyReplyWithoutTheKeyPatternLeavesTheKeyEmpty)
{
    f.station.controllerStatus.RadioKey = kKey;
    f.reply(QStringLiteral("{\"secretkey\": \"abc\"}"));
    EXPECT_EQ(f.station.controllerStatus.RadioKey, QString());
    const QByteArray emptyKey("getconfig {\"secretkey\": \"\" }\r\n");
    EXPECT_EQ(sent(emptyKey), emptyKey);
}

struct ErrorStep {
    QString reply;
    QByteArray sentSoFar;
    std::int16_t retryCount;
    const char *notice;
};

struct ErrorCase {
    const char *name;
    std::vector<ErrorStep> steps;
};

void PrintTo(const ErrorCase &c, std::ostream *os) { *os << c.name; }

class JsonErrors : public Json, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(JsonErrors, RepliesInTurn)
{
    Station &s = f.station;
    s.radio.loggedIn = true;
    s.radio.RadioFamily = RadioFamilyJsonConsole;
    for (const ErrorStep &step : GetParam().steps) {
        s.display.Label_NOTE.setText(QString());
        f.reply(step.reply);
        EXPECT_EQ(sent(step.sentSoFar), step.sentSoFar);
        EXPECT_EQ(s.radio.keyRetryCount, step.retryCount);
        EXPECT_EQ(s.display.Label_NOTE.text(), QString::fromUtf8(step.notice));
    }
}

const char *const kWrong = "微波登录用户名或密码错，请检查并修改后点击连接！";
const char *const kExpired = "登录凭据已失效，重新获取微波登录凭据！";

INSTANTIATE_TEST_SUITE_P(Table, JsonErrors, ::testing::Values(
    ErrorCase{"ExpiredKeyReLogsInOnEveryThird", {
        {error(10), "", 1, ""},
        {error(10), "", 2, ""},
        {error(10), kLogin + kLogin, 0, kExpired},
        {error(10), kLogin + kLogin, 1, ""},
    }},
    ErrorCase{"RejectedCredentialsRetryBounded", {
        {error(12), kLogin, 0, kWrong},
        {error(12), kLogin + kLogin, 0, kWrong},
        {error(12), kLogin + kLogin, 0, kWrong},
        {error(12), kLogin + kLogin, 0, kWrong},
    }},
    ErrorCase{"RebootAcceptedLogsOut", {
        {error(10), "", 1, ""},
        {error(0), "", 0, "微波设备重启指令生效，请等待2分钟左右..."},
    }}
), [](const auto &info) { return std::string(info.param.name); });

TEST_F(Json, AfterRebootOnlyANewPromptLogsInAgain)
{
    Station &s = f.station;
    f.reply(keyReply());
    EXPECT_EQ(sent(kGetconfig), kGetconfig)
        << "the prompt after the key asks for no further login";
    f.reply(error(0));
    EXPECT_FALSE(s.radio.loggedIn);
    f.peer.received.clear();
    f.reply(kPrompt);
    EXPECT_EQ(sent(kLogin + kLogin), kLogin + kLogin);
}

TEST_F(Json, ErrorRepliesSendNothingWhileDisconnected)
{
    f.station.Winsock1.Close();
    for (int i = 0; i < 3; ++i)
        f.reply(error(10));
    f.reply(error(12));
    EXPECT_EQ(f.station.radio.keyRetryCount, 0) << "steps that need the link do not count without it";
    EXPECT_EQ(sent(QByteArray()), QByteArray());
}

TEST_F(Json, ReconnectAllowsLoginsAgainAfterRejections)
{
    for (int i = 0; i < 4; ++i)
        f.reply(error(12));
    EXPECT_EQ(sent(kLogin + kLogin), kLogin + kLogin) << "two retries, then none";
    f.station.Winsock1.Close();
    f.connect();
    f.reply(error(12));
    EXPECT_EQ(sent(kLogin), kLogin);
}

struct StatusCase {
    const char *name;
    QString reply;
    std::function<void(const Station &)> check;
};

void PrintTo(const StatusCase &c, std::ostream *os) { *os << c.name; }

class JsonStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(JsonStatus, Figures)
{
    RadioFixture f(false);
    f.station.radioSession.setWait(noWait);
    f.reply(keyReply());
    f.reply(GetParam().reply);
    GetParam().check(f.station);
}

INSTANTIATE_TEST_SUITE_P(Table, JsonStatus, ::testing::Values(
    StatusCase{"ConnectList", linkStatus(QStringLiteral("-58")), [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("300 /270"));
        EXPECT_DOUBLE_EQ(s.radioStats.capacityDownMbps, 300);
        EXPECT_DOUBLE_EQ(s.radioStats.capacityUpMbps, 270);
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-58"));
        EXPECT_EQ(s.radioStats.signalDbm, -58);
        EXPECT_EQ(s.display.MainWindow.text(), s.caption + QStringLiteral(" -58"));
        // Both noise texts read -91 here: the second one runs on to the first number.
        EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("N:-91"));
        EXPECT_EQ(s.radioStats.noiseDbm, -91);
        EXPECT_EQ(s.display.Text_Level.text(), s.radio.signalBars[5]);
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("KV-Radio-3"));
    }},
    StatusCase{"SecondNoiseTextStands",
               QStringLiteral("{\"connectlist\":[{\"mac\":\"x\",\"rxbit\":\"1\",\"acktimeout\":\"0\",\"txbit\":\"1\","
                              "\"signal\":\"-80\"}],\"noise\":\"-99\",\"rxbit\":\"\",\"ssid\":\"a\"}"),
               [](const Station &s) {
        EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("N:-99"));
        EXPECT_EQ(s.display.Text_Level.text(), s.radio.signalBars[4]) << "margin 19 dB";
    }},
    StatusCase{"ZeroSignalSetsOnlyTheCapacity", linkStatus(QStringLiteral("0")), [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("300 /270"));
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-120"));
        EXPECT_EQ(s.radioStats.signalDbm, -120);
        EXPECT_EQ(s.display.Text_Level.toolTip(), QStringLiteral("无信号"));
        EXPECT_EQ(s.display.Text_Level.text(), s.radio.signalBars[0]);
    }},
    StatusCase{"PositiveSignalSetsOnlyTheCapacity", linkStatus(QStringLiteral("7")), [](const Station &s) {
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("300 /270"));
        EXPECT_EQ(s.radioStats.signalDbm, -120);
        EXPECT_EQ(s.radioStats.noiseDbm, 0);
    }},
    StatusCase{"NameCutAtTheFirstQuote", QStringLiteral("{\"name\":\"Deck\",\"ssid\":\"a\",\"ip\":\"1\"}"),
               [](const Station &s) {
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("Deck"));
        EXPECT_EQ(s.display.Ship.toolTip(), QStringLiteral("Deck"));
    }},
    StatusCase{"NameRunningIntoThePromptIsLeft", QStringLiteral("{\"name\":\"Deck}}console :\",\"ip\":\"1\"}"),
               [](const Station &s) { EXPECT_EQ(s.display.Ship.text(), QString()); }},
    StatusCase{"NameRunningIntoTheFirmwareIsLeft", QStringLiteral("{\"name\":\"firversion V2\",\"ip\":\"1\"}"),
               [](const Station &s) { EXPECT_EQ(s.display.Ship.text(), QString()); }},
    StatusCase{"FirmwareMacNormalised",
               QStringLiteral("{\"firversion\":\"V2.3.1\",\"mac\":\"24:5a:4c:1e:7b:03\",\"voltage\":\"12.2\"}"),
               [](const Station &s) { EXPECT_EQ(s.radio.radioMac, QStringLiteral("245A4C1E7B03")); }},
    StatusCase{"FirmwareMacOfOtherLengthRejected",
               QStringLiteral("{\"firversion\":\"V2.3.1\",\"mac\":\"24:5a:4c:1e:7b\",\"voltage\":\"12.2\"}"),
               [](const Station &s) { EXPECT_EQ(s.radio.radioMac, QString()); }}
), [](const auto &info) { return std::string(info.param.name); });

TEST(JsonFamilyGuards, ConnectListAndMacNeedTheFamily)
{
    RadioFixture f(false);
    f.reply(linkStatus(QStringLiteral("-58")));
    f.reply(QStringLiteral("{\"firversion\":\"V2\",\"mac\":\"24:5a:4c:1e:7b:03\",\"voltage\":\"1\"}"));
    EXPECT_EQ(f.station.display.Text15.text(), QString());
    EXPECT_EQ(f.station.radio.radioMac, QString());
}

TEST(JsonDeviceName, RunsOnEveryFamilysReplyAndLogsTheCaption)
{
    RadioFixture f(false);
    Station &s = f.station;
    s.radio.RadioFamily = RadioFamilyAirOs;
    s.display.Ship.setText(QStringLiteral("Mast 1"));
    f.reply(QStringLiteral("hostname=mast\r\nip=192.168.1.20\r\n"));
    EXPECT_EQ(s.display.Ship.text(), QStringLiteral("Mast 1")) << "no name of its own: the caption stays";
    EXPECT_TRUE(f.log().contains(QStringLiteral(" 主机类型(1)事件：Mast 1\r\n"))) << qPrintable(f.log());
}

TEST(JsonCommands, ExactTexts)
{
    EXPECT_EQ(jsonLoginCommand(QStringLiteral("u"), QStringLiteral("p")),
              QStringLiteral("auth {\"username\":\"u\",\"password\":\"p\"}\r\n"));
    EXPECT_EQ(jsonConfigurationCommand(QStringLiteral("K")), QStringLiteral("getconfig {\"secretkey\": \"K\" }\r\n"));
    EXPECT_EQ(jsonPollCommand(QStringLiteral("K")), QStringLiteral("systeminfo {\"secretkey\": \"K\" }\r\n"));
}

} // namespace
