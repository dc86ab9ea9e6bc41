#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "history/HistoryFixture.h"
#include "support/Wait.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>

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
    store.addEvent({clock.time.toMSecsSinceEpoch(), history::kind::Drive, QStringLiteral("手动驱动：m5"), {}});
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
    SmallTmpfs small(QDir(dir.path()).filePath(QStringLiteral("small")), "192k");
    if (!small.mounted)
        GTEST_SKIP() << "a small tmpfs needs root";
    const QString mount = small.path;
    const QString path = mount + QStringLiteral("/h.sqlite");
    history::HistoryStore &store = makeStore(path);
    ASSERT_TRUE(store.open());
    // A little room kept aside, the rest filled.
    const QString room = mount + QStringLiteral("/room");
    {
        QFile f(room);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(24 * 1024, 'r'));
    }
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
    // Room for one batch is enough to write again.
    ASSERT_TRUE(QFile::remove(room));
    ASSERT_TRUE(store.flush()) << "a batch fits in the room freed";
    EXPECT_EQ(notices.size(), 2);
    EXPECT_LT(store.pendingSamples(), waiting);
    ASSERT_TRUE(QFile::remove(filler));
    ASSERT_TRUE(store.flush());
    EXPECT_TRUE(waitUntil([&] { return store.pendingSamples() == 0; })) << "the backlog follows in steps";
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

// Overwrites pages of the file (not its header) with garbage.
void damagePages(const QString &path, qint64 fromPage, qint64 pages)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(fromPage * 4096));
    f.write(QByteArray(int(pages * 4096), char(0x5a)));
}

// A file whose pages were overwritten, header intact, opens, but its
// check at start finds the damage: set aside, a new one made, said once.
TEST_F(HistoryStoreTest, DamagedPagesAtStartAreFoundSetAsideAndANewFileMade)
{
    {
        history::HistoryStore &first = makeStore();
        ASSERT_TRUE(first.open());
        for (int i = 0; i < 3000; ++i)
            first.addSample(sample(-60 - i % 9));
        while (first.pendingSamples() > 0)
            ASSERT_TRUE(first.flush());
        store.reset();
    }
    damagePages(file, 2, 20);
    notices.clear();
    history::HistoryStore &again = makeStore();
    ASSERT_TRUE(again.open());
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].startsWith(QStringLiteral("历史记录文件无法读取，已改名为 ") + file + QStringLiteral(".broken-")))
        << notices[0].toStdString();
    again.addSample(sample(-61));
    ASSERT_TRUE(again.flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 1);
    EXPECT_EQ(notices.size(), 1);
}

// Damage that shows only when a write meets it: the same, from the write.
TEST_F(HistoryStoreTest, DamageMetByAWriteSetsTheFileAsideAndTheRowsGoToANewOne)
{
    history::HistoryStore &s = makeStore();
    ASSERT_TRUE(s.open());
    for (int i = 0; i < 3000; ++i)
        s.addSample(sample(-60));
    while (s.pendingSamples() > 0)
        ASSERT_TRUE(s.flush());
    QSqlQuery(s.database()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    damagePages(file, 1, 40);
    // Another writer's commit makes the station's connection read afresh.
    {
        OtherConnection other(file);
        other.exec(QStringLiteral("CREATE TABLE nudge (x)"));
    }
    for (int i = 0; i < 5; ++i)
        s.addSample(sample(-70));
    s.flush();
    ASSERT_EQ(notices.size(), 1) << notices.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(notices[0].startsWith(QStringLiteral("历史记录文件无法读取，已改名为 "))) << notices[0].toStdString();
    EXPECT_EQ(s.pendingSamples(), 0);
    EXPECT_EQ(count(QStringLiteral("samples")), 5);
    for (int i = 0; i < 5; ++i) {
        s.addSample(sample(-71));
        EXPECT_TRUE(s.flush());
    }
    EXPECT_EQ(notices.size(), 1);
}

// A garbage file that cannot be moved aside (a read-only file system): one
// notice naming the file and the reason, then silence, the station on.
TEST_F(HistoryStoreTest, AFileThatCannotBeMovedAsideStopsWritingWithOneNotice)
{
    SmallTmpfs readOnly(QDir(dir.path()).filePath(QStringLiteral("ro")), "1m");
    if (!readOnly.mounted)
        GTEST_SKIP() << "a read-only tmpfs needs root";
    const QString mount = readOnly.path;
    const QString path = mount + QStringLiteral("/h.sqlite");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    ASSERT_EQ(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), mount}), 0);
    history::HistoryStore &s = makeStore(path);
    EXPECT_FALSE(s.open());
    for (int i = 0; i < 20; ++i) {
        s.addSample(sample(-60));
        EXPECT_FALSE(s.flush());
    }
    ASSERT_EQ(notices.size(), 1) << notices.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(notices[0].contains(path)) << notices[0].toStdString();
    EXPECT_TRUE(notices[0].contains(QStringLiteral("无法改名"))) << notices[0].toStdString();
    EXPECT_TRUE(s.stopped());
    EXPECT_EQ(s.pendingSamples(), 0);
}

// A second station on the same file is refused for the run, clearly.
TEST_F(HistoryStoreTest, ASecondStationOnTheSameFileIsRefused)
{
    history::HistoryStore &first = makeStore();
    ASSERT_TRUE(first.open());
    QStringList second;
    history::HistoryStore other(clock, file);
    QObject::connect(&other, &history::HistoryStore::notice, [&](const QString &t) { second << t; });
    EXPECT_FALSE(other.open());
    EXPECT_TRUE(other.stopped());
    ASSERT_EQ(second.size(), 1);
    EXPECT_TRUE(second[0].contains(QStringLiteral("已被另一个程序"))) << second[0].toStdString();
    EXPECT_TRUE(second[0].contains(QStringLiteral("本次运行不记录历史")));
    other.addSample(sample(-60));
    EXPECT_FALSE(other.flush());
    EXPECT_EQ(second.size(), 1);
    first.addSample(sample(-60));
    EXPECT_TRUE(first.flush());
    EXPECT_EQ(count(QStringLiteral("samples")), 1);
}

// Deleted under the running station: noticed at the next look (here at
// once), said once, and a new file made that takes the rows.
TEST_F(HistoryStoreTest, AStoreDeletedWhileRunningIsNoticedAndMadeAnew)
{
    history::HistoryStore &s = makeStore();
    s.setIdentityCheckInterval(0);
    ASSERT_TRUE(s.open());
    s.addSample(sample(-60));
    ASSERT_TRUE(s.flush());
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(file + QLatin1String(suffix));
    s.addSample(sample(-61));
    ASSERT_TRUE(s.flush());
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("被删除或替换"))) << notices[0].toStdString();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(count(QStringLiteral("samples")), 1);
    s.addSample(sample(-62));
    ASSERT_TRUE(s.flush());
    EXPECT_EQ(notices.size(), 1);
    EXPECT_EQ(count(QStringLiteral("samples")), 2);
}

// A store from before, mode 0644 with its journal: 0600 all three from
// the first open on; a folder the store makes is 0700.
TEST_F(HistoryStoreTest, AnOlderStoresJournalIsOwnerOnlyAndANewFolderTooFromTheFirstMoment)
{
    history::HistoryStore &s = makeStore();
    ASSERT_TRUE(s.open());
    EXPECT_EQ(QFileInfo(QFileInfo(file).absolutePath()).permissions() & 0x7077,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    store.reset();
    const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(file, open);
    {
        OtherConnection other(file); // leaves a -wal and -shm of mode 0644
        other.exec(QStringLiteral("INSERT INTO events (t, kind, text) VALUES (1, 'other', 'x')"));
        QFile::setPermissions(file + QStringLiteral("-wal"), open);
        history::HistoryStore again(clock, file);
        ASSERT_TRUE(again.open());
        again.addSample(sample(-60));
        ASSERT_TRUE(again.flush());
        for (const char *suffix : {"", "-wal", "-shm"}) {
            const QString path = file + QLatin1String(suffix);
            ASSERT_TRUE(QFile::exists(path)) << suffix;
            EXPECT_EQ(QFileInfo(path).permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
                << suffix;
        }
    }
}

} // namespace
