// The report's request bytes on the wire, for each form and each rule of
// the query, against a loopback server.
#include "CloudFixture.h"

#include "support/ClosedPort.h"

#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

// Figures every row starts from; a row changes what it is about.
void typicalFigures(Station &s)
{
    s.radio.radioMac = QStringLiteral("00156D0A1B2C");
    s.display.Ship.setText(QStringLiteral("  Ship 1#\r\n"));
    s.display.Lbl_ALARM.setText(QString());
    s.controllerStatus.OwnLatitude = 31.2304123;
    s.controllerStatus.OwnLongitude = 121.473701;
    s.radioStats.signalDbm = -75;
    s.radioStats.chainDeltaDb = 3;
    s.radioStats.noiseDbm = -96;
    s.radioStats.capacityDownMbps = 300;
    s.radioStats.capacityUpMbps = 280.5;
    s.radioStats.rxMbps = 45.678;
    s.radioStats.txMbps = 12.3;
    s.controllerStatus.Speed = 18.52;
    s.controllerStatus.DistanceKm = 12.345;
    s.controllerStatus.Heading = 87.6;
    s.ais.aisHeading = 7;
    s.controllerStatus.LastCompass = 90.5;
}

const QByteArray kIdentity = "mac=00156D0A1B2C&name=Ship%201%23&lat=31.2304123&lng=121.473701";
const QByteArray kTail = "&knot=10&km=12.345&ang=87.6&com=90.5&note=";

struct Row {
    const char *name;
    std::function<void(Station &)> change;
    bool radioConnected;
    QByteArray query;
    std::function<void(const Station &)> after = {};
};

const Row kRows[] = {
    {"Typical", {}, true,
     kIdentity + "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30" + kTail},
    {"NoSignalIsSentAsZero", [](Station &s) { s.radioStats.signalDbm = -120; }, true,
     kIdentity + "&sign=0&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30" + kTail},
    {"WeakestSignalShown", [](Station &s) { s.radioStats.signalDbm = -119; }, true,
     kIdentity + "&sign=-119&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30" + kTail},
    {"BelowNoSignalLeavesTheKeyOut", [](Station &s) { s.radioStats.signalDbm = -121; }, true,
     kIdentity + "&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30" + kTail},
    {"ThroughputClampedInPlace",
     [](Station &s) {
         s.radioStats.rxMbps = 1500;
         s.radioStats.txMbps = -2;
     },
     true, kIdentity + "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=350.00&uspd=0.00" + kTail,
     [](const Station &s) {
         EXPECT_EQ(s.radioStats.rxMbps, 350.0);
         EXPECT_EQ(s.radioStats.txMbps, 0.0);
     }},
    {"ThroughputJustBelowTheCeilingKept",
     [](Station &s) {
         s.radioStats.rxMbps = 999.999;
         s.radioStats.txMbps = 1000;
     },
     true, kIdentity + "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=1000.00&uspd=350.00" + kTail},
    {"KnotsHalfGoesToEven", [](Station &s) { s.controllerStatus.Speed = 2.315; }, true, // 1.25 knots
     kIdentity + "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30"
                 "&knot=1.2&km=12.345&ang=87.6&com=90.5&note="},
    {"HeadingZeroTakesTheAisHeading",
     [](Station &s) {
         s.controllerStatus.Heading = 0;
         s.ais.aisHeading = 123;
     },
     true,
     kIdentity + "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30"
                 "&knot=10&km=12.345&ang=123&com=90.5&note="},
    {"ChineseNameAndAlarmInTheCodePage",
     [](Station &s) {
         s.display.Ship.setText(QStringLiteral("远洋1号"));
         s.display.Lbl_ALARM.setText(QStringLiteral(" 电机告警:\r\n过流 "));
     },
     true,
     "mac=00156D0A1B2C&name=%D4%B6%D1%F31%BA%C5&lat=31.2304123&lng=121.473701"
     "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30"
     "&knot=10&km=12.345&ang=87.6&com=90.5&note=%B5%E7%BB%FA%B8%E6%BE%AF%3A%20%B9%FD%C1%F7"},
    {"CpeReportsItsOwnNameAndStatus",
     [](Station &s) {
         s.radio.RadioFamily = RadioFamilyCpe;
         s.radio.loggedIn = true;
         s.radio.cpeStatusText = QStringLiteral(" REG_HOME ");
         s.display.Lbl_ALARM.setText(QStringLiteral("not sent"));
     },
     false,
     "mac=00156D0A1B2C&name=5G%B6%AF%D6%D0%CD%A8&lat=31.2304123&lng=121.473701"
     "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30" + kTail + "REG_HOME"},
    {"LoggedInWithoutTheSocketSendsTheLostForm", [](Station &s) { s.radio.loggedIn = true; }, false,
     kIdentity + "&sign=&delta=&noise=&dcap=&ucap=&dspd=&uspd=&knot=&km=&ang=&com=&note=WIRELESS%20LOST"},
    {"MacOutsideHexIsEscaped", [](Station &s) { s.radio.radioMac = QStringLiteral("00 15\r\n"); }, true,
     "mac=00%2015%0D%0A&name=Ship%201%23&lat=31.2304123&lng=121.473701"
     "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30" + kTail},
};

class CloudRequest : public CloudFixture, public ::testing::WithParamInterface<Row> {};

TEST_P(CloudRequest, BytesOnTheWire)
{
    const Row &row = GetParam();
    typicalFigures(*station);
    if (row.change)
        row.change(*station);
    if (row.radioConnected) {
        ASSERT_TRUE(connectRadio());
    }
    tick();
    ASSERT_TRUE(waitForRequests(nameServer));
    EXPECT_EQ(nameServer.received, request(row.query, loopback(nameServer)));
    EXPECT_EQ(nameServer.accepted, 1);
    EXPECT_EQ(station->cloud.connectHost, loopback(nameServer));
    if (row.after)
        row.after(*station);
}

INSTANTIATE_TEST_SUITE_P(Forms, CloudRequest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row> &info) { return std::string(info.param.name); });

TEST_F(CloudFixture, RadioLostOpensNoConnectionAndItsReportGoesAheadOfTheCurrentOneOnceTheRadioIsBack)
{
    typicalFigures(*station);
    tick();
    station->controllerStatus.OwnLatitude = 31.5;
    tick(); // the later of the two lost reports is the one kept
    const QByteArray lost = request(
        "mac=00156D0A1B2C&name=Ship%201%23&lat=31.5&lng=121.473701"
        "&sign=&delta=&noise=&dcap=&ucap=&dspd=&uspd=&knot=&km=&ang=&com=&note=WIRELESS%20LOST",
        loopback(nameServer));
    EXPECT_EQ(station->Winsock_Cloud.State(), TcpLink::Closed);

    // The radio is back: the held report, answered, then this tick's own,
    // each on a connection of its own.
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_TRUE(waitForRequests(nameServer));
    EXPECT_EQ(nameServer.received, lost);
    EXPECT_EQ(nameServer.accepted, 1) << "no connection was opened while the radio was down";
    nameServer.sendToAll("HTTP/1.1 200 OK\r\n\r\n");
    ASSERT_TRUE(waitForRequests(nameServer, 2));
    const QByteArray current = request(
        "mac=00156D0A1B2C&name=Ship%201%23&lat=31.5&lng=121.473701"
        "&sign=-75&delta=3&noise=-96&dcap=300&ucap=280.5&dspd=45.68&uspd=12.30" + kTail,
        loopback(nameServer));
    EXPECT_EQ(nameServer.received, lost + current);
    EXPECT_EQ(nameServer.accepted, 2);
    nameServer.sendToAll("HTTP/1.1 200 OK\r\n\r\n");
    ASSERT_TRUE(waitUntil([&] { return station->Winsock_Cloud.State() == TcpLink::Closed; }));
    EXPECT_TRUE(station->cloud.heldRequest.isEmpty());

    // Sent once: the next tick carries only its own report.
    tick();
    ASSERT_TRUE(waitForRequests(nameServer, 3));
    EXPECT_EQ(nameServer.received, lost + current + current);
    EXPECT_FALSE(logText().contains(QStringLiteral("云平台Winsock状态异常")));
}

TEST_F(CloudFixture, HeldReportThatCouldNotGoOutWaitsForTheNextTick)
{
    typicalFigures(*station);
    tick(); // radio down: held
    const ClosedPort closed;
    fx.settings->write(cloudserver::CLOUD_SERVER_NAME, QStringLiteral("127.0.0.1:%1").arg(closed.port()));
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_TRUE(waitUntil([&] { return station->display.Label_NOTE.text().startsWith(QStringLiteral("云平台")); }));
    EXPECT_TRUE(station->cloud.heldRequest.contains(QStringLiteral("WIRELESS%20LOST")));
    EXPECT_TRUE(station->cloud.queuedRequests.isEmpty()) << "one refusal a tick";

    fx.settings->write(cloudserver::CLOUD_SERVER_NAME, loopback(nameServer));
    tick();
    ASSERT_TRUE(waitForRequests(nameServer));
    EXPECT_TRUE(nameServer.received.contains("note=WIRELESS%20LOST"));
}

TEST_F(CloudFixture, HeldReportStillConnectingAtTheNextTickGoesThen)
{
    typicalFigures(*station);
    tick(); // radio down: held
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_EQ(station->Winsock_Cloud.State(), TcpLink::Connecting);
    tick(); // before the held report's connect could complete
    EXPECT_TRUE(logText().contains(QStringLiteral("云平台Winsock状态异常，强制关闭，原状态码：6\r\n")));
    ASSERT_TRUE(waitForRequests(nameServer));
    EXPECT_TRUE(nameServer.received.startsWith("GET /ship/?mac=00156D0A1B2C&name=Ship%201%23&lat=31.2304123"
                                               "&lng=121.473701&sign=&delta="));
    nameServer.sendToAll("HTTP/1.1 200 OK\r\n\r\n");
    ASSERT_TRUE(waitForRequests(nameServer, 2));
    EXPECT_EQ(nameServer.received.count("WIRELESS%20LOST"), 1);
}

TEST_F(CloudFixture, ServerSilentUntilTheNextTickIsClosedAndTheNewReportGoesOnAFreshConnection)
{
    typicalFigures(*station);
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_TRUE(waitForRequests(nameServer));
    station->controllerStatus.OwnLatitude = 31.5;
    tick();
    EXPECT_TRUE(logText().contains(QStringLiteral("云平台Winsock状态异常，强制关闭，原状态码：7\r\n")))
        << qPrintable(logText());
    ASSERT_TRUE(waitForRequests(nameServer, 2));
    EXPECT_EQ(nameServer.accepted, 2);
    EXPECT_EQ(nameServer.received.count("lat=31.2304123"), 1) << "the unanswered report is not sent again";
    EXPECT_EQ(nameServer.received.count("lat=31.5&"), 1);
}

TEST_F(CloudFixture, ConnectLeftPendingIsClosedAndLoggedByTheNextTick)
{
    typicalFigures(*station);
    ASSERT_TRUE(connectRadio());
    tick();
    ASSERT_EQ(station->Winsock_Cloud.State(), TcpLink::Connecting);
    tick(); // before the first connect could complete
    EXPECT_TRUE(logText().contains(QStringLiteral("云平台Winsock状态异常，强制关闭，原状态码：6\r\n")))
        << qPrintable(logText());
    ASSERT_TRUE(waitForRequests(nameServer));
    EXPECT_EQ(nameServer.received.count("GET /ship/"), 1);
}

TEST_F(CloudFixture, TickQueriesTheBoardOnlyWhileReporting)
{
    ASSERT_TRUE(connectTo(station->Winsock2, board));
    ASSERT_TRUE(connectRadio());
    station->cloud.reporting = false;
    tick();
    station->cloud.reporting = true;
    tick();
    ASSERT_TRUE(waitUntil([&] { return board.received.size() >= 3; }));
    EXPECT_EQ(board.received, QByteArray("g\r\n")) << "one query, from the reporting tick";
    EXPECT_TRUE(waitUntil([&] { return nameServer.accepted == 1; }));
}

TEST_F(CloudFixture, CloudBoxStoresTheSettingAndSwitchesReporting)
{
    station->cloud.reporting = false;
    ASSERT_TRUE(station->setControl(QStringLiteral("Cloud"), QStringLiteral("1")));
    EXPECT_TRUE(station->cloud.reporting);
    EXPECT_EQ(fx.settings->read(keys::KORVANE_CLOUD), QStringLiteral("1"));
    ASSERT_TRUE(station->click(QStringLiteral("Cloud")));
    EXPECT_FALSE(station->cloud.reporting);
    EXPECT_EQ(station->display.Cloud.value(), 0);
    EXPECT_EQ(fx.settings->read(keys::KORVANE_CLOUD), QStringLiteral("0"));
}

} // namespace
