// Test entry point: an application object exists for every test, so event
// loops, sockets and processes behave as in the station.
#ifdef KORVANE_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
#ifdef KORVANE_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
