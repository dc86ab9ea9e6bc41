// The survey on a 5G CPE installation: the simulated CPE answers on its web
// port, the console port is closed, and the simulated board takes the steps.
#include "OptimiseFixture.h"

#include "support/ClosedPort.h"
#include "support/Files.h"
#include "support/SimProcess.h"

#include "model/RadioSessionState.h"

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(AutoScanWithCpe, StepsOnACpeThatNeverOpensTheConsoleSocket)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("board.bin"));
    SimProcess board;
    ASSERT_TRUE(board.start(QStringLiteral("board"), {"--interval-ms", "200", "--speed", "0", "--record", record}));
    SimProcess cpe;
    ASSERT_TRUE(cpe.start(QStringLiteral("cpe")));
    ClosedPort console;
    StationFixture f;
    Station &s = f.start();
    stopTimers(s);
    s.display.Text3.setText(QStringLiteral("http://127.0.0.1:%1").arg(cpe.port()));
    s.Winsock1.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock1.RemotePort = console.port();
    s.Winsock1.Connect();
    s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock2.RemotePort = board.port();
    s.Winsock2.Connect();
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == TcpLink::Connected; }));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock1.State() != TcpLink::Connecting; }));
    ASSERT_NE(s.Winsock1.State(), TcpLink::Connected);

    runRadioTick(s); // recognises the CPE and reads it
    ASSERT_EQ(s.radio.RadioFamily, RadioFamilyCpe);
    ASSERT_TRUE(s.radio.loggedIn);
    ASSERT_EQ(s.display.Text1.text(), QStringLiteral("-85"));

    s.autoScan.autoscan();
    for (int i = 0; i < 3; ++i)
        s.Timer_AutoScan_Timer();
    const QByteArray steps = "[P0H-30V0]\r\n[P0H-29V0]\r\n[P0H-28V0]\r\n";
    EXPECT_TRUE(waitUntil([&] { return readFile(record).contains(steps); })) << readFile(record).constData();
    EXPECT_FALSE(f.logText().contains(QStringLiteral("当前通信异常")));
    EXPECT_TRUE(s.display.Label_NOTE.text().contains(QStringLiteral("当前扫描角度-29信号强度值：-85")))
        << qPrintable(s.display.Label_NOTE.text());

    // The CPE dies: it is reachable no more, and the survey takes no step on
    // the reading it left behind.
    cpe.stop();
    runRadioTick(s);
    EXPECT_FALSE(s.radio.loggedIn);
    EXPECT_TRUE(s.radio.figuresStale);
    const auto offset = s.optimisation.scanOffset;
    s.Timer_AutoScan_Timer();
    EXPECT_EQ(s.optimisation.scanOffset, offset);
}

} // namespace
