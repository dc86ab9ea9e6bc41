// The headless station against the simulated board, both as separate
// programs: what the board says reaches the station's displays and its
// daily log, and what the operator does reaches the board byte-exact.
#include "support/Files.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace korvane;
using namespace korvane::test;

namespace {

// A fast board on a ship lying still, so angles and distances stay put.
const QStringList kBoard{"--interval-ms", "200", "--speed", "0"};
constexpr int kWaitMs = 5000;

// The headless front end writes CR, LF and backslash escaped.
QString escaped(QString text)
{
    return text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\r', QStringLiteral("\\r"))
        .replace(u'\n', QStringLiteral("\\n"));
}

QString unescaped(const QString &line)
{
    QString out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c != u'\\' || i + 1 == line.size()) {
            out += c;
            continue;
        }
        const QChar next = line.at(++i);
        out += next == u'r' ? QChar(u'\r') : next == u'n' ? QChar(u'\n') : next;
    }
    return out;
}

// The distance display: nautical miles to two decimals, rounded down, and
// the kilometres as the board gave them.
QString distanceText(const QString &km)
{
    const double nm = std::floor(km.toDouble() * 100.0 / 1.852) / 100.0;
    return QString::number(nm, 'g', 15) + QStringLiteral("海里/") + QString::number(km.toDouble(), 'g', 15)
           + QStringLiteral("公里");
}

class StatusScenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        recordPath = QDir(dir.path()).filePath(QStringLiteral("board.bin"));
        settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
        logPath = QDir(dir.path()).filePath(QStringLiteral("korvane-station-%1.log")
                                                .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    }

    void start(const QStringList &boardArguments = {})
    {
        ASSERT_TRUE(board.start(QStringLiteral("board"),
                                kBoard + boardArguments + QStringList{QStringLiteral("--record"), recordPath}));
        SettingsStore settings(settingsPath);
        settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(QStringLiteral("DEVICE_KORVANE_PORT"), QString::number(board.port()));
        settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
        ASSERT_TRUE(station.start(
            {QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path()}, env));
        ASSERT_TRUE(waitForLine(QStringLiteral("Label6.colour=0,255,0"))) << qPrintable(station.output());
        // An execution report has been taken in: the angles are known.
        ASSERT_FALSE(waitForMatch(QStringLiteral("^navAngle\\.text=\\d+度$")).isEmpty());
        ASSERT_TRUE(waitForLine(QStringLiteral("Label4.text=超级终端（日志）")));
    }

    QStringList lines() const { return station.output().split(u'\n'); }

    bool waitForLine(const QString &line, int count = 1)
    {
        return waitUntil([&] { return lines().count(line) >= count; }, kWaitMs);
    }

    // The first output line matching `pattern`, waiting for one.
    QString waitForMatch(const QString &pattern, int ms = kWaitMs)
    {
        const QRegularExpression re(pattern);
        QString found;
        waitUntil(
            [&] {
                for (const QString &line : lines()) {
                    if (re.match(line).hasMatch()) {
                        found = line;
                        return true;
                    }
                }
                return false;
            },
            ms);
        return found;
    }

    bool waitForRecord(const QByteArray &bytes)
    {
        return waitUntil([&] { return boardRecordWithoutFirstQueries(recordPath) == bytes; }, kWaitMs);
    }

    bool waitForLog(const QString &text)
    {
        return waitUntil([&] { return QString::fromUtf8(readFile(logPath)).contains(text); }, kWaitMs);
    }

    QStringList logLines() const { return QString::fromUtf8(readFile(logPath)).split(QStringLiteral("\r\n")); }

    QTemporaryDir dir;
    QString recordPath;
    QString settingsPath;
    QString logPath;
    QProcessEnvironment env;
    SimProcess board;
    StationProcess station;
};

TEST_F(StatusScenario, AlarmsAndReceiverStateShowOnTheAlarmLineAndInTheLog)
{
    ASSERT_NO_FATAL_FAILURE(start());
    // Heading and speed ("航向45.0航速0.0俯仰…") and the compass of the
    // execution report ("罗盘44.8俯仰…" and the like) take turns on one label.
    EXPECT_TRUE(waitForLine(QStringLiteral("navAngle.text=45度航速0节")));
    EXPECT_FALSE(waitForMatch(QStringLiteral("^navAngle\\.text=4[45]度$")).isEmpty());

    // Board alarms: the whole chunk, or the station's own text for a bus fault.
    const std::vector<std::pair<const char *, QString>> alarms{
        {"alarm motor", escaped(QStringLiteral("电机告警:方位电机过流,已停止驱动\r\n"))},
        {"alarm bus", QStringLiteral("上次启动总线自检异常，将忽略总线设备，下次启动启用。")},
        {"alarm init", escaped(QStringLiteral("初始位错误,方位零位开关未触发\r\n"))},
    };
    for (const auto &[control, shown] : alarms) {
        ASSERT_TRUE(board.controlAcknowledged(control));
        // A status chunk read together with the alarm joins it on the line.
        EXPECT_FALSE(waitForMatch(QStringLiteral("^Lbl_ALARM\\.text=.*") + QRegularExpression::escape(shown)).isEmpty())
            << control;
    }
    EXPECT_TRUE(waitForLog(QStringLiteral("电机告警:方位电机过流,已停止驱动")));
    EXPECT_TRUE(waitForLog(QStringLiteral("初始位错误,方位零位开关未触发")));

    // Receiver lost and back, by the signal line and by the receiver's reset.
    const QString lost = QStringLiteral("Lbl_ALARM.text=北斗/GPS信号异常");
    const QString cleared = QStringLiteral("Lbl_ALARM.text=");
    ASSERT_TRUE(board.controlAcknowledged("gnss off"));
    EXPECT_TRUE(waitForLine(lost, 1));
    ASSERT_TRUE(board.controlAcknowledged("gnss on"));
    EXPECT_TRUE(waitForLine(cleared, 1));
    ASSERT_TRUE(board.controlAcknowledged("alarm receiver"));
    EXPECT_TRUE(waitForLine(lost, 2));
    EXPECT_TRUE(waitForLine(cleared, 2)) << "the next \"信号:100%\" clears it";

    // The parameter listing with the base count goes to the terminal and the log.
    ASSERT_TRUE(board.controlAcknowledged("bases 3"));
    EXPECT_FALSE(waitForMatch(QStringLiteral("^Text2\\.append=当前基站数量3,设置的参数如下:")).isEmpty());
    EXPECT_TRUE(waitForLog(QStringLiteral("当前基站数量3,设置的参数如下:\r\n")));
}

TEST_F(StatusScenario, OperatorActionsReachTheBoardAndItsRepliesShow)
{
    ASSERT_NO_FATAL_FAILURE(start());
    QByteArray expected;

    // Manual drive to the dot at 90°, relative to where the board says the
    // antenna points.
    const double azimuth = board.statusText(QStringLiteral("azimuth")).toDouble();
    const QString drive = QStringLiteral("[P0H%1V0]").arg(std::floor(90.0 - azimuth));
    station.send(QStringLiteral(":click angle 3"));
    expected += drive.toLatin1() + "\r\n";
    ASSERT_TRUE(waitForRecord(expected)) << readFile(recordPath).constData();
    EXPECT_TRUE(waitForLog(QStringLiteral(")事件：手动驱动：") + drive));
    // The board's echo and execution report, logged as one line after the
    // position line.
    const QString echo = QStringLiteral("4G网络正常 命令:") + drive;
    QString reply = waitForMatch(QStringLiteral("^Text2\\.append=.*") + QRegularExpression::escape(echo));
    ASSERT_FALSE(reply.isEmpty());
    reply = unescaped(reply.mid(reply.indexOf(echo)));
    EXPECT_TRUE(reply.startsWith(echo + QStringLiteral("\r\n执行"))) << qPrintable(reply);
    EXPECT_TRUE(waitForLog(QString(reply).remove(QStringLiteral("\r\n")) + QStringLiteral("  信号")));
    EXPECT_TRUE(waitForLog(QStringLiteral("坐标：31.2304123,121.473701 \r\n")));

    // Target latitude typed while the receiver has no fix: the log's
    // position line then carries the time, heading and speed.
    ASSERT_TRUE(board.controlAcknowledged("gnss off"));
    ASSERT_TRUE(waitForLine(QStringLiteral("Lbl_ALARM.text=北斗/GPS信号异常")));
    station.send(QStringLiteral(":set Text12 31.5"));
    station.send(QStringLiteral(":key Text12 13"));
    expected += "w31.5\r\n";
    ASSERT_TRUE(waitForRecord(expected)) << readFile(recordPath).constData();
    EXPECT_TRUE(waitForLog(QStringLiteral("4G网络正常 命令:w31.5\r\n")));
    const QRegularExpression timed(QStringLiteral("^\\S.*\\d坐标：31\\.2304123,121\\.473701 航向45 航速0节$"));
    const QStringList log = logLines();
    EXPECT_TRUE(
        std::any_of(log.cbegin(), log.cend(), [&](const QString &line) { return timed.match(line).hasMatch(); }));
    ASSERT_TRUE(board.controlAcknowledged("gnss on"));
    EXPECT_TRUE(waitForLine(QStringLiteral("Lbl_ALARM.text=")));
    // The base station moved: the distance shown is the one reported next.
    const QString report = waitForMatch(QStringLiteral("^Text2\\.append=.*基站纬度:31\\.5000000.*,距离:[\\d.]+km"));
    const QString km = QRegularExpression(QStringLiteral(",距离:([\\d.]+)km")).match(report).captured(1);
    ASSERT_FALSE(km.isEmpty());
    EXPECT_TRUE(waitForLine(QStringLiteral("distvalue.text=") + distanceText(km))) << qPrintable(km);

    // Compass re-basing: each text is answered "o" once.
    ASSERT_TRUE(board.controlAcknowledged("compass init"));
    expected += "o\r\n";
    ASSERT_TRUE(waitForRecord(expected)) << readFile(recordPath).constData();
    ASSERT_TRUE(board.controlAcknowledged("compass based"));
    expected += "o\r\n";
    ASSERT_TRUE(waitForRecord(expected)) << readFile(recordPath).constData();

    // A stuck compass: with the diagnostic switch in the console box the
    // station counts the unchanged readings on the notice line.
    station.send(QStringLiteral(":set Combo2 aaa"));
    ASSERT_TRUE(waitForLine(QStringLiteral("Combo2.text=aaa")));
    ASSERT_TRUE(board.controlAcknowledged("compass stuck on"));
    const double frozen = board.statusText(QStringLiteral("compass")).toDouble();
    for (int count = 1; count <= 3; ++count) {
        EXPECT_TRUE(waitForLine(QStringLiteral("Label_NOTE.text=Comp Count:%1 %2度").arg(count).arg(std::floor(frozen))))
            << count;
    }
    EXPECT_TRUE(waitForLine(QStringLiteral("navAngle.text=%1度").arg(std::floor(frozen))));
    ASSERT_TRUE(board.controlAcknowledged("compass stuck off"));

    // Nothing else went to the board.
    EXPECT_EQ(boardRecordWithoutFirstQueries(recordPath), expected);
}

TEST_F(StatusScenario, SplitExecutionReportsAreShownInPiecesAndLoggedWhole)
{
    // A slower round leaves the pieces further apart, so they are read apart.
    ASSERT_NO_FATAL_FAILURE(
        start({QStringLiteral("--split-reports"), QStringLiteral("--interval-ms"), QStringLiteral("400")}));
    // Four split reports while connected: each place the board cuts, at least once.
    const qint64 before = board.statusValue(QStringLiteral("split_reports"));
    ASSERT_TRUE(waitUntil([&] { return board.statusValue(QStringLiteral("split_reports")) >= before + 4; }, 10000));

    // The terminal shows each piece as it came. A late read joins pieces, so
    // a kind not seen yet may need a few more reports.
    for (const char *piece : {"^Text2\\.append=执行[\\d.]+\\+0\\.0$",             // before the target
                              "^Text2\\.append=目标:[^\\\\]*俯仰5\\.0\\\\r\\\\n$",  // the rest
                              "^Text2\\.append=执行[^\\\\]*罗盘[\\d.]+$",          // before the elevation
                              "^Text2\\.append=目标:[^\\\\]*罗盘[\\d.]+$",         // the middle
                              "^Text2\\.append=俯仰5\\.0\\\\r\\\\n$"}) {      // the elevation
        EXPECT_FALSE(waitForMatch(QString::fromUtf8(piece), 20000).isEmpty()) << piece;
    }
    // The log holds whole reports only, each with the radio figures after it.
    const QRegularExpression whole(QStringLiteral("^执行[\\d.]+\\+0\\.0目标:[\\d.]+距离[\\d.]+ 罗盘[\\d.]+俯仰5\\.0  信号"));
    int reports = 0;
    for (const QString &line : logLines()) {
        EXPECT_FALSE(line.startsWith(QStringLiteral("目标:")) || line.startsWith(QStringLiteral("俯仰")))
            << qPrintable(line);
        if (line.contains(QStringLiteral("执行"))) {
            EXPECT_TRUE(whole.match(line).hasMatch()) << qPrintable(line);
            ++reports;
        }
    }
    EXPECT_GE(reports, 8);
}

} // namespace
