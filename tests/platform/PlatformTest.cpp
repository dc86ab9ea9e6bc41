#include "platform/Waits.h"
#include "support/Wait.h"
#include "platform/ProcessServices.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

TEST(Delay, KeepsEventsRunningForTheWholeWait)
{
    Scope scope;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(test::finish(Delay(&scope, 0.3f)));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_GE(ticks, 5) << "events must be processed during the wait";
}

// Waits that overlap run side by side: a long wait begun during a short one
// does not hold the short one, and each ends in its own order.
TEST(Delay, AWaitBegunDuringAnotherDoesNotHoldIt)
{
    Scope scope;
    QStringList ended;
    const auto wait = [&](float seconds, QString name) -> Task<> {
        co_await Delay(&scope, seconds);
        ended << name;
    };
    QTimer::singleShot(10, [&] { launch(wait(0.5f, QStringLiteral("inner")), "inner"); });
    launch(wait(0.1f, QStringLiteral("outer")), "outer");
    ASSERT_TRUE(test::waitUntil([&] { return ended.size() == 2; }));
    EXPECT_EQ(ended, (QStringList{QStringLiteral("outer"), QStringLiteral("inner")}));
}

TEST(Delay, ZeroAndNegativeReturnAtOnceAndAnEndedScopeCancels)
{
    auto scope = std::make_unique<Scope>();
    EXPECT_TRUE(Delay(scope.get(), 0.0f).isReady());
    EXPECT_TRUE(Delay(scope.get(), -5.0f).isReady());
    std::optional<bool> result;
    QCoro::connect(Delay(scope.get(), 30.0f), &*scope, [&](bool waited) { result = waited; });
    QTimer::singleShot(20, [&] { scope->end(); });
    ASSERT_TRUE(test::waitUntil([&] { return result.has_value(); }, 2000)) << "the wait ends with its scope";
    EXPECT_FALSE(*result);
    EXPECT_FALSE(test::finish(Delay(scope.get(), 1.0f))) << "no wait begins in an ended scope";
}

TEST(SettingsStore, NeverWrittenReadsEmptyAndValuesSurviveReopen)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("sub/korvane.ini"));
    {
        SettingsStore store(path);
        EXPECT_EQ(store.read(QStringLiteral("DEVICE_KORVANE_IP")), QString());
        store.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("10.0.0.5:9000"));
        store.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("p@ss,w;rd \"x\" 密码"));
        store.write(QStringLiteral("USE_SHIP_MMSI"), QStringLiteral("413000000"));
    }
    SettingsStore again(path);
    EXPECT_EQ(again.read(QStringLiteral("DEVICE_KORVANE_IP")), QStringLiteral("10.0.0.5:9000"));
    EXPECT_EQ(again.read(QStringLiteral("DEVICE_WIRESS_PASSWORD")), QStringLiteral("p@ss,w;rd \"x\" 密码"));
    EXPECT_EQ(again.read(QStringLiteral("USE_SHIP_MMSI")), QStringLiteral("413000000"));
}

TEST(SettingsStore, FileIsPrivateToTheUser)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("korvane.ini"));
    SettingsStore store(path);
    store.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("secret"));
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                                          | QFileDevice::WriteOther),
              QFileDevice::Permissions{});
}

TEST(SettingsStore, HandEditedListValueReadsAsOneText)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("korvane.ini"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[General]\nCLOUD_HOST=a,b\nUSE_SHIP_AIS_SCAN_COMP_TIME=garbage\x01\n");
    f.close();
    SettingsStore store(path);
    EXPECT_EQ(store.read(QStringLiteral("CLOUD_HOST")), QStringLiteral("a,b"));
}

TEST(ProcessServices, SecondLockFailsWhileTheFirstIsHeld)
{
    QTemporaryDir dir;
    const QString lock = QDir(dir.path()).filePath(QStringLiteral("x.lock"));
    ProcessServices first(lock);
    ASSERT_TRUE(first.tryTakeInstanceLock());
    ProcessServices second(lock);
    EXPECT_FALSE(second.tryTakeInstanceLock());
    EXPECT_EQ(second.lockHolderPid(), QCoreApplication::applicationPid());
}

TEST(ProcessServices, FindsNoProcessForAnUnknownNameAndNeverItself)
{
    EXPECT_EQ(ProcessServices::fun_FindProcess(QStringLiteral("no-such-program-4711")), 0);
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_NE(ProcessServices::fun_FindProcess(self), QCoreApplication::applicationPid());
    EXPECT_FALSE(test::finish(ProcessServices::forceKill(nullptr, QCoreApplication::applicationPid())));
}

} // namespace
