// The arithmetic and texts of a ship-to-ship drive: the relative angle and
// its command, the positions that block it, the target command, and the
// service's reply read by markers.
#include "geo/AisDecoder.h"
#include "nav/ShipDrive.h"
#include "nav/ShipReport.h"
#include "nav/ShipService.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct DriveCase {
    double heading;
    double bearing;
    double correction;
    const char *command;
};

TEST(ShipDrive, RelativeAngleBecomesTheCommandOnTheWire)
{
    const DriveCase cases[] = {
        {100, 250.0, 0, "r150.00"},
        {10, 350.5, -5, "r345.50"},
        {350, 5, 20, "r-5.00"},      // 365 folds to 5
        {1, 359.9, -99, "r97.90"},   // -457.9 folds to -97.9
        {90, 90, 0, "r0.00"},        // never "-0.00"
        {100, 100.004, 0, "r0.00"},
        {100, 112.345, 0, "r12.35"}, // an exact half goes away from zero
        {200, 12.3, 3, "r-190.70"},
    };
    for (const DriveCase &c : cases) {
        EXPECT_EQ(driveCommand(relativeAngle(c.heading, c.bearing, c.correction)), QString::fromLatin1(c.command))
            << c.heading << " " << c.bearing << " " << c.correction;
    }
}

TEST(ShipDrive, FoldsOnceEachWayAndNoMore)
{
    EXPECT_DOUBLE_EQ(relativeAngle(360, 0, 0), 360);
    EXPECT_DOUBLE_EQ(relativeAngle(361, 0, 0), 1);
    EXPECT_DOUBLE_EQ(relativeAngle(800, 0, 0), 440);
    EXPECT_DOUBLE_EQ(relativeAngle(0, 360, 0), -360);
    EXPECT_DOUBLE_EQ(relativeAngle(0, 361, 0), -1);
    EXPECT_DOUBLE_EQ(relativeAngle(0, 800, 0), -440);
}

TEST(ShipDrive, AnIntegerPartOfZeroBlocksTheDrive)
{
    struct Case {
        double ownLat, ownLon, targetLat, targetLon;
        bool usable;
    };
    const Case cases[] = {
        {31.2, 121.4, 31.5, 121.5, true},
        {31.2, 121.4, 0.4, 121.5, false},  // 0.4 rounds down to 0
        {31.2, 121.4, -0.4, 121.5, true},  // -0.4 rounds down to -1
        {31.2, 121.4, 31.5, 0.99, false},
        {0.0, 121.4, 31.5, 121.5, false},  // own position not known yet
        {31.2, 0.5, 31.5, 121.5, false},
        {-0.4, -0.4, -0.4, -0.4, true},
        {1, 1, 1, 1, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(positionsUsable(c.ownLat, c.ownLon, c.targetLat, c.targetLon), c.usable)
            << c.ownLat << " " << c.ownLon << " " << c.targetLat << " " << c.targetLon;
}

TEST(ShipDrive, TargetCommandCountsItsOwnLength)
{
    struct Case {
        double lon, lat, mmsi;
        const char *command;
    };
    const Case cases[] = {
        {121.5, 31.25, 413000000, "p1 j121.5 w31.25 d15 mmsi413000000 *38"},
        {-0.5, -33.123456, 412345678, "p1 j-0.5 w-33.123456 d15 mmsi412345678 *42"},
        {0.1 + 0.2, 30, 1, "p1 j0.3 w30 d15 mmsi1 *25"},
        {121.123456789012, 31.1234567890123, 413000000,
         "p1 j121.123456789012 w31.1234567890123 d15 mmsi413000000 *60"},
    };
    for (const Case &c : cases) {
        const QString command = targetCommand(c.lon, c.lat, c.mmsi);
        EXPECT_EQ(command, QString::fromLatin1(c.command));
        EXPECT_EQ(command.size(), command.section(u'*', 1).toInt()) << "two-digit n is the line's length";
    }
}

const QString kReply = QStringLiteral(
    R"({"status":0,"msg":"成功","total":1,"data":[{"mmsi":"413000000","shipid":"413000000","imo":"0",)"
    R"("name":"KORVANE TEST","matchtype":1,"callsign":"BKRV","lon":121500000,"lat":31250000,"sog":5145,)"
    R"("cog":9050,"hdg":9050,"rot":0,"navistatus":0,"lastdyn":1714536000,"satelliteutc":1714536000,)"
    R"("length":120,"width":20,"dest":"SHANGHAI"}]})");

TEST(ShipReply, ReadsEveryFieldBetweenItsMarkers)
{
    const ShipReport r = parseShipReply(kReply);
    EXPECT_TRUE(r.found);
    ASSERT_TRUE(r.reportTime.has_value());
    EXPECT_EQ(*r.reportTime, 1714536000);
    EXPECT_EQ(r.name, QStringLiteral("KORVANE TEST"));
    EXPECT_EQ(r.mmsi, 413000000);
    EXPECT_DOUBLE_EQ(r.longitude, 121.5);
    EXPECT_DOUBLE_EQ(r.latitude, 31.25);
    EXPECT_DOUBLE_EQ(r.knots, 10.0);
    EXPECT_DOUBLE_EQ(r.course, 90.5);
    EXPECT_DOUBLE_EQ(r.heading, 90.5);
    EXPECT_EQ(r.headingText, QStringLiteral("9050"));
}

TEST(ShipReply, EdgeReplies)
{
    const ShipReport notFound = parseShipReply(QStringLiteral(R"({"status":0,"msg":"成功","total":0,"data":[]})"));
    EXPECT_FALSE(notFound.found);
    EXPECT_EQ(notFound.reportTime, 0) << "no marker reads as 0";

    QString noHeading = kReply;
    noHeading.replace(QStringLiteral("\"hdg\":9050"), QStringLiteral("\"hdg\":51100"));
    const ShipReport r511 = parseShipReply(noHeading);
    EXPECT_DOUBLE_EQ(r511.heading, 511);
    EXPECT_EQ(r511.headingText, QStringLiteral("51100"));

    QString tooLate = kReply;
    tooLate.replace(QStringLiteral("\"lastdyn\":1714536000"), QStringLiteral("\"lastdyn\":99999999999"));
    EXPECT_FALSE(parseShipReply(tooLate).reportTime.has_value()) << "a time past 32 bits is no time";

    // Another key order: the markers find nothing and the values are zeros.
    const ShipReport other = parseShipReply(QStringLiteral(R"({"lat":31250000,"lon":121500000,"shipid":"1","mmsi":"2"})"));
    EXPECT_FALSE(other.found);
    EXPECT_EQ(other.latitude, 0);
    EXPECT_EQ(other.longitude, 0);

    EXPECT_FALSE(parseShipReply(QString()).found);
    EXPECT_FALSE(parseShipReply(QStringLiteral("<html>502 Bad Gateway</html>")).found);
}

TEST(ShipReply, ReportLineInTheStationsTime)
{
    const ShipReport r = parseShipReply(kReply);
    EXPECT_EQ(shipReportLine(QStringLiteral("目标船舶："), r, AisTime(*r.reportTime)),
              QStringLiteral("目标船舶：2024-05-01 12:00:00 KORVANE TEST,MMSI413000000, 坐标31.25,121.5, 航速10.0, "
                             "航向90.5, 艏向90.5\r\n"));
}

TEST(ShipServiceAddress, BaseAndLookupAddresses)
{
    struct Case {
        const char *stored;
        const char *lookup; // empty: refused
    };
    const Case cases[] = {
        {"", "http://127.0.0.1:8086/openapi/getship"},
        {"  ", "http://127.0.0.1:8086/openapi/getship"},
        {"127.0.0.1:9000", "http://127.0.0.1:9000/openapi/getship"},
        {"http://127.0.0.1:9000/", "http://127.0.0.1:9000/openapi/getship"},
        {"https://ships.example.org/api/", "https://ships.example.org/api/openapi/getship"},
        {"ftp://127.0.0.1", ""},
        {"http://", ""},
        {"http://127.0.0.1/?x=1", ""},
    };
    for (const Case &c : cases) {
        const QUrl base = shipServiceBase(QString::fromLatin1(c.stored));
        EXPECT_EQ(base.isEmpty() ? QString() : shipLookupUrl(base).toString(), QString::fromLatin1(c.lookup))
            << c.stored;
    }
}

} // namespace
