// The simulated radio as the station meets it: a separate process on
// loopback, spoken to over TCP and controlled through its stdin.
#include "support/PeerClient.h"
#include "support/SimProcess.h"
#include "support/Wait.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using korvane::test::PeerClient;
using korvane::test::SimProcess;
using korvane::test::waitUntil;

namespace {

const QByteArray kIwconfigCommand("iwconfig ath0 && ifconfig wifi0 |grep bytes && echo 'DeviceName' && cat /etc/mdns.conf\r\n");

struct FamilyCase {
    const char *family;
    QByteArray loginPrompt;
    QByteArray loggedIn;   // text after a good login
    QByteArray rejected;   // text after a bad login
    QByteArray statusCommand;
    std::vector<const char *> markers; // each must be in the status reply
    QByteArray prompt;     // ends the status reply
};

void PrintTo(const FamilyCase &c, std::ostream *os) { *os << c.family; }

class RadioFamilies : public ::testing::TestWithParam<FamilyCase> {};

// Logs in as the station does (blank line first), returns the connection.
void logIn(PeerClient &peer, const FamilyCase &c, const QByteArray &password)
{
    peer.write("\r\n");
    if (!c.loginPrompt.isEmpty()) {
        ASSERT_TRUE(peer.waitFor(c.loginPrompt));
        peer.write("ubnt\r\n");
        ASSERT_TRUE(peer.waitFor(QByteArray("Password: ")));
        peer.write(password + "\r\n");
    } else {
        ASSERT_TRUE(peer.waitFor(QByteArray("console :")));
        peer.write("auth {\"username\":\"ubnt\",\"password\":\"" + password + "\"}\r\n");
    }
}

TEST_P(RadioFamilies, GoodLoginThenStatusWithEveryMarker)
{
    const FamilyCase &c = GetParam();
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("radio"), {QStringLiteral("--family"), QString::fromLatin1(c.family)}));
    PeerClient peer;
    ASSERT_TRUE(peer.connectTo(sim.port()));
    logIn(peer, c, "ubnt");
    ASSERT_TRUE(peer.waitFor(c.loggedIn)) << peer.text().toStdString();
    QByteArray command = c.statusCommand;
    if (command.contains("KEY")) {
        const QRegularExpression key(QStringLiteral("\"secretkey\":\"([0-9a-f]{32})\""));
        command.replace("KEY", key.match(peer.text()).captured(1).toLatin1());
    }
    peer.clear();
    peer.write(command);
    // An echoing shell asks for the cursor after its prompt.
    ASSERT_TRUE(waitUntil([&] { return QByteArray(peer.received()).replace("\x1b[6n", "").endsWith(c.prompt); }));
    for (const char *marker : c.markers)
        EXPECT_TRUE(peer.received().contains(marker)) << marker << "\n" << peer.text().toStdString();
    EXPECT_EQ(sim.statusValue(QStringLiteral("logins")), 1);
}

TEST_P(RadioFamilies, WrongPasswordIsRejected)
{
    const FamilyCase &c = GetParam();
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("radio"), {QStringLiteral("--family"), QString::fromLatin1(c.family)}));
    PeerClient peer;
    ASSERT_TRUE(peer.connectTo(sim.port()));
    logIn(peer, c, "wrong");
    EXPECT_TRUE(peer.waitFor(c.rejected));
    EXPECT_FALSE(peer.received().contains(c.loggedIn));
    EXPECT_EQ(sim.statusValue(QStringLiteral("failed_logins")), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, RadioFamilies, ::testing::Values(
    FamilyCase{"airos", "KV-Radio-01 login: ", " Welcome to airOS", "Login incorrect\r\nKV-Radio-01 login: ",
               "mca-status\r\n",
               {"deviceName=KV-Radio-01,deviceId=24:5A:4C:1E:7B:03,firmwareVersion=", "\r\nsignal=-", "\r\nchain0Signal=",
                "\r\nchain1Signal=", "\r\nnoise=", "\r\ncinr=", "\r\nwlanDownlinkCapacity=", "\r\nwlanUplinkCapacity=",
                "\r\nwlanDesiredPriority=", "\r\nlanRxBytes=", "\r\nlanRxPackets=", "\r\nlanTxBytes=", "\r\nlanTxPackets=",
                "\r\nwlanRxBytes=", "\r\nwlanRxPackets=", "\r\nwlanTxBytes=", "\r\nwlanTxPackets=", "\r\nlatitude=",
                "\r\nlongitude=", "\r\nboardCrc="},
               "XM.v6.2.0# "},
    FamilyCase{"airfiber", "KV-Radio-01 login: ", "af5xhd.", "Login incorrect", "mca-status\r\n",
               {"afTxchanbw=100\r\nafRxchanbw=", "afRxcapacity=", "\r\nafTxcapacity=", "\r\nafRxpower0=",
                "afTxmodrate=", "\r\nafTxpower=", "\r\nsignal=-", "\r\nuptime=", "\r\nwlanRxBytes=", "\r\nwlanTxBytes=",
                "\r\nlatitude=", "\r\nlongitude=", "\r\naltitude=", "{\"noisefloor\":-", ",\"chainrssi\"",
                "deviceName=KV-Radio-01,deviceId="},
               "af5xhd.v4.1.0# "},
    FamilyCase{"iwconfig", "000004 login: ", "[root@radio]# ", "Login incorrect\r\n000004 login: ", kIwconfigCommand,
               {"ESSID:\"KORVANE\"", "\r\n          Mode:", "Frequency:", " GHz", "Bit Rate:", " Mb/s", "Tx-Power=20 dBm",
                "Link Quality=", "Signal level=-", " dBm  Noise level=-", " Rx invalid nwid", "RX bytes:", "TX bytes:",
                "\r\nDeviceName\r\nKV-Radio-01_http"},
               "[root@radio]# "},
    FamilyCase{"json", "", "{\"secretkey\":\"", "{\"errorcode\":\"12\"}\r\nconsole :",
               "systeminfo {\"secretkey\": \"KEY\" }\r\n",
               {"\"connectlist\":[{\"mac\":\"", "\"noise\":\"-", "\",\"rxbit\":\"", "\"acktimeout\":\"", "\"txbit\":\"",
                "\"signal\":\"-", "\"}]", "\"name\":\"KV-Radio-01\",\"ip\":\"", "\",\"ssid\":\""},
               "}\r\nconsole :"}
), [](const auto &info) { return std::string(info.param.family); });

TEST(RadioSim, TextFamiliesOpenWithTelnetOffersUnlessTold)
{
    for (const bool offers : {true, false}) {
        SimProcess sim;
        QStringList args{QStringLiteral("--family"), QStringLiteral("airos")};
        if (!offers)
            args << QStringLiteral("--no-telnet");
        ASSERT_TRUE(sim.start(QStringLiteral("radio"), args));
        PeerClient peer;
        ASSERT_TRUE(peer.connectTo(sim.port()));
        ASSERT_TRUE(peer.waitFor(QByteArray("login: ")));
        EXPECT_EQ(peer.received().startsWith(QByteArray("\xff\xfd\x01\xff\xfd\x1f\xff\xfb\x01\xff\xfb\x03", 12)), offers);
        // The station's refusals are telnet, not a user name.
        peer.write(QByteArray("\xff\xfc\x01\xff\xfe\x03", 6) + "ubnt\r\n");
        EXPECT_TRUE(peer.waitFor(QByteArray("Password: ")));
    }
}

// Echo as BusyBox ash behind telnetd: what is typed at the login prompt and
// the shell comes back before its answer; the password does not.
TEST(RadioSim, EchoesTypedLinesLikeAShellBehindTelnetd)
{
    struct Case {
        const char *family;
        QStringList extra;
        bool echoes;
    };
    for (const Case &c : {Case{"iwconfig", {}, true}, Case{"iwconfig", {QStringLiteral("--no-echo")}, false},
                          Case{"airos", {}, false}, Case{"airos", {QStringLiteral("--echo")}, true}}) {
        SCOPED_TRACE(std::string(c.family) + (c.extra.isEmpty() ? "" : " " + c.extra.first().toStdString()));
        SimProcess sim;
        ASSERT_TRUE(sim.start(QStringLiteral("radio"), QStringList{QStringLiteral("--family"),
                                                                   QString::fromLatin1(c.family)} + c.extra));
        PeerClient peer;
        ASSERT_TRUE(peer.connectTo(sim.port()));
        ASSERT_TRUE(peer.waitFor(QByteArray("login: ")));
        peer.clear();
        peer.write("ubnt\r\n");
        ASSERT_TRUE(peer.waitFor(QByteArray("Password: ")));
        EXPECT_EQ(peer.received().startsWith("ubnt\r\n"), c.echoes) << peer.text().toStdString();
        peer.clear();
        peer.write("ubnt\r\n");
        ASSERT_TRUE(waitUntil([&] { return QByteArray(peer.received()).replace("\x1b[6n", "").endsWith("# "); }));
        EXPECT_FALSE(peer.received().contains("ubnt")) << "the password is not echoed";
        const QByteArray prompt = c.echoes ? "# \x1b[6n" : "# ";
        peer.clear();
        peer.write("uname\r\n");
        ASSERT_TRUE(waitUntil([&] { return peer.received().endsWith(prompt); }));
        EXPECT_EQ(peer.received().startsWith("uname\r\n"), c.echoes) << peer.text().toStdString();
        // No window size told: the line editor breaks at 80 columns.
        const QByteArray line(100, 'x');
        peer.clear();
        peer.write(line + "\r\n");
        ASSERT_TRUE(waitUntil([&] { return peer.received().endsWith(prompt); }));
        const qsizetype promptLength = c.family == std::string("iwconfig") ? 14 : 11;
        EXPECT_EQ(peer.received().startsWith(line.left(80 - promptLength) + "\r\r\n" + line.mid(80 - promptLength)),
                  c.echoes)
            << peer.text().toStdString();
        EXPECT_EQ(sim.statusText(QStringLiteral("echo")), c.echoes ? QStringLiteral("on") : QStringLiteral("off"));
    }
}

TEST(RadioSim, SignalFollowsTheBearing)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("radio"),
                          {QStringLiteral("--family"), QStringLiteral("airos"), QStringLiteral("--jitter"),
                           QStringLiteral("0"), QStringLiteral("--signal"), QStringLiteral("-50"),
                           QStringLiteral("--peak-bearing"), QStringLiteral("100"), QStringLiteral("--beamwidth"),
                           QStringLiteral("10"), QStringLiteral("--bearing"), QStringLiteral("100")}));
    PeerClient peer;
    ASSERT_TRUE(peer.connectTo(sim.port()));
    peer.write("\r\nubnt\r\nubnt\r\n");
    ASSERT_TRUE(peer.waitFor(QByteArray("XM.v6.2.0# ")));
    struct Step {
        const char *bearing;
        const char *signal;
    };
    // -12 dB x (error / beamwidth)^2, lost beyond twice the beamwidth.
    for (const Step &step : {Step{"100", "-50"}, Step{"105", "-53"}, Step{"90", "-62"}, Step{"460", "-50"},
                             Step{"120", "-98"}, Step{"121", "-120"}}) {
        ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("bearing ") + QLatin1String(step.bearing)));
        peer.clear();
        peer.write("mca-status\r\n");
        ASSERT_TRUE(waitUntil([&] { return peer.received().endsWith("XM.v6.2.0# "); }));
        EXPECT_TRUE(peer.received().contains(QByteArray("\r\nsignal=") + step.signal + "\r\n"))
            << "bearing " << step.bearing << ": " << peer.text().toStdString();
    }
    EXPECT_EQ(sim.statusText(QStringLiteral("model_signal")), QStringLiteral("-120.0"));
    EXPECT_TRUE(sim.controlAcknowledged(QStringLiteral("peak off")));
    EXPECT_EQ(sim.statusText(QStringLiteral("model_signal")), QStringLiteral("-50.0"));
    sim.control(QStringLiteral("bearing north"));
    EXPECT_FALSE(sim.waitForLine(QStringLiteral("error bearing north")).isEmpty());
}

TEST(RadioSim, MisreportOverridesTheSignalUntilOff)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("radio"), {QStringLiteral("--family"), QStringLiteral("airos"),
                                                     QStringLiteral("--jitter"), QStringLiteral("0"),
                                                     QStringLiteral("--signal"), QStringLiteral("-50")}));
    PeerClient peer;
    ASSERT_TRUE(peer.connectTo(sim.port()));
    peer.write("\r\nubnt\r\nubnt\r\n");
    ASSERT_TRUE(peer.waitFor(QByteArray("XM.v6.2.0# ")));
    for (const auto &[control, signal] : {std::pair{"misreport 30", "30"}, std::pair{"misreport -500", "-500"},
                                          std::pair{"misreport off", "-50"}}) {
        ASSERT_TRUE(sim.controlAcknowledged(QLatin1String(control)));
        peer.clear();
        peer.write("mca-status\r\n");
        ASSERT_TRUE(waitUntil([&] { return peer.received().endsWith("XM.v6.2.0# "); }));
        EXPECT_TRUE(peer.received().contains(QByteArray("\r\nsignal=") + signal + "\r\n")) << control;
    }
    sim.control(QStringLiteral("misreport loud"));
    EXPECT_FALSE(sim.waitForLine(QStringLiteral("error misreport loud")).isEmpty());
}

TEST(RadioSim, CountersMoveAndPushNeedsNoCommand)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("radio"), {QStringLiteral("--family"), QStringLiteral("iwconfig"),
                                                    QStringLiteral("--push-ms"), QStringLiteral("50")}));
    PeerClient peer;
    ASSERT_TRUE(peer.connectTo(sim.port()));
    peer.write("\r\nubnt\r\nubnt\r\n");
    const QRegularExpression rx(QStringLiteral("RX bytes:(\\d+)"));
    QList<qint64> counters;
    ASSERT_TRUE(waitUntil(
        [&] {
            counters.clear();
            for (auto it = rx.globalMatch(peer.text()); it.hasNext();)
                counters << it.next().captured(1).toLongLong();
            return counters.size() >= 3;
        },
        5000));
    EXPECT_LT(counters.at(0), counters.at(2));
}

TEST(RadioSim, JsonKeysExpireAndRebootCloses)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("radio"), {QStringLiteral("--family"), QStringLiteral("json")}));
    PeerClient peer;
    ASSERT_TRUE(peer.connectTo(sim.port()));
    peer.write("\r\nauth {\"username\":\"ubnt\",\"password\":\"ubnt\"}\r\n");
    ASSERT_TRUE(peer.waitFor(QByteArray("\",\"errorcode\":\"0\"}")));
    const QString key = QRegularExpression(QStringLiteral("\"secretkey\":\"(\\w+)\"")).match(peer.text()).captured(1);
    ASSERT_EQ(key.size(), 32);
    const QByteArray keyed = "{\"secretkey\": \"" + key.toLatin1() + "\" ";
    peer.clear();
    peer.write("getconfig " + keyed + "}\r\n");
    ASSERT_TRUE(peer.waitFor(QByteArray("\"firversion\":\"V2.3.1\",\"mac\":\"24:5a:4c:1e:7b:03\",\"voltage\":\"")));
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("expire-key")));
    peer.clear();
    peer.write("systeminfo " + keyed + "}\r\n");
    ASSERT_TRUE(peer.waitFor(QByteArray("{\"errorcode\":\"10\"}\r\nconsole :")));
    peer.write("\r\nauth {\"username\":\"ubnt\",\"password\":\"ubnt\"}\r\n");
    ASSERT_TRUE(peer.waitFor(QByteArray("\"secretkey\":\"")));
    const QString fresh = QRegularExpression(QStringLiteral("\"secretkey\":\"(\\w+)\"")).match(peer.text()).captured(1);
    EXPECT_NE(fresh, key);
    peer.clear();
    peer.write("tool {\"secretkey\": \"" + fresh.toLatin1() + "\" ,\"action\": \"reboot\"}\r\n");
    EXPECT_TRUE(peer.waitFor(QByteArray("{\"errorcode\":\"0\"}\r\nconsole :")));
    EXPECT_TRUE(peer.waitForDisconnect());
}

TEST(RadioSim, FaultsAndRecording)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("radio.bin"));
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("radio"), {QStringLiteral("--family"), QStringLiteral("airos"),
                                                    QStringLiteral("--record"), record}));
    PeerClient peer;
    ASSERT_TRUE(peer.connectTo(sim.port()));
    ASSERT_TRUE(peer.waitFor(QByteArray("login: ")));
    peer.write("\r\nubnt\r\nubnt\r\n");
    ASSERT_TRUE(peer.waitFor(QByteArray("XM.v6.2.0# ")));

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("split on")));
    peer.clear();
    peer.write("mca-status\r\n");
    ASSERT_TRUE(waitUntil([&] { return peer.received().endsWith("XM.v6.2.0# "); }));
    EXPECT_GE(peer.reads().size(), 2) << "a split reply arrives in pieces";

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("silent on")));
    peer.clear();
    const qint64 commands = sim.statusValue(QStringLiteral("commands"));
    peer.write("mca-status\r\n");
    // Read while silent, and still no answer a while later.
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("commands")) == commands + 1; }));
    EXPECT_FALSE(waitUntil([&] { return !peer.received().isEmpty(); }, 500));
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("silent off")));

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("long-line 300000")));
    ASSERT_TRUE(peer.waitForBytes(300000, 10000));
    EXPECT_FALSE(peer.received().contains('\n'));

    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\r\nubnt\r\nubnt\r\nmca-status\r\nmca-status\r\n"));

    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("drop")));
    EXPECT_TRUE(peer.waitForDisconnect());
}

} // namespace
