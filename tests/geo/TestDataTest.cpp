// The recorded samples travel with the repository, and a missing one is
// named at once instead of leaving a test to wait for it.
#include "TestData.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace korvane::test;

namespace {

TEST(TestData, LivesInsideTheRepository)
{
    const QString data = QFileInfo(QStringLiteral(KORVANE_TESTDATA_DIR)).canonicalFilePath();
    const QString source = QFileInfo(QStringLiteral(KORVANE_SOURCE_DIR)).canonicalFilePath();
    ASSERT_FALSE(data.isEmpty()) << KORVANE_TESTDATA_DIR;
    EXPECT_TRUE(data.startsWith(source + u'/')) << qPrintable(data);
}

TEST(TestData, EveryFolderNamesItsSources)
{
    for (const char *folder : {"ais", "nmea", "radio"}) {
        const QByteArray sources = testDataBytes(QString::fromLatin1(folder) + QStringLiteral("/SOURCES.md"));
        EXPECT_TRUE(sources.contains("icen")) << folder << ": no licence named"; // Licence / licence
        const QDir dir(testDataPath(QString::fromLatin1(folder)));
        for (const QString &name : dir.entryList(QDir::Files)) {
            if (name == QLatin1String("SOURCES.md"))
                continue;
            EXPECT_TRUE(sources.contains(name.toUtf8()) || sources.contains(name.section(u'.', 0, 0).toUtf8()))
                << folder << '/' << qPrintable(name) << " is not described";
        }
    }
}

TEST(TestData, MissingFileEndsTheTestAtOnceWithItsName)
{
    try {
        testDataBytes(QStringLiteral("ais/not-recorded.log"));
        FAIL() << "no error for a missing file";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(std::string(e.what()).find("ais/not-recorded.log"), std::string::npos) << e.what();
    }
}

} // namespace
