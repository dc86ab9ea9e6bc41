// The AIS heading setting written once the event loop is free.
#include "nav/AisHeadingSaver.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"
#include "platform/SettingsStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(AisHeadingSaver, TheLastHeadingOfABurstIsWrittenAfterTheHandler)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    AisHeadingSaver saver(store);
    saver.save(100);
    saver.save(101);
    EXPECT_EQ(store.read(keys::USE_SHIP_AIS_ANG), QString()) << "not inside the handler";
    ASSERT_TRUE(waitUntil([&] { return !store.read(keys::USE_SHIP_AIS_ANG).isEmpty(); }));
    EXPECT_EQ(store.read(keys::USE_SHIP_AIS_ANG), QStringLiteral("101"));
    // Another store on the same file sees it: it is on disk.
    EXPECT_EQ(SettingsStore(dir.filePath(QStringLiteral("s.ini"))).read(keys::USE_SHIP_AIS_ANG), QStringLiteral("101"));
}

TEST(AisHeadingSaver, AHeadingStillWaitingIsWrittenAtTheEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    {
        SettingsStore store(path);
        AisHeadingSaver saver(store);
        saver.save(7);
    }
    EXPECT_EQ(SettingsStore(path).read(keys::USE_SHIP_AIS_ANG), QStringLiteral("7"));
}

} // namespace
