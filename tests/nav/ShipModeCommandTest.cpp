// The console commands that switch the ship modes on: the box shows, and
// the store keeps, the mode actually in force, against a board on 127.0.0.1.
#include "nav/AisStationFixture.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

// Vessel 413000000, heading 100; from (31 N, 121 E) the target below lies
// at a bearing of 250.
const QByteArray kHeading100 = "!AIVDM,1,1,,A,169oQ@0P1T8d;e0ApJ<3Q39p0000,0*0E\r\n";

void enter(Station &s, const QString &text)
{
    s.setControl(QStringLiteral("Combo2"), text);
    s.key(QStringLiteral("Combo2"), 13);
}

// Feeds one report and returns what reached the board up to a marker.
QByteArray driveOnce(AisStationFixture &f, Station &s)
{
    const qsizetype before = f.board.received.size();
    const qsizetype markers = f.board.received.count('#');
    s.serialAis.receive(kHeading100);
    s.controllerLink.send(QStringLiteral("#"));
    EXPECT_TRUE(waitUntil([&] { return f.board.received.count('#') > markers; }, 5000));
    return f.board.received.mid(before).chopped(1);
}

TEST(ShipModeCommands, TheDriveBoxIsTickedOnlyTogetherWithTheDrive)
{
    AisStationFixture f;
    f.settings().write(keys::USE_SHIP_MMSI, QStringLiteral("413000000"));
    f.settings().write(keys::USE_SHIP_AIS_DRIVE, QStringLiteral("0"));
    Station &s = f.start();
    f.driveTowards(30.8278, 120.4528);
    s.ais.aisDrive = false;

    // A refused value switches nothing on.
    enter(s, QStringLiteral("AIS=1"));
    EXPECT_EQ(s.display.SHIP_AIS_DRIVE.value(), 0);
    EXPECT_FALSE(s.display.SHIP_AIS_DRIVE.visible());
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_DRIVE), QStringLiteral("0"));
    EXPECT_EQ(driveOnce(f, s), QByteArray());

    // The bare word with a ship to follow switches the drive on, for real.
    enter(s, QStringLiteral("AIS"));
    EXPECT_EQ(s.display.SHIP_AIS_DRIVE.value(), 1);
    EXPECT_TRUE(s.display.SHIP_AIS_DRIVE.visible());
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_DRIVE), QStringLiteral("1"));
    EXPECT_EQ(driveOnce(f, s), QByteArray("r150.00\r\n"));

    // Unticked by hand: off, shown off, stored off.
    s.setControl(QStringLiteral("SHIP_AIS_DRIVE"), QStringLiteral("0"));
    EXPECT_FALSE(s.ais.aisDrive);
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_DRIVE), QStringLiteral("0"));
    EXPECT_EQ(driveOnce(f, s), QByteArray());

    // Ticked by hand (the headless :set): the drive is on as the box says.
    s.setControl(QStringLiteral("SHIP_AIS_DRIVE"), QStringLiteral("1"));
    EXPECT_TRUE(s.ais.aisDrive);
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_DRIVE), QStringLiteral("1"));
    EXPECT_EQ(driveOnce(f, s), QByteArray("r150.00\r\n"));
}

TEST(ShipModeCommands, NoModeGoesOnWithoutAShipToFollow)
{
    AisStationFixture f;
    Station &s = f.start();
    for (const char *typed : {"ais", "AIS", "mmsi", "MMSI", "mmsi=12345", "ais=800000000"}) {
        enter(s, QString::fromLatin1(typed));
        EXPECT_EQ(s.display.SHIP_AIS_DRIVE.value(), 0) << typed;
        EXPECT_EQ(s.display.CHK_SHIP_AIS.value(), 0) << typed;
        EXPECT_FALSE(s.ais.aisDrive) << typed;
        EXPECT_FALSE(s.ais.shipToShip) << typed;
        EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS_DRIVE), QString()) << typed;
        EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS), QString()) << typed;
    }
    // A good value switches its own mode on.
    enter(s, QStringLiteral("mmsi=412345678"));
    EXPECT_EQ(s.display.CHK_SHIP_AIS.value(), 1);
    EXPECT_TRUE(s.ais.shipToShip);
    EXPECT_EQ(f.settings().read(keys::USE_SHIP_AIS), QStringLiteral("1"));
    EXPECT_FALSE(s.ais.aisDrive);
}

} // namespace
