#include "model/EventLog.h"

#include "support/StationFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::FakeClock;
using korvane::test::readFile;

namespace {


struct TrimCase {
    const char *text;
    const char *written; // nullptr: no file at all
};

class EventLogTrimTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(EventLogTrimTest, WritesOneLine)
{
    QTemporaryDir dir;
    FakeClock clock;
    EventLog log(clock, dir.path(), QStringLiteral("station"));
    log.append(QString::fromUtf8(GetParam().text));
    const QString path = QDir(dir.path()).filePath(QStringLiteral("station-2024-05-01.log"));
    if (!GetParam().written) {
        EXPECT_FALSE(QFile::exists(path));
        return;
    }
    EXPECT_EQ(readFile(path), QByteArray(GetParam().written));
}

INSTANTIATE_TEST_SUITE_P(Table, EventLogTrimTest, ::testing::Values(
    TrimCase{"", nullptr},
    TrimCase{"    ", nullptr},
    TrimCase{"abc", "abc\r\n"},
    TrimCase{"abc\r\n", "abc\r\n"},
    TrimCase{"abc\n", "abc\r\n"},
    TrimCase{"abc\r\n\r\n", "abc\r\n\r\n"},     // only one break is removed
    TrimCase{"abc\r", "abc\r\r\n"},             // a lone CR stays
    TrimCase{"\r\n", "\r\n"},                   // not blank: an empty line
    TrimCase{"  x  ", "  x  \r\n"},
    TrimCase{"距离:12km", "距离:12km\r\n"}));

TEST(EventLog, ShortensTheCallersTextInPlace)
{
    QTemporaryDir dir;
    FakeClock clock;
    EventLog log(clock, dir.path(), QStringLiteral("station"));
    QString text = QStringLiteral("line\r\n");
    log.append(text);
    EXPECT_EQ(text, QStringLiteral("line"));
}

TEST(EventLog, SwitchesFileAtMidnight)
{
    QTemporaryDir dir;
    FakeClock clock;
    clock.time = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59));
    EventLog log(clock, dir.path(), QStringLiteral("station"));
    log.append(QStringLiteral("before"));
    clock.time = clock.time.addSecs(2);
    log.append(QStringLiteral("after"));
    EXPECT_EQ(readFile(QDir(dir.path()).filePath(QStringLiteral("station-2024-12-31.log"))), QByteArray("before\r\n"));
    EXPECT_EQ(readFile(QDir(dir.path()).filePath(QStringLiteral("station-2025-01-01.log"))), QByteArray("after\r\n"));
}

TEST(EventLog, UnwritableFolderLosesTheLineQuietly)
{
    // A plain file where the folder should be: unwritable even for root.
    QTemporaryDir dir;
    FakeClock clock;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("logs"));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EventLog log(clock, folder, QStringLiteral("station"));
    log.append(QStringLiteral("lost"));
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().mkpath(folder));
    log.append(QStringLiteral("kept"));
    EXPECT_EQ(readFile(QDir(folder).filePath(QStringLiteral("station-2024-05-01.log"))), QByteArray("kept\r\n"));
}

} // namespace
