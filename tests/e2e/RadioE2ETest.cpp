// The headless station with the simulated board and the simulated radio of
// each family, all as separate programs: the radio's figures reach the
// display lines and keep moving. The periodic poll is not the session's job,
// so the radio here pushes a status reply unasked every half second.
#include "support/Sanitized.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kWaitMs = 15000;

struct FamilyCase {
    const char *family;
    const char *loggedInLine;        // the display line that shows the login
    std::vector<const char *> moving; // display properties that must take several values
    bool throughputShown;
};

void PrintTo(const FamilyCase &c, std::ostream *os) { *os << c.family; }

class RadioE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
        logPath = QDir(dir.path()).filePath(QStringLiteral("korvane-station-%1.log")
                                                .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--interval-ms"), QStringLiteral("500")}));
    }

    bool startStation(const QString &family, const QStringList &radioArguments = {})
    {
        if (!radio.start(QStringLiteral("radio"), QStringList{QStringLiteral("--family"), family,
                                                               QStringLiteral("--password"), QStringLiteral("Pw-7781"),
                                                               QStringLiteral("--push-ms"), QStringLiteral("500")}
                                                       + radioArguments))
            return false;
        {
            SettingsStore settings(settingsPath);
            settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
            settings.write(QStringLiteral("DEVICE_WIRESS_IP"), QStringLiteral("127.0.0.1:%1").arg(radio.port()));
            settings.write(QStringLiteral("DEVICE_WIRESS_USER"), QStringLiteral("ubnt"));
            settings.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("Pw-7781"));
            settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
        }
        return station.start({QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path()},
                             env);
    }

    // The distinct values a display property has shown so far.
    QSet<QString> values(const QString &property) const
    {
        QSet<QString> seen;
        const QRegularExpression line(QStringLiteral("^") + QRegularExpression::escape(property)
                                          + QStringLiteral("=(.*)$"),
                                      QRegularExpression::MultilineOption);
        for (auto it = line.globalMatch(station.output()); it.hasNext();)
            seen.insert(it.next().captured(1));
        return seen;
    }

    QString log() const
    {
        QFile f(logPath);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir dir;
    QString settingsPath;
    QString logPath;
    QProcessEnvironment env;
    SimProcess board;
    SimProcess radio;
    StationProcess station;
};

class RadioFamiliesE2E : public RadioE2E, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(RadioFamiliesE2E, FiguresReachTheDisplayAndKeepMoving)
{
    const FamilyCase &c = GetParam();
    ASSERT_TRUE(startStation(QString::fromLatin1(c.family)));
    ASSERT_TRUE(station.waitForOutput(QString::fromUtf8(c.loggedInLine), kWaitMs)) << qPrintable(station.output());
    for (const char *property : c.moving) {
        const QString name = QString::fromLatin1(property);
        EXPECT_TRUE(waitUntil([&] { return values(name).size() >= 2; }, kWaitMs))
            << property << " showed only " << QStringList(values(name).values()).join(u'|').toStdString();
    }
    const QRegularExpression signal(QStringLiteral("^Text1\\.text=-\\d+$"), QRegularExpression::MultilineOption);
    EXPECT_TRUE(signal.match(station.output()).hasMatch());
    EXPECT_EQ(values(QStringLiteral("lanByte.visible")).contains(QStringLiteral("0")), !c.throughputShown);
    EXPECT_TRUE(station.output().contains(QStringLiteral("Label6.colour=0,255,0"))) << "the board is connected too";
    EXPECT_FALSE(log().contains(QLatin1String("Pw-7781"))) << "the password stays out of the log";
    EXPECT_EQ(station.process().state(), QProcess::Running);
}

INSTANTIATE_TEST_SUITE_P(Families, RadioFamiliesE2E, ::testing::Values(
    FamilyCase{"airos", "Label_NOTE.text=微波登录成功！",
               {"Text1.text", "Text_Level.tooltip", "Text15.text", "lanByte.text", "Text_delta.text"}, true},
    FamilyCase{"airfiber", "Label_NOTE.text=微波登录成功！", {"Text1.text", "Text15.text", "lanByte.text"}, true},
    FamilyCase{"iwconfig", "Label_NOTE.text=微波登录成功！",
               {"Text1.text", "Text_Level.tooltip", "Text15.text", "lanByte.text"}, true},
    FamilyCase{"json", "Label_NOTE.text=微波登录成功！", {"Text1.text", "Text_Level.tooltip", "Text15.text"}, false}
), [](const auto &info) { return std::string(info.param.family); });

// Every family behind a console that echoes the commands, as BusyBox ash
// behind telnetd does: the figures come from the output, not the echo.
class EchoingFamiliesE2E : public RadioE2E, public ::testing::WithParamInterface<const char *> {};

TEST_P(EchoingFamiliesE2E, FiguresComeFromTheOutputNotTheEcho)
{
    const QString family = QString::fromLatin1(GetParam());
    ASSERT_TRUE(startStation(family, {QStringLiteral("--echo")}));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波登录成功！"), kWaitMs))
        << qPrintable(station.output());
    EXPECT_TRUE(waitUntil([&] { return values(QStringLiteral("Text1.text")).size() >= 2; }, kWaitMs));
    if (family == QLatin1String("json")) {
        ASSERT_TRUE(waitUntil([&] { return radio.statusValue(QStringLiteral("status_replies")) >= 6; }, kWaitMs));
        EXPECT_EQ(radio.statusValue(QStringLiteral("key_errors")), 0) << "the echoed key is no new key";
        EXPECT_EQ(radio.statusValue(QStringLiteral("logins")), 2);
        return;
    }
    // The accumulated transmit bytes on the throughput box's tool tip.
    const QRegularExpression sent(QStringLiteral("累计收发数据字节Mbyte:[0-9.]+ /([0-9.]+)"));
    EXPECT_TRUE(waitUntil(
        [&] {
            for (const QString &tip : values(QStringLiteral("lanByte.tooltip"))) {
                const QString tx = sent.match(tip).captured(1);
                if (!tx.isEmpty() && tx != QLatin1String("0.0"))
                    return true;
            }
            return false;
        },
        kWaitMs))
        << QStringList(values(QStringLiteral("lanByte.tooltip")).values()).join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Echoing, EchoingFamiliesE2E, ::testing::Values("airos", "airfiber", "iwconfig", "json"),
                         [](const auto &info) { return std::string(info.param); });

qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

TEST_F(RadioE2E, SilenceAMegabyteLineAndAFloodLeaveTheStationServing)
{
    ASSERT_TRUE(startStation(QStringLiteral("airos")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波登录成功！"), kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return values(QStringLiteral("lanByte.text")).size() >= 1; }, kWaitMs));
    const qint64 before = residentKb(station.process().processId());

    // A megabyte without a line end or prompt, then nothing at all.
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("long-line 1048576")));
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent on")));
    station.send(QStringLiteral(":click Label18"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label18.text=︾"), kWaitMs));
    qsizetype seen = station.output().size();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent off")));
    EXPECT_TRUE(waitUntil(
        [&] { return station.output().mid(seen).contains(QLatin1String("\nlanByte.text=")); }, kWaitMs))
        << "figures flow again after the long line and the silence";

    // Garbage without end. (It may well hold words that change what the
    // station takes the radio for; it must not stop the station.)
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("flood 3000000")));
    station.send(QStringLiteral(":click Label18"));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label18.text=︽"), kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return radio.statusValue(QStringLiteral("bytes_out")) > 4000000; }, 30000));
    seen = station.output().size();
    station.send(QStringLiteral(":click Label18"));
    EXPECT_TRUE(waitUntil([&] { return station.output().mid(seen).contains(QStringLiteral("Label18.text=︾")); },
                          kWaitMs))
        << "the operator is still served after the flood";
    EXPECT_EQ(station.process().state(), QProcess::Running);
    const qint64 after = residentKb(station.process().processId());
    if (!kSanitized && before > 0 && after > 0) {
        EXPECT_LT(after - before, 64 * 1024) << "kB grown while 4 MB of noise went through";
    }
}

} // namespace
