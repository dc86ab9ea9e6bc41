// The AIS decoder against sentences captured in the field (gpsd's test
// logs) and their decoded truth; see the SOURCES.md beside the data.
#include "geo/AisDecoder.h"

#include "TestData.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::CsvTable;
using korvane::test::testDataLines;

namespace {

const QStringList kLogs = {
    QStringLiteral("gpsd_sample.aivdm"), QStringLiteral("gpsd_ais-nmea.log"),
    QStringLiteral("gpsd_ais-raw-messages.log"), QStringLiteral("gpsd_ais-18-27.log")};

constexpr qint64 kLongitudeNotAvailable = 108600000;
constexpr qint64 kLatitudeNotAvailable = 54600000;

double expectedCoordinate(const QString &raw, qint64 notAvailable)
{
    // The truth gives 181 / 91 degrees here; the station's rule is "none".
    const qint64 value = raw.toLongLong();
    return value == notAvailable ? AisFix::kNoCoordinate : value / 600000.0;
}

TEST(AisCorpus, PositionReportsDecodeToTheirTruth)
{
    const CsvTable truth(QStringLiteral("ais/aivdm_pos_truth.csv"));
    ASSERT_EQ(truth.size(), 313);
    for (qsizetype r = 0; r < truth.size(); ++r) {
        const QString sentence = truth.value(r, QStringLiteral("sentence"));
        const AisFix fix = DecodeAIS(sentence);
        SCOPED_TRACE(sentence.toStdString());
        EXPECT_EQ(fix.mmsi, truth.value(r, QStringLiteral("mmsi")).toInt());
        // 511 (not available) stays 511; the two 360s sent are no heading (-1).
        const int heading = truth.value(r, QStringLiteral("heading")).toInt();
        EXPECT_EQ(fix.heading, heading > 359 && heading != 511 ? -1 : heading);
        EXPECT_EQ(fix.longitude, expectedCoordinate(truth.value(r, QStringLiteral("lon_raw_1e-4min")),
                                                    kLongitudeNotAvailable));
        EXPECT_EQ(fix.latitude, expectedCoordinate(truth.value(r, QStringLiteral("lat_raw_1e-4min")),
                                                   kLatitudeNotAvailable));
    }
}

TEST(AisCorpus, EveryOtherAisSentenceGivesTheEmptyFix)
{
    const CsvTable truth(QStringLiteral("ais/aivdm_pos_truth.csv"));
    QSet<QString> positionLines;
    for (qsizetype r = 0; r < truth.size(); ++r)
        positionLines.insert(truth.value(r, QStringLiteral("file")) + u':'
                             + truth.value(r, QStringLiteral("line")));
    int checked = 0;
    for (const QString &log : kLogs) {
        const QStringList lines = testDataLines(QStringLiteral("ais/") + log);
        ASSERT_FALSE(lines.isEmpty()) << log.toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString &line = lines[i];
            if (line.startsWith(u'#') || !line.contains(QStringLiteral("VD"))
                || positionLines.contains(log + u':' + QString::number(i + 1)))
                continue;
            EXPECT_EQ(DecodeAIS(line), AisFix{}) << log.toStdString() << ":" << i + 1;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 379); // other message types and later fragments
}

} // namespace
