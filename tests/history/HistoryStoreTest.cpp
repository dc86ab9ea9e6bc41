#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "history/HistoryFixture.h"
#include "support/Wait.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace korvane;
using namespace korvane::test;

namespace {

class HistoryStoreTest : public ::testing::Test, public HistoryFixture {};

TEST_F(HistoryStoreTest, MakesFolderAndOwnerOnlyFileInWalMode)
{
    history::HistoryStore &store = makeStore();
    ASSERT_TRUE(store.open());
    const QFileDevice::Permissions p = QFileInfo(file).permissions();
    EXPECT_TRUE(p.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_FALSE(p & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                      | QFileDevice::WriteOther | QFileDevice::ExeOwner));
    OtherConnection other(file);
    EXPECT_EQ(other.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(HistoryStoreTest, RowsReachTheFileOnlyAtTheFlush)
{
    history::HistoryStore &store = makeStore();
    ASSERT_TRUE(store.open());
    store.addSample(sample(-60));
    store.addEvent({clock.time.toMSecsSinceEpoch(), history::kind::Drive, QStringLiteral("手动驱动：m5")});
    EXPECT_EQ(count(QStringLiteral("samples")), 0);
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 1);
    EXPECT_EQ(count(QStringLiteral("events")), 1);
    EXPECT_EQ(store.pendingSamples(), 0);
}

TEST_F(HistoryStoreTest, UnknownFiguresAreNullNotZero)
{
    history::HistoryStore &store = makeStore();
    ASSERT_TRUE(store.open());
    history::Sample s = sample(30); // out of range
    s.set(history::Figure::Heading, 720);
    s.set(history::Figure::Noise, -95);
    store.addSample(s);
    ASSERT_TRUE(store.flush());
    OtherConnection other(file);
    EXPECT_EQ(other.value(QStringLiteral("SELECT count(*) FROM samples WHERE signal_dbm IS NULL AND heading_deg IS NULL"
                                         " AND ping_ms IS NULL AND cloud_ok IS NULL AND alarm IS NULL"))
                  .toInt(),
              1);
    EXPECT_EQ(other.value(QStringLiteral("SELECT noise_dbm FROM samples")).toDouble(), -95);
}

TEST_F(HistoryStoreTest, GarbageFileIsRenamedAsideWithTheTimeAndANewStoreMade)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    history::HistoryStore &store = makeStore();
    ASSERT_TRUE(store.open());
    const QString aside = file + QStringLiteral(".broken-20240501-120000");
    EXPECT_TRUE(QFile::exists(aside));
    EXPECT_EQ(QFileInfo(aside).size(), 8192);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(aside)) << notices[0].toStdString();
    store.addSample(sample(-61));
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 1);
}

TEST_F(HistoryStoreTest, LockedFileKeepsRowsSaysSoOnceAndResumes)
{
    history::HistoryStore &store = makeStore();
    ASSERT_TRUE(store.open());
    auto other = std::make_unique<OtherConnection>(file);
    ASSERT_TRUE(other->exec(QStringLiteral("BEGIN EXCLUSIVE")));
    for (int i = 0; i < 3; ++i) {
        store.addSample(sample(-60 - i));
        EXPECT_FALSE(store.flush());
    }
    EXPECT_EQ(notices.size(), 1);
    EXPECT_EQ(store.pendingSamples(), 3);
    EXPECT_FALSE(store.writing());
    ASSERT_TRUE(other->exec(QStringLiteral("ROLLBACK")));
    other.reset();
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 3);
    ASSERT_EQ(notices.size(), 2);
    EXPECT_EQ(notices[1], QStringLiteral("历史记录已恢复写入"));
}

TEST_F(HistoryStoreTest, FolderThatCannotBeMadeKeepsRowsAndResumesOnceItCan)
{
    // A plain file where the folder should be: no account can make it.
    const QString blocker = QDir(dir.path()).filePath(QStringLiteral("blocked"));
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString path = blocker + QStringLiteral("/history.sqlite");
    history::HistoryStore &store = makeStore(path);
    EXPECT_FALSE(store.open());
    store.addSample(sample(-60));
    EXPECT_FALSE(store.flush());
    EXPECT_EQ(notices.size(), 1);
    ASSERT_TRUE(QFile::remove(blocker));
    store.addSample(sample(-61));
    ASSERT_TRUE(store.flush());
    OtherConnection reader(path);
    EXPECT_EQ(reader.value(QStringLiteral("SELECT count(*) FROM samples")).toInt(), 2);
}

TEST_F(HistoryStoreTest, ReadOnlyFolderKeepsRowsWhenNotRoot)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere; the blocked-folder and full-disk cases cover it";
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("ro"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    history::HistoryStore &store = makeStore(folder + QStringLiteral("/h.sqlite"));
    EXPECT_FALSE(store.open());
    store.addSample(sample(-60));
    EXPECT_FALSE(store.flush());
    EXPECT_EQ(store.pendingSamples(), 1);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(store.flush());
    EXPECT_EQ(notices.size(), 2);
}

TEST_F(HistoryStoreTest, FullDiskKeepsRowsAndResumesWhenThereIsRoom)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a small tmpfs needs root";
    const QString mount = QDir(dir.path()).filePath(QStringLiteral("small"));
    QDir().mkpath(mount);
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                     QStringLiteral("-o"), QStringLiteral("size=192k"),
                                                     QStringLiteral("tmpfs"), mount})
        != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        QString path;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), path}); }
    } unmount{mount};
    const QString path = mount + QStringLiteral("/h.sqlite");
    history::HistoryStore &store = makeStore(path);
    ASSERT_TRUE(store.open());
    const QString filler = mount + QStringLiteral("/filler");
    {
        QFile f(filler);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        while (f.write(QByteArray(4096, 'f')) == 4096 && f.flush()) {
        }
    }
    bool refused = false;
    for (int i = 0; i < 200 && !refused; ++i) {
        for (int k = 0; k < 50; ++k)
            store.addSample(sample(-60));
        refused = !store.flush();
    }
    ASSERT_TRUE(refused) << "the disk never filled";
    EXPECT_EQ(notices.size(), 1);
    const qsizetype waiting = store.pendingSamples();
    EXPECT_GT(waiting, 0);
    ASSERT_TRUE(QFile::remove(filler));
    ASSERT_TRUE(store.flush());
    EXPECT_TRUE(waitUntil([&] { return store.pendingSamples() == 0; })) << "the backlog follows in steps";
    EXPECT_EQ(notices.size(), 2);
    OtherConnection reader(path);
    EXPECT_EQ(reader.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

TEST_F(HistoryStoreTest, WaitInMemoryIsBoundedAndDropsTheOldest)
{
    const QString blocker = QDir(dir.path()).filePath(QStringLiteral("blocked"));
    QFile(blocker).open(QIODevice::WriteOnly);
    history::HistoryStore &store = makeStore(blocker + QStringLiteral("/h.sqlite"));
    for (qsizetype i = 0; i < history::HistoryStore::kMaxPendingSamples + 5; ++i)
        store.addSample(sample(-60));
    EXPECT_EQ(store.pendingSamples(), history::HistoryStore::kMaxPendingSamples);
    EXPECT_EQ(store.droppedRows(), 5);
}

TEST_F(HistoryStoreTest, ClockSetBackKeepsWritingInRowOrder)
{
    history::HistoryStore &store = makeStore();
    ASSERT_TRUE(store.open());
    store.addSample(sample(-60));
    clock.time = clock.time.addSecs(-3600);
    store.addSample(sample(-70));
    ASSERT_TRUE(store.flush());
    OtherConnection other(file);
    QSqlQuery q(other.db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT signal_dbm FROM samples ORDER BY rowid")));
    QList<double> order;
    while (q.next())
        order << q.value(0).toDouble();
    EXPECT_EQ(order, (QList<double>{-60, -70}));
}

} // namespace
