// The log folder going away under the running station.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace korvane::test;

namespace {

class FaultsDisk : public FaultSuite {
protected:
    static void SetUpTestSuite()
    {
        FaultStation::Options options;
        options.serial = false;
        startStation(options);
    }
};

TEST_F(FaultsDisk, LogFolderBecomesAFileAndComesBack)
{
    // Tests run as root here, where taking the write permission away stops
    // nothing; a file where the folder was stops every write.
    const QString folder = f().logDir();
    const QString away = f().path(QStringLiteral("log.away"));
    ASSERT_TRUE(QDir().rename(folder, away));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QDir kept(away);
    const QStringList names = kept.entryList(QDir::Files);
    ASSERT_EQ(names.size(), 1);
    QFile old(kept.filePath(names.first()));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray written = old.readAll();
    old.close();

    // A new radio login while nothing can be written.
    const qsizetype from = f().mark();
    ASSERT_TRUE(f().radio.controlAcknowledged(QStringLiteral("drop")));
    ASSERT_TRUE(f().radioLoggedIn(from, linkBackMs()));
    midStats(); // answered once the login's handler is through
    EXPECT_TRUE(f().stationRunning());
    EXPECT_EQ(QFileInfo(folder).size(), 0) << "nothing went into the file in the folder's place";

    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().rename(away, folder));
    ASSERT_TRUE(waitUntil([&] { return f().logBytes().size() > written.size(); }, linkBackMs()))
        << "lines reach the log again";
    const QByteArray after = f().logBytes();
    EXPECT_TRUE(after.startsWith(written)) << "what was written before stays as it was";
    EXPECT_FALSE(after.mid(written.size()).contains("微波登录成功！")) << "no stale line turns up later";
}

} // namespace
