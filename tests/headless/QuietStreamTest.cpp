// The service's stream: with --quiet the display changes stay out of the
// journal, the event lines still reach it.
#include "support/StationProcess.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace korvane;
using namespace korvane::test;

TEST(QuietStream, EventLinesWithoutTheDisplayStream)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    StationProcess station;
    ASSERT_TRUE(station.start({QStringLiteral("--quiet"), QStringLiteral("--settings"),
                               QDir(dir.path()).filePath(QStringLiteral("settings.ini")), QStringLiteral("--log-dir"),
                               dir.path()}));
    // An answer to an action shows the station is up and reading stdin.
    station.send(QStringLiteral(":stats"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("\n"), 15000));
    ::kill(static_cast<pid_t>(station.process().processId()), SIGTERM);
    ASSERT_TRUE(station.waitForExit(10000));
    const QString out = station.output();
    EXPECT_TRUE(out.contains(QStringLiteral("收到结束信号"))) << out.toStdString();
    static const QRegularExpression displayLine(QStringLiteral("^(\\w+)(\\(\\d+\\))?\\.\\w+="),
                                                QRegularExpression::MultilineOption);
    for (auto it = displayLine.globalMatch(out); it.hasNext();) {
        const QString control = it.next().captured(1);
        EXPECT_TRUE(control == QLatin1String("Label_NOTE") || control == QLatin1String("Lbl_ALARM"))
            << control.toStdString();
    }
}
