// Every command the station puts on the controller link, taken from the
// station's own builders, must be understood by the simulated board: a
// refused one would show the demo's terminal an error and leave the board
// untouched where the real device acts.
#include "support/PeerClient.h"
#include "support/SimProcess.h"
#include "support/Wait.h"

#include "controller/BaseImport.h"
#include "controller/InitSequence.h"
#include "controller/ManualDrive.h"
#include "nav/ShipDrive.h"
#include "optimise/SignalComparison.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::PeerClient;
using korvane::test::SimProcess;
using korvane::test::waitUntil;

namespace {

struct Sent {
    QString command;
    bool bare = false; // sent without CR LF; the board's quiet gap ends it
};

QList<Sent> stationCommands()
{
    QList<Sent> table;
    const QStringList words{"p", "c", "?", "R", "g", "T", "o"}; // console, queries, watchdogs
    for (const QString &w : words)
        table << Sent{w};
    for (const QString &row : InitSequence::rowCommands())
        // The script sends the receiver rate and the mounting angle bare.
        table << Sent{row, row == QLatin1String("g2") || row == QLatin1String("cb0.01")};
    for (const double rel : {-10.4, 0.0, 12.0, -320.0})
        table << Sent{ManualDrive::offsetCommand(rel)};
    for (const int degrees : {-1, 2, -6, 14, -14})
        table << Sent{SignalComparison::turnCommand(degrees)};
    for (const double rel : {-150.0, 5.0, 345.5})
        table << Sent{driveCommand(rel)};
    table << Sent{targetCommand(121.5, 31.25, 413000000)} << Sent{targetCommand(-70.123456, -33.5, 725000001)}
          << Sent{targetCommand(8.25, 54.0, 211234560)};
    const QByteArray pointIni = "; stations\r\np1j114.111111w23.222222d50\r\nP2j113.5w22.25d30\r\n"
                                "Z1 P1 N23.50000 W113.00000 S22.000000 E114.000000\r\n";
    const QStringList imported = BaseImport::commandLines(pointIni);
    for (const QString &line : imported)
        table << Sent{line};
    table << Sent{QStringLiteral("T") + QString::number(imported.size())};
    // Target entry (text as typed), the relayed radio key.
    table << Sent{QStringLiteral("w89.999")} << Sent{QStringLiteral("j-179.5")}
          << Sent{QStringLiteral("se:0123456789abcdef0123456789abcdef(192.168.1.20)")};
    return table;
}

TEST(BoardAcceptsStationCommands, NoCommandIsRefused)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", {"--interval-ms", "100", "--speed", "0", "--gap-ms", "150"}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    for (const Sent &sent : stationCommands()) {
        station.clear();
        station.write(sent.command.toUtf8() + (sent.bare ? QByteArray() : QByteArrayLiteral("\r\n")));
        const QByteArray echo = QByteArrayLiteral("命令:") + sent.command.toUtf8() + "\r\n";
        ASSERT_TRUE(station.waitFor(echo)) << qPrintable(sent.command);
        // The answer follows its echo in the same write, ending in CR LF.
        QByteArray answer;
        ASSERT_TRUE(waitUntil([&] {
            const QByteArray got = station.received();
            answer = got.mid(got.indexOf(echo) + echo.size());
            return answer.contains("\r\n");
        })) << qPrintable(sent.command);
        answer = answer.left(answer.indexOf("\r\n"));
        EXPECT_FALSE(answer.startsWith("参数错误")) << qPrintable(sent.command);
        EXPECT_FALSE(answer.startsWith("未知命令")) << qPrintable(sent.command);
    }
}

TEST(BoardAcceptsStationCommands, TheShipTargetBecomesTheAimAndItsLengthIsChecked)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start("board", {"--interval-ms", "100", "--speed", "0"}));
    PeerClient station;
    ASSERT_TRUE(station.connectTo(sim.port()));
    const QString aimedAtBase = sim.statusText(QStringLiteral("goal"));
    ASSERT_FALSE(aimedAtBase.isEmpty());
    station.write(targetCommand(121.5, 31.25, 413000000).toUtf8() + "\r\n");
    ASSERT_TRUE(station.waitFor(QStringLiteral("命令:p1 j121.5 w31.25 d15 mmsi413000000 *38\r\n参数已设置")));
    EXPECT_NE(sim.statusText(QStringLiteral("goal")), aimedAtBase);
    station.clear();
    station.write("p1 j121.5 w31.25 d15 mmsi413000000 *39\r\n");
    EXPECT_TRUE(station.waitFor(QStringLiteral("*39\r\n参数错误")));
    station.clear();
    station.write("T\r\n");
    EXPECT_TRUE(station.waitFor(QStringLiteral("命令:T\r\n当前基站数量0,设置的参数")));
}

} // namespace
