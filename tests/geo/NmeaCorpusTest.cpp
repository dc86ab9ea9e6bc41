// The NMEA parser against RMC and GGA sentences captured in the field
// (gpsd's test logs) and the positions gpsd decoded from them; see the
// SOURCES.md beside the data.
#include "geo/NmeaParser.h"

#include "TestData.h"

#include <QHash>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::CsvTable;
using korvane::test::testDataLines;

namespace {

TEST(NmeaCorpus, EverySentenceWithAValidChecksumGivesItsPosition)
{
    const CsvTable truth(QStringLiteral("nmea/nmea_pos_truth.csv"));
    ASSERT_EQ(truth.size(), 528);
    QHash<QString, NmeaPosition> fixWithoutTruth; // file and time -> position
    int refused = 0;
    for (qsizetype r = 0; r < truth.size(); ++r) {
        const auto column = [&](const char *name) { return truth.value(r, QString::fromLatin1(name)); };
        const std::optional<NmeaPosition> position = ParseNMEAData(column("sentence") + QStringLiteral("\r\n"));
        SCOPED_TRACE(column("sentence").toStdString());
        if (column("checksum") != u"ok") {
            EXPECT_FALSE(position);
            ++refused;
            continue;
        }
        ASSERT_TRUE(position);
        if (!column("lat_deg_gpsd").isEmpty()) {
            EXPECT_NEAR(position->latitude, column("lat_deg_gpsd").toDouble(), 1e-9);
            EXPECT_NEAR(position->longitude, column("lon_deg_gpsd").toDouble(), 1e-9);
        } else if (column("fix_valid") == u"1") {
            // No gpsd report for this time: its RMC and its GGA must agree.
            const QString key = column("file") + column("utc");
            if (fixWithoutTruth.contains(key))
                EXPECT_EQ(*position, fixWithoutTruth.value(key));
            else
                fixWithoutTruth.insert(key, *position);
        } else {
            // No fix: the status is not looked at, so what the fields hold is
            // read: empty or zero fields, or one receiver's 360/720 filler.
            EXPECT_TRUE(*position == (NmeaPosition{0, 0}) || *position == (NmeaPosition{360, 720}));
        }
    }
    EXPECT_EQ(refused, 23); // the firefly log's GGA sentences
    EXPECT_EQ(fixWithoutTruth.size(), 4);
}

TEST(NmeaCorpus, WholeLogAsOneChunkGivesItsFirstGoodSentence)
{
    const CsvTable truth(QStringLiteral("nmea/nmea_pos_truth.csv"));
    const QStringList logs = {QStringLiteral("nmea/gpsd_firefly-II.log"),
                              QStringLiteral("nmea/gpsd_nmea-fuzzy-cases.log"),
                              QStringLiteral("ais/gpsd_ais-nmea.log")};
    for (const QString &log : logs) {
        const QString file = log.section(u'/', 1);
        qsizetype first = 0;
        while (truth.value(first, QStringLiteral("file")) != file
               || truth.value(first, QStringLiteral("checksum")) != u"ok")
            ++first;
        // Mixed content: comments, other sentences, AIS, bad checksums.
        const std::optional<NmeaPosition> position =
            ParseNMEAData(testDataLines(log).join(QStringLiteral("\r\n")));
        ASSERT_TRUE(position) << log.toStdString();
        EXPECT_NEAR(position->latitude, truth.value(first, QStringLiteral("lat_deg_gpsd")).toDouble(), 1e-9);
        EXPECT_NEAR(position->longitude, truth.value(first, QStringLiteral("lon_deg_gpsd")).toDouble(), 1e-9);
    }
}

} // namespace
