#include "app/StartupSettings.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

StartupSettings readFrom(const QMap<QString, QString> &stored)
{
    return StartupSettings::read([&](const QString &key) { return stored.value(key); });
}

TEST(StartupSettings, FirstRunDefaults)
{
    const StartupSettings s = readFrom({});
    EXPECT_EQ(s.radioAddress, QString());
    EXPECT_EQ(s.controllerAddress, QString());
    EXPECT_EQ(s.autoLink, 0);
    EXPECT_EQ(s.radioPort, 9754);
    EXPECT_EQ(s.comparisonInterval, 300);
    EXPECT_FALSE(s.comparisonEnabled);
    EXPECT_TRUE(s.scanEnabled);
    EXPECT_EQ(s.scanInterval, 600);
    EXPECT_EQ(s.comparisonStep, 1);
    EXPECT_EQ(s.shipAis, 0);
    EXPECT_EQ(s.shipAisDrive, 0);
}

struct RuleCase {
    const char *key;
    const char *stored;
    int expected;
};

int field(const StartupSettings &s, const QString &key)
{
    if (key == QLatin1String("USE_SHIP_AIS_SCAN_COMP_TIME"))
        return s.comparisonInterval;
    if (key == QLatin1String("USE_SHIP_AIS_SCAN_AUTO_TIME"))
        return s.scanInterval;
    if (key == QLatin1String("USE_SHIP_AIS_SCAN_COMP_ANG"))
        return s.comparisonStep;
    if (key == QLatin1String("DEVICE_WIRESS_PORT"))
        return s.radioPort;
    if (key == QLatin1String("USE_SHIP_AIS_SCAN_COMP"))
        return s.comparisonEnabled;
    if (key == QLatin1String("USE_SHIP_AIS_SCAN_AUTO"))
        return s.scanEnabled;
    if (key == QLatin1String("KORVANE_AUTOLINK"))
        return s.autoLink;
    if (key == QLatin1String("USE_SHIP_AIS_FIXHDG"))
        return s.fixedHeading;
    if (key == QLatin1String("ERROR_COMPSAME_REBOOT"))
        return s.compassReboot;
    ADD_FAILURE() << "no field for " << qPrintable(key);
    return 0;
}

class KeyRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(KeyRuleTest, AppliesTheKeysRule)
{
    const RuleCase &c = GetParam();
    const QString key = QString::fromLatin1(c.key);
    EXPECT_EQ(field(readFrom({{key, QString::fromUtf8(c.stored)}}), key), c.expected)
        << c.key << "=" << c.stored;
}

INSTANTIATE_TEST_SUITE_P(Table, KeyRuleTest, ::testing::Values(
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_TIME", "59", 300},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_TIME", "60", 60},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_TIME", "3600", 3600},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_TIME", "3601", 300},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_TIME", "99999", 300},   // overflows 16 bits: absent
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_TIME", "120abc", 120},
    RuleCase{"USE_SHIP_AIS_SCAN_AUTO_TIME", "179", 600},
    RuleCase{"USE_SHIP_AIS_SCAN_AUTO_TIME", "180", 180},
    RuleCase{"USE_SHIP_AIS_SCAN_AUTO_TIME", "3601", 600},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "6", 1},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "5", 5},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "5.4", 1},        // above 5 before rounding
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "4.6", 5},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "5.01", 1},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "0", 1},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "", 1},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP_ANG", "2.5", 2},        // half to even
    RuleCase{"DEVICE_WIRESS_PORT", "", 9754},
    RuleCase{"DEVICE_WIRESS_PORT", "0", 9754},
    RuleCase{"DEVICE_WIRESS_PORT", "23", 23},
    RuleCase{"DEVICE_WIRESS_PORT", "40000", 9754},           // does not fit 16 bits: default
    RuleCase{"DEVICE_WIRESS_PORT", "-1", -1},                // negative: port left unset
    RuleCase{"USE_SHIP_AIS_SCAN_COMP", "1", 1},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP", "0", 0},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP", "yes", 0},
    RuleCase{"USE_SHIP_AIS_SCAN_COMP", " 1", 0},
    RuleCase{"USE_SHIP_AIS_SCAN_AUTO", "", 1},
    RuleCase{"USE_SHIP_AIS_SCAN_AUTO", "1", 1},
    RuleCase{"USE_SHIP_AIS_SCAN_AUTO", "0", 0},
    RuleCase{"KORVANE_AUTOLINK", "1", 1},
    RuleCase{"KORVANE_AUTOLINK", "7", 0},
    RuleCase{"USE_SHIP_AIS_FIXHDG", "-12.5", -12},
    RuleCase{"USE_SHIP_AIS_FIXHDG", "3000000000", 0},
    RuleCase{"ERROR_COMPSAME_REBOOT", "1", 1}));

TEST(StartupSettings, AisHeadingIsReadOnlyWithDriveOn)
{
    EXPECT_EQ(readFrom({{QStringLiteral("USE_SHIP_AIS_ANG"), QStringLiteral("123")}}).aisHeading, 0);
    EXPECT_EQ(readFrom({{QStringLiteral("USE_SHIP_AIS_ANG"), QStringLiteral("123")},
                        {QStringLiteral("USE_SHIP_AIS_DRIVE"), QStringLiteral("1")}})
                  .aisHeading,
              123);
}

} // namespace
