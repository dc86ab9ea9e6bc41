// Ship-to-ship from the web with every party a separate program: the
// headless station, the simulated board and the simulated ship-position
// service, all on 127.0.0.1.
#include "support/Files.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"
#include "nav/ShipService.h"
#include "platform/SettingsStore.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(WebShipPath, ANewReportBecomesTheBoardsTargetOnceAndFailuresAreNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString record = dir.filePath(QStringLiteral("board.bin"));
    SimProcess board;
    ASSERT_TRUE(board.start(QStringLiteral("board"), {"--interval-ms", "200", "--speed", "0", "--record", record}));
    SimProcess service;
    ASSERT_TRUE(service.start(QStringLiteral("ship-service"),
                              {"--report-interval", "0", "--speed", "0", "--start-time", "1714536000"}));
    const QString settingsPath = dir.filePath(QStringLiteral("station.ini"));
    {
        SettingsStore settings(settingsPath);
        settings.write(keys::DEVICE_KORVANE_IP, QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(keys::DEVICE_KORVANE_PORT, QString::number(board.port()));
        settings.write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
        settings.write(keys::USE_SHIP_AIS, QStringLiteral("1"));
        settings.write(keys::USE_SHIP_MMSI, QStringLiteral("413000000"));
        settings.write(keys::SHIP_SERVICE_URL, QStringLiteral("http://127.0.0.1:%1").arg(service.port()));
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    StationProcess station;
    ASSERT_TRUE(station.start({"--settings", settingsPath, "--log-dir", dir.path(), "--time-scale", "0.02"}, env));

    const QByteArray target = "p1 j121.5 w31.25 d15 mmsi413000000 *38\r\n";
    ASSERT_TRUE(waitUntil([&] { return readFile(record).contains(target); }, 20000)) << readFile(record).constData();
    const QString line = QStringLiteral("目标船舶：2024-05-01 12:00:00 KORVANE TEST,MMSI413000000, 坐标31.25,121.5, "
                                        "航速0.0, 航向90, 艏向90\\r\\n");
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Text2.append=") + line)) << qPrintable(station.output());

    // Several more ticks ask again and get the same report: silence.
    const qint64 asked = service.statusValue(QStringLiteral("requests"));
    ASSERT_TRUE(waitUntil([&] { return service.statusValue(QStringLiteral("requests")) >= asked + 3; }, 20000));
    EXPECT_EQ(readFile(record).count(target), 1);
    EXPECT_EQ(station.output().count(QStringLiteral("Text2.append=目标船舶：")), 1);

    // A new report goes out once more.
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("position 31.3 121.6")));
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("next")));
    EXPECT_TRUE(waitUntil([&] { return readFile(record).contains("p1 j121.6 w31.3 d15 mmsi413000000 *37\r\n"); }, 20000));

    // The log holds the reply and the report line.
    const QString log = QString::fromUtf8(readFile(QDir(dir.path()).filePath(
        QStringLiteral("korvane-station-%1.log").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))))));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("======  \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  \\r\\n  \\{\"status\":0,"))
                    .match(log)
                    .hasMatch());
    EXPECT_TRUE(log.contains(QStringLiteral("}]}\r\n目标船舶：2024-05-01 12:00:00 KORVANE TEST,MMSI413000000")));

    // A failing service is named on the notice line with its tag.
    ASSERT_TRUE(service.controlAcknowledged(QStringLiteral("fail close")));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=发送请求时出错(OPENAPI): "), 20000));
    EXPECT_EQ(station.process().state(), QProcess::Running);
}

} // namespace
