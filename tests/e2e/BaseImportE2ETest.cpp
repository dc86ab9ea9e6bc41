// IMPORT end to end: the headless station and the simulated board as
// separate programs, POINT.INI in a temporary folder.
#include "support/Files.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(BaseImportE2E, ConfirmedImportReachesTheBoardWithTheBaseCount)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString recordPath = QDir(dir.path()).filePath(QStringLiteral("board.bin"));
    SimProcess board;
    ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--record"), recordPath}));

    const QString settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
    {
        SettingsStore settings(settingsPath);
        settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
    }
    QFile point(QDir(dir.path()).filePath(QStringLiteral("POINT.INI")));
    ASSERT_TRUE(point.open(QIODevice::WriteOnly));
    point.write("; harbour bases\r\n"
                "p1j114.111111w23.222222d50\r\n"
                "  p2j114.2w23.3d10\r\n"
                "/ zones\r\n"
                "Z1 P2 N23.5 W114.0 S23.0 E114.5\r\n");
    point.close();

    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    StationProcess station;
    ASSERT_TRUE(station.start({QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path(),
                               QStringLiteral("--point-ini-dir"), dir.path(), QStringLiteral("--answer"),
                               QStringLiteral("ok")},
                              env));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label6.colour=0,255,0"))) << qPrintable(station.output());

    station.send(QStringLiteral("IMPORT"));
    const QByteArray expected = "p1j114.111111w23.222222d50\r\np2j114.2w23.3d10\r\nZ1 P2 N23.5 W114.0 S23.0 E114.5\r\nT3\r\n";
    ASSERT_TRUE(waitUntil([&] { return readFile(recordPath).contains(expected); }, 20000))
        << readFile(recordPath).constData();
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=已启用多基站模式，基站数量: 3")));
    const QString out = station.output();
    EXPECT_TRUE(out.contains(QStringLiteral("MsgBox title=警告 - 导入基站坐标 text=")));
    EXPECT_TRUE(out.contains(QStringLiteral("MsgBox title=启用多基站模式 text=基站坐标导入完成！\\r\\n成功导入: 3 个基站")));
    EXPECT_TRUE(out.contains(QStringLiteral("progressBar.text=3/3\n")));
    EXPECT_TRUE(out.contains(QStringLiteral("progressBar.visible=0\n")));
    EXPECT_TRUE(out.contains(QStringLiteral("Text2.append=发送: p2j114.2w23.3d10\\r\\n")));
}

// The installed station: no folder on its command line, the executable in a
// folder nobody writes to. POINT.INI is found beside the settings file or
// in the working directory, and the box names the settings folder.
class InstalledImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("data")));
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("work")));
        ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--record"), recordPath()}));
        SettingsStore settings(settingsPath());
        settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
    }

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    QString recordPath() const { return path(QStringLiteral("board.bin")); }
    QString dataFolder() const { return path(QStringLiteral("data")); }
    QString settingsPath() const { return path(QStringLiteral("data/station.ini")); }

    void writePoints(const QString &folder)
    {
        QFile point(QDir(folder).filePath(QStringLiteral("POINT.INI")));
        ASSERT_TRUE(point.open(QIODevice::WriteOnly));
        point.write("p1j114.111111w23.222222d50\r\n");
    }

    void startStation()
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        ASSERT_TRUE(station.start({QStringLiteral("--settings"), settingsPath(), QStringLiteral("--log-dir"),
                                   dir.path(), QStringLiteral("--answer"), QStringLiteral("ok")},
                                  env, path(QStringLiteral("work"))));
        ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label6.colour=0,255,0"))) << qPrintable(station.output());
    }

    void importReachesTheBoard()
    {
        station.send(QStringLiteral("IMPORT"));
        const QByteArray expected = "p1j114.111111w23.222222d50\r\nT1\r\n";
        ASSERT_TRUE(waitUntil([&] { return readFile(recordPath()).contains(expected); }, 20000))
            << readFile(recordPath()).constData() << qPrintable(station.output());
    }

    QTemporaryDir dir;
    SimProcess board;
    StationProcess station;
};

TEST_F(InstalledImport, FindsTheFileBesideTheSettings)
{
    writePoints(dataFolder());
    startStation();
    importReachesTheBoard();
}

TEST_F(InstalledImport, FindsTheFileInTheWorkingDirectory)
{
    writePoints(path(QStringLiteral("work")));
    startStation();
    importReachesTheBoard();
}

TEST_F(InstalledImport, AMissingFileNamesTheFolderToPutItIn)
{
    startStation();
    station.send(QStringLiteral("IMPORT"));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("MsgBox title=文件不存在 text=未找到配置文件: POINT.INI\\r\\n"
                                                     "请将预设的基站配置坐标文件放在文件夹：")
                                      + QDir::toNativeSeparators(dataFolder())))
        << qPrintable(station.output());
    EXPECT_FALSE(readFile(recordPath()).contains("p1j"));
}

} // namespace
