// The demo with a 5G CPE in place of the telnet radio: the station finds
// the simulated CPE at the radio address (an explicit port) and reads it.
#include "support/StationProcess.h"

#include <gtest/gtest.h>

using namespace korvane::test;

namespace {

TEST(CpeDemo, RecognisesAndReadsTheSimulatedCpe)
{
    StationProcess station;
    ASSERT_TRUE(station.start({QStringLiteral("--demo"), QStringLiteral("--demo-radio"), QStringLiteral("cpe")}));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=已识别为5G CPE设备"), 15000))
        << qPrintable(station.output());
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Ship.text=5G动中通")));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("lanByte.text=10.0 / 2.5")));
}

} // namespace
