// Telnet negotiation, replies cut by TCP, and radios that never stop talking.
#include "radio/RadioFixture.h"

#include "radio/ReplyAssembler.h"
#include "radio/TelnetFilter.h"

#include <QElapsedTimer>

using namespace korvane;
using namespace korvane::test;

namespace {

// Every byte of the literal, NULs included, and no more.
template <std::size_t N>
QByteArray bytes(const char (&text)[N]) { return QByteArray(text, N - 1); }

struct TelnetCase {
    const char *name;
    std::vector<QByteArray> reads;
    QByteArray data;
    QByteArray answer;
};

void PrintTo(const TelnetCase &c, std::ostream *os) { *os << c.name; }

class Telnet : public ::testing::TestWithParam<TelnetCase> {};

TEST_P(Telnet, TextAndAnswers)
{
    TelnetFilter filter;
    QByteArray data;
    QByteArray answer;
    for (const QByteArray &read : GetParam().reads) {
        const TelnetFilter::Result r = filter.feed(read);
        data += r.data;
        answer += r.answer;
    }
    EXPECT_EQ(data, GetParam().data);
    EXPECT_EQ(answer, GetParam().answer);
}

const QByteArray kBusyboxOpening = bytes("\xff\xfd\x01\xff\xfd\x1f\xff\xfb\x01\xff\xfb\x03");
// WONT ECHO, WILL NAWS with 512 x 24, DO ECHO, DO SGA.
const QByteArray kBusyboxAnswer =
    bytes("\xff\xfc\x01\xff\xfb\x1f\xff\xfa\x1f\x02\x00\x00\x18\xff\xf0\xff\xfd\x01\xff\xfd\x03");

INSTANTIATE_TEST_SUITE_P(Table, Telnet, ::testing::Values(
    TelnetCase{"DoIsRefusedWithWont", {bytes("\xff\xfd\x01")}, "", bytes("\xff\xfc\x01")},
    TelnetCase{"WillIsRefusedWithDont", {bytes("\xff\xfb\x18")}, "", bytes("\xff\xfe\x18")},
    TelnetCase{"SuppressGoAheadBothWays", {bytes("\xff\xfb\x03\xff\xfd\x03")}, "", bytes("\xff\xfd\x03\xff\xfb\x03")},
    TelnetCase{"BusyboxOpening", {kBusyboxOpening + "\r\r\nXM login: "}, "\r\r\nXM login: ",
               kBusyboxAnswer},
    TelnetCase{"DontAndWontNeedNoAnswer", {bytes("\xff\xfe\x01\xff\xfc\x01" "abc")}, "abc", ""},
    TelnetCase{"RepeatedOfferAnsweredOnce", {bytes("\xff\xfd\x18\xff\xfd\x18")}, "", bytes("\xff\xfc\x18")},
    TelnetCase{"EscapedByte255IsData", {bytes("a\xff\xff" "b")}, bytes("a\xff" "b"), ""},
    TelnetCase{"SubnegotiationDropped", {bytes("x\xff\xfa\x18\x01\xff\xf0y")}, "xy", ""},
    TelnetCase{"SubnegotiationWithEscapedIac", {bytes("\xff\xfa\x18\xff\xff\x01\xff\xf0z")}, "z", ""},
    TelnetCase{"CommandCutAcrossReads", {bytes("ab\xff"), bytes("\xfd"), bytes("\x01" "cd")}, "abcd",
               bytes("\xff\xfc\x01")},
    TelnetCase{"CrNulIsABareCr", {bytes("a\r\0b")}, "a\rb", ""},
    TelnetCase{"OtherCommandsCarryNoText", {bytes("\xff\xf1" "a\xff\xf9")}, "a", ""},
    TelnetCase{"SubnegotiationWithoutEndIsBounded",
               {bytes("\xff\xfa") + QByteArray(TelnetFilter::kMaxSubnegotiation, 'q') + "tail"}, "tail", ""}
), [](const auto &info) { return std::string(info.param.name); });

TEST(TelnetReset, ANewConnectionIsAnsweredAgain)
{
    TelnetFilter filter;
    filter.feed(bytes("\xff\xfd\x01"));
    filter.reset();
    EXPECT_EQ(filter.feed(bytes("\xff\xfd\x01")).answer, bytes("\xff\xfc\x01"));
}

struct PromptCase {
    const char *text;
    bool ends;
};

void PrintTo(const PromptCase &c, std::ostream *os) { *os << (c.ends ? "prompt" : "text"); }

class ReplyEnd : public ::testing::TestWithParam<PromptCase> {};

TEST_P(ReplyEnd, Prompts)
{
    EXPECT_EQ(ReplyAssembler::endsWithPrompt(QString::fromUtf8(GetParam().text)), GetParam().ends)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, ReplyEnd, ::testing::Values(
    PromptCase{"\r\nXM login: ", true}, PromptCase{"000004 login:", true}, PromptCase{"\r\nPassword: ", true},
    PromptCase{"}\r\nconsole :", true}, PromptCase{"console :  ", true}, PromptCase{"XM.v6.2.0# ", true},
    PromptCase{"user@radio:~$ ", true}, PromptCase{"color=#", false}, PromptCase{"Bit Rate:54 Mb/s   Tx-Power:", false},
    PromptCase{"wlanTxBytes=1\r\n", false}, PromptCase{"", false}));

TEST(ReplyAssembly, HeldUntilAPromptAndCutAtTheSearchLimit)
{
    ReplyAssembler a;
    EXPECT_TRUE(a.append(QStringLiteral("signal=-6")).isEmpty());
    EXPECT_TRUE(a.append(QStringLiteral("0\r\nnoise=-95\r\n")).isEmpty());
    EXPECT_EQ(a.append(QStringLiteral("XM# ")), QStringList{QStringLiteral("signal=-60\r\nnoise=-95\r\nXM# ")});
    EXPECT_TRUE(a.pending().isEmpty());

    const QStringList pieces = a.append(QString(100000, u'x'));
    ASSERT_EQ(pieces.size(), 3);
    for (const QString &piece : pieces)
        EXPECT_EQ(piece.size(), ReplyAssembler::kMaxReply);
    EXPECT_EQ(a.pending().size(), 100000 - 3 * ReplyAssembler::kMaxReply);
    EXPECT_EQ(a.flush().size(), 100000 - 3 * ReplyAssembler::kMaxReply);
    EXPECT_TRUE(a.pending().isEmpty());
}

TEST(ReplyAssembly, TwoConsoleRepliesInOneReadAreReadOneByOne)
{
    // A key and the reboot acceptance read as one text would run the steps
    // of both in step order, and the older reply would win.
    ReplyAssembler a;
    EXPECT_EQ(a.append(QStringLiteral("{\"secretkey\":\"k\",\"errorcode\":\"0\"}\r\nconsole :{\"errorcode\":\"0\"}\r\ncons")),
              QStringList{QStringLiteral("{\"secretkey\":\"k\",\"errorcode\":\"0\"}\r\nconsole :")});
    EXPECT_EQ(a.append(QStringLiteral("ole : ")), QStringList{QStringLiteral("{\"errorcode\":\"0\"}\r\nconsole : ")});
}

const QByteArray kBanner("\r\n Welcome to airOS\r\nXM.v6.2.0# ");
const QByteArray kStatus("deviceName=\xe8\x88\xb9\xe6\x9c\x80,deviceId=24:5A:4C:BC:66:4C,firmwareVersion=v6\r\n"
                         "signal=-61\r\nchain0Signal=-60\r\nchain1Signal=-62\r\nnoise=-95\r\ncinr=34\r\n"
                         "lanRxBytes=2097152\r\nlanRxPackets=1\r\nwlanRxBytes=123456789\r\nwlanRxPackets=1\r\n"
                         "wlanTxBytes=987654\r\nwlanTxPackets=1\r\nXM.v6.2.0# ");

TEST(SplitReplies, EveryCutPointReadsTheWholeReply)
{
    // Cut at every byte, including inside the markers and inside the
    // two Chinese characters of the name.
    RadioFixture f(false);
    Station &s = f.station;
    s.radioSession.receive(kBanner);
    for (qsizetype cut = 1; cut < kStatus.size(); ++cut) {
        s.radioStats = RadioStats{};
        s.display.Text1.setText(QString());
        s.display.Ship.setText(QString());
        s.radioSession.receive(kStatus.left(cut));
        EXPECT_EQ(s.radioStats.lastRxBytes, 0.0) << "nothing read before the prompt, cut " << cut;
        s.radioSession.receive(kStatus.mid(cut));
        EXPECT_EQ(s.radioStats.lastRxBytes, 123456789.0) << "cut " << cut;
        EXPECT_EQ(s.radioStats.lastTxBytes, 987654.0) << "cut " << cut;
        EXPECT_EQ(s.display.Text1.text(), QStringLiteral("-61")) << "cut " << cut;
        EXPECT_EQ(s.display.Ship.text(), QStringLiteral("船最")) << "cut " << cut;
        if (HasFailure())
            break;
    }
}

TEST(SplitReplies, AReplyWithoutPromptIsReadAfterTheQuietGap)
{
    RadioFixture f;
    Station &s = f.station;
    f.peer.sendToAll("\r\n Welcome to airOS\r\n");
    ASSERT_TRUE(waitUntil([&] { return !s.radioSession.pendingText().isEmpty(); }));
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyUnknown) << "held while more may follow";
    ASSERT_TRUE(waitUntil([&] { return s.radio.RadioFamily == RadioFamilyAirOs; }, 3000));
    EXPECT_TRUE(s.radioSession.pendingText().isEmpty());
}

TEST(SplitReplies, TwoArrivalsOverTheSocketLoseNothing)
{
    RadioFixture f;
    Station &s = f.station;
    f.peer.sendToAll(kBanner);
    ASSERT_TRUE(waitUntil([&] { return s.radio.RadioFamily == RadioFamilyAirOs; }));
    const qsizetype cut = kStatus.indexOf("wlanRxBytes=12") + 14;
    s.radioSession.setQuietGapMs(60000);
    f.peer.sendToAll(kStatus.left(cut));
    ASSERT_TRUE(waitUntil([&] { return s.radioSession.pendingText().contains(QLatin1String("wlanRxBytes=12")); }));
    f.peer.sendToAll(kStatus.mid(cut));
    ASSERT_TRUE(waitUntil([&] { return s.radioStats.lastRxBytes != 0; }));
    EXPECT_EQ(s.radioStats.lastRxBytes, 123456789.0);
}

TEST(TelnetSession, NegotiationIsAnsweredAndNeverReachesTheText)
{
    RadioFixture f;
    Station &s = f.station;
    f.peer.sendToAll(kBusyboxOpening + "\r\r\nXM login: ");
    const QByteArray expected = kBusyboxAnswer + "ubnt\r\n";
    EXPECT_EQ(f.sentAfter(expected.size()), expected);
    f.peer.sendToAll(bytes("\xff\xfb\x01" "\r\n Welcome to airOS\r\nXM.v6.2.0# "));
    ASSERT_TRUE(waitUntil([&] { return s.radio.RadioFamily == RadioFamilyAirOs; }));
    for (const QString &text : {s.display.Text2.text(), f.log()}) {
        EXPECT_FALSE(text.contains(QChar(0xFFFD)));
        EXPECT_FALSE(text.contains(QChar(0xFF)));
    }
}

TEST(Flood, AMegabyteLineWithoutPromptIsReadInBoundedPieces)
{
    RadioFixture f;
    Station &s = f.station;
    const QByteArray line(1024 * 1024, 'A');
    f.peer.sendToAll(line);
    QElapsedTimer clock;
    clock.start();
    qsizetype largest = 0;
    // Everything is read and held at most up to the limit, then let go.
    ASSERT_TRUE(waitUntil(
        [&] {
            largest = std::max(largest, s.radioSession.pendingText().size());
            return s.Winsock1.bytesAvailable() == 0 && s.radioSession.pendingText().isEmpty()
                   && f.log().contains(QLatin1String("AAAA"));
        },
        20000));
    EXPECT_LT(largest, ReplyAssembler::kMaxReply);
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Connected);
}

} // namespace
