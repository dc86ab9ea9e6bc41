// Help and version answer where there is no display: a service host, an ssh
// session, a fresh install. The widget application would abort there.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, HelpAndVersionNeedNoDisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    const struct {
        const char *argument;
        const char *printed;
    } cases[] = {
        {"--help", "--headless"},
        {"-h", "--log-dir"},
        {"--version", "korvane-station 1."},
    };
    for (const auto &c : cases) {
        QProcess station;
        station.setProcessEnvironment(env);
        station.start(QStringLiteral(KORVANE_STATION_PATH), {QString::fromLatin1(c.argument)});
        ASSERT_TRUE(station.waitForFinished(10000)) << c.argument;
        EXPECT_EQ(station.exitStatus(), QProcess::NormalExit) << c.argument;
        EXPECT_EQ(station.exitCode(), 0) << c.argument;
        EXPECT_TRUE(station.readAllStandardOutput().contains(c.printed)) << c.argument;
    }
}

} // namespace
