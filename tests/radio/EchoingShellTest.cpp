// A shell behind telnetd echoes every command before its output. The echo
// of the station's own commands holds the words the output's markers are
// made of, so every family is read here from a radio that echoes.
#include "radio/SimRadioSession.h"

#include "radio/EchoFilter.h"
#include "radio/TerminalEscapes.h"

using namespace korvane;
using namespace korvane::test;

namespace {

class EchoingShell : public SimRadioSession {};

// The iwconfig radio echoes by default, as its BusyBox shell does.
TEST_F(EchoingShell, IwconfigCountersComeFromTheOutputNotTheEcho)
{
    ASSERT_TRUE(startRadio("iwconfig"));
    ASSERT_EQ(sim.statusText(QStringLiteral("echo")), QStringLiteral("on"));
    ASSERT_TRUE(connectAndLogIn());
    ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes > 0; })) << qPrintable(f.log());
    EXPECT_GT(s.radioStats.lastTxBytes, 0) << "the transmit counter is read up to the output's DeviceName";
    EXPECT_EQ(s.radioStats.signalDbm, -52);
    EXPECT_TRUE(s.display.Ship.text().startsWith(QStringLiteral("KV-Radio-01"))) << qPrintable(s.display.Ship.text());
    const double rx = s.radioStats.lastRxBytes;
    ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes > rx; }));
    EXPECT_GT(s.radioStats.txMbps, 0);
    EXPECT_GT(s.radioStats.rxMbps, 0);
    EXPECT_FALSE(s.display.lanByte.toolTip().endsWith(QStringLiteral(" /0.0"))) << qPrintable(s.display.lanByte.toolTip());
}

// Without telnet the station cannot tell its window's width: the shell
// breaks the long poll command at 80 columns and asks for the cursor.
TEST_F(EchoingShell, IwconfigEchoWrappedAtEightyColumns)
{
    ASSERT_TRUE(startRadio("iwconfig", {QStringLiteral("--no-telnet")}));
    ASSERT_TRUE(connectAndLogIn());
    ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes > 0; })) << qPrintable(f.log());
    EXPECT_GT(s.radioStats.lastTxBytes, 0) << qPrintable(s.display.lanByte.toolTip());
    EXPECT_FALSE(s.display.Text2.text().contains(QChar(0x1b)));
}

TEST_F(EchoingShell, AirOsFiguresWithEcho)
{
    ASSERT_TRUE(startRadio("airos", {QStringLiteral("--echo")}));
    ASSERT_TRUE(connectAndLogIn());
    ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes > 0; })) << qPrintable(f.log());
    EXPECT_GT(s.radioStats.lastTxBytes, 0);
    EXPECT_EQ(s.radioStats.signalDbm, -52);
    EXPECT_EQ(s.radioStats.noiseDbm, -96);
    EXPECT_EQ(s.radio.radioMac, QStringLiteral("245A4C1E7B03"));
}

TEST_F(EchoingShell, AirFiberFiguresWithEcho)
{
    ASSERT_TRUE(startRadio("airfiber", {QStringLiteral("--echo")}));
    ASSERT_TRUE(connectAndLogIn());
    ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes > 0; })) << qPrintable(f.log());
    EXPECT_GT(s.radioStats.lastTxBytes, 0);
    EXPECT_EQ(s.radioStats.signalDbm, -52);
    EXPECT_FALSE(s.display.Text15.text().isEmpty());
}

// The JSON console's commands carry the session key: read back as a reply
// they would pass for a new key.
TEST_F(EchoingShell, JsonConsoleKeepsItsKeyWithEcho)
{
    ASSERT_TRUE(startRadio("json", {QStringLiteral("--echo")}));
    ASSERT_TRUE(connectAndLogIn(2));
    // The station asks for the configuration with each key it takes: four
    // commands mean the second key has been read.
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("commands")) >= 4; }));
    ASSERT_TRUE(waitUntil([&] { return s.display.Ship.text() == QStringLiteral("KV-Radio-01"); }));
    const QString key = s.controllerStatus.RadioKey;
    ASSERT_EQ(key.size(), 32);
    for (int i = 0; i < 2; ++i) {
        s.display.Text15.setText(QString());
        ASSERT_TRUE(pollAndRead([&] { return !s.display.Text15.text().isEmpty(); })) << qPrintable(f.log());
        EXPECT_EQ(s.display.Text15.text(), QStringLiteral("528 /475"));
        EXPECT_EQ(s.controllerStatus.RadioKey, key);
    }
    EXPECT_EQ(sim.statusValue(QStringLiteral("key_errors")), 0);
    EXPECT_EQ(sim.statusValue(QStringLiteral("logins")), 2);
    EXPECT_FALSE(f.log().contains(QLatin1String(kPassword))) << "the echoed login stays out of the log";
}

// The echo cut anywhere by TCP, and radios that do not echo.
TEST(EchoFilter, TakesOutEchoesCutAnywhereAndLeavesTheRestAlone)
{
    const QString prompt = QStringLiteral("[root@radio]# ");
    const QString command = QStringLiteral("iwconfig ath0 && echo 'DeviceName'");
    const QString output = QStringLiteral("ath0 Signal level=-52 dBm\r\nDeviceName\r\n") + prompt;
    const QString all = command + QStringLiteral("\r\n") + output;
    for (qsizetype cut = 0; cut <= all.size(); ++cut) {
        SCOPED_TRACE(cut);
        EchoFilter filter;
        EXPECT_EQ(filter.feed(prompt), prompt);
        filter.expect(command + QStringLiteral("\r\n"));
        QString got = filter.feed(all.left(cut));
        got += filter.feed(all.mid(cut));
        EXPECT_EQ(got, output);
        EXPECT_FALSE(filter.holding());
    }

    EchoFilter quiet; // a radio that does not echo, and a password
    EXPECT_EQ(quiet.feed(QStringLiteral("Password: ")), QStringLiteral("Password: "));
    quiet.expect(QStringLiteral("iwconfig\r\n"));
    EXPECT_EQ(quiet.feed(QStringLiteral("\r\n") + output), QStringLiteral("\r\n") + output);
    EXPECT_EQ(quiet.feed(QStringLiteral("iwconfig\r\n")), QStringLiteral("iwconfig\r\n"))
        << "a line given up is not taken out later";

    EchoFilter held;
    held.feed(prompt);
    held.expect(command);
    EXPECT_EQ(held.feed(QStringLiteral("iwconfig")), QString());
    EXPECT_TRUE(held.holding());
    EXPECT_EQ(held.flush(), QStringLiteral("iwconfig")) << "text that never became the echo is the radio's own";

    // A second command sent before the first was answered is echoed after
    // the first one's output and prompt.
    EchoFilter twoAhead;
    twoAhead.feed(QStringLiteral("A# "));
    twoAhead.expect(QStringLiteral("a\r\n"));
    twoAhead.expect(QStringLiteral("b\r\n"));
    EXPECT_EQ(twoAhead.feed(QStringLiteral("a\r\nx b y\r\nA# b\r\nB# ")), QStringLiteral("x b y\r\nA# B# "));
}

// A line editor's echo: broken where its 80-column window ends, drawn
// afresh after its prompt, with its cursor query after the prompt. Each
// case is fed whole and cut at every place.
TEST(EchoFilter, LineEditorEchoes)
{
    const QString command = QStringLiteral("iwconfig ath0 && ifconfig wifi0 |grep bytes && echo 'DeviceName' && cat x");
    const QString output = QStringLiteral("TX bytes:5 DeviceName\r\nKV_http\r\n# ");
    struct Case {
        const char *name;
        QString prompt;
        QString echo;
    };
    const Case cases[] = {
        {"WrappedAfterAShortPrompt", QStringLiteral("# "),
         command.left(78) + QStringLiteral("\r\r\n") + command.mid(78) + QStringLiteral("\r\n")},
        {"WrappedTwice", QStringLiteral("root@radio:~# "),
         command.left(10) + QStringLiteral("\r\r\n") + command.mid(10, 20) + QStringLiteral("\r\r\n") + command.mid(30)
             + QStringLiteral("\r\n")},
        {"Redrawn", QStringLiteral("# "),
         command.left(20) + QStringLiteral("\r# ") + command + QStringLiteral("\r\n")},
    };
    for (const Case &c : cases) {
        const QString all = c.echo + output;
        for (qsizetype cut = 0; cut <= all.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(cut));
            EchoFilter filter;
            TerminalEscapes escapes;
            EXPECT_EQ(filter.feed(escapes.feed(c.prompt + QStringLiteral("\x1b[6n"))), c.prompt);
            filter.expect(command + QStringLiteral("\r\n"));
            QString got = filter.feed(escapes.feed(all.left(cut)));
            got += filter.feed(escapes.feed(all.mid(cut)));
            EXPECT_EQ(got, output);
        }
    }
}

// Controls are taken out whole, even cut by TCP; what is no control stays.
TEST(TerminalEscapes, TakesOutControlSequences)
{
    const QString text = QStringLiteral("a\x1b[6nb\x1b[J\x1b[12;34Rc\x1b" "7d");
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        TerminalEscapes escapes;
        QString got = escapes.feed(text.left(cut));
        got += escapes.feed(text.mid(cut));
        EXPECT_EQ(got, QStringLiteral("abcd")) << cut;
    }
    TerminalEscapes endless;
    const QString noise = QStringLiteral("\x1b[") + QString(40, u'1') + QStringLiteral("x");
    EXPECT_EQ(endless.feed(noise), noise) << "a sequence that never ends is text";
}

} // namespace
