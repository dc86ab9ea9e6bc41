// A link that fails, as the crew meets it: the headless station against the
// simulated board and radio as separate programs. A silent, dropped or
// refusing radio, a signal that falls to the floor, a board that stops
// talking and a flapping radio each give their lines, their reason, the
// figures' stale marks and, on return, the outage's length.
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

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kWaitMs = 20000;
const QString kLoggedIn = QStringLiteral("Label_NOTE.text=微波登录成功！");

class LinkLossE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settingsPath = QDir(dir.path()).filePath(QStringLiteral("station.ini"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        ASSERT_TRUE(board.start(QStringLiteral("board"), {QStringLiteral("--interval-ms"), QStringLiteral("500")}));
    }

    QStringList radioArguments(quint16 port = 0) const
    {
        return {QStringLiteral("--family"), QStringLiteral("airos"), QStringLiteral("--jitter"), QStringLiteral("0"),
                QStringLiteral("--port"), QString::number(port)};
    }

    bool startStation(quint16 radioPort)
    {
        {
            SettingsStore settings(settingsPath);
            settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
            settings.write(QStringLiteral("DEVICE_WIRESS_IP"), QStringLiteral("127.0.0.1:%1").arg(radioPort));
            settings.write(QStringLiteral("DEVICE_WIRESS_USER"), QStringLiteral("ubnt"));
            settings.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("ubnt"));
            settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
        }
        return station.start({QStringLiteral("--settings"), settingsPath, QStringLiteral("--log-dir"), dir.path()},
                             env);
    }

    QString log() const
    {
        QFile f(QDir(dir.path()).filePath(QStringLiteral("korvane-station-%1.log")
                                              .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // Waits for `text` in the station's output after position `from`.
    bool outputAfter(qsizetype from, const QString &text, int timeoutMs = kWaitMs)
    {
        return waitUntil([&] { return station.output().indexOf(text, from) >= 0; }, timeoutMs);
    }

    QTemporaryDir dir;
    QString settingsPath;
    QProcessEnvironment env;
    SimProcess board;
    SimProcess radio;
    StationProcess station;
};

TEST_F(LinkLossE2E, SilenceADropAndALostSignalEachSayWhatAndHowLong)
{
    ASSERT_TRUE(radio.start(QStringLiteral("radio"), radioArguments()));
    ASSERT_TRUE(startStation(radio.port()));
    ASSERT_TRUE(station.waitForOutput(kLoggedIn, kWaitMs)) << qPrintable(station.output());
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text_Level.text=▁ ▃ ▅ ▇ █"), kWaitMs));

    // A radio that keeps its socket open and says nothing: the figures age
    // out within three polls; one line says why.
    qsizetype from = station.output().size();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent on")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Text1.stale=1"), 9000)) << "stale within three polls and a bit";
    EXPECT_TRUE(outputAfter(from, QStringLiteral("Text15.stale=1"), 2000)) << "the whole feed, not only the signal";
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Label_NOTE.text=微波连接中断（连续三次轮询无应答）")));
    EXPECT_TRUE(outputAfter(from, QStringLiteral("radioLamp.status=微波：断开 ")));
    from = station.output().size();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent off")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Text1.stale=0")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Label_NOTE.text=微波连接恢复，中断")));

    // The radio answers but the signal is gone: an empty bar at once, a
    // signal-lost line after ten seconds, its return with the length.
    from = station.output().size();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("signal -120")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Text_Level.tooltip=无信号")));
    EXPECT_TRUE(outputAfter(from, QStringLiteral("Text_Level.text=\n")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Label_NOTE.text=信号丢失（信号低于-110 dBm）")));
    from = station.output().size();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("signal -52")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Label_NOTE.text=信号恢复，中断")));

    // The radio closes the connection: the reason is the peer's close.
    from = station.output().size();
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("drop")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Label_NOTE.text=微波连接中断（连接被对方关闭）")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("Label_NOTE.text=微波连接恢复，中断")));

    // The board stops streaming but its socket stays up: its figures age,
    // and no loss is claimed while the probe finds it answering.
    from = station.output().size();
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("silent on")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("navAngle.stale=1"), 8000));
    ASSERT_TRUE(board.controlAcknowledged(QStringLiteral("silent off")));
    ASSERT_TRUE(outputAfter(from, QStringLiteral("navAngle.stale=0")));
    EXPECT_FALSE(log().contains(QStringLiteral("控制板连接中断")));

    // Each change once in the daily log, with its reason.
    ASSERT_TRUE(waitUntil([&] { return log().count(QStringLiteral("事件：微波连接恢复，中断")) >= 2; }, kWaitMs));
    const QString text = log();
    EXPECT_EQ(text.count(QStringLiteral("事件：微波连接中断（连续三次轮询无应答）")), 1) << qPrintable(text.right(3000));
    EXPECT_EQ(text.count(QStringLiteral("事件：微波连接中断（连接被对方关闭）")), 1);
    EXPECT_EQ(text.count(QStringLiteral("事件：微波连接恢复，中断")), 2);
    EXPECT_EQ(text.count(QStringLiteral("事件：信号丢失（信号低于-110 dBm）")), 1);
    EXPECT_EQ(text.count(QStringLiteral("事件：信号恢复，中断")), 1);
    const QRegularExpression length(QStringLiteral("事件：微波连接恢复，中断(\\d+)秒"));
    const auto m = length.match(text);
    ASSERT_TRUE(m.hasMatch());
    EXPECT_GE(m.captured(1).toInt(), 5) << "the silence lasted at least the stale time";
}

TEST_F(LinkLossE2E, ARadioThatRefusesIsOneLineUntilItIsBack)
{
    // A port that nothing listens on, taken from a radio started and stopped.
    ASSERT_TRUE(radio.start(QStringLiteral("radio"), radioArguments()));
    const quint16 port = radio.port();
    radio.stop();
    ASSERT_TRUE(startStation(port));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波连接失败（连接被拒绝）"), kWaitMs))
        << qPrintable(station.output());
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.stale=1"), kWaitMs));
    // Several reconnects are refused meanwhile (one a supervision tick).
    ASSERT_TRUE(waitUntil([&] { return station.output().count(QStringLiteral("radioLamp.colour=255,0,0")) >= 2; },
                          kWaitMs));
    ASSERT_TRUE(radio.restart(QStringLiteral("radio"), radioArguments(port)));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波连接恢复，中断"), kWaitMs));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text1.stale=0"), kWaitMs));
    // The notice is printed before the line reaches the file.
    ASSERT_TRUE(waitUntil([&] { return log().contains(QStringLiteral("微波连接恢复")); }, kWaitMs));
    const QString text = log();
    EXPECT_EQ(text.count(QStringLiteral("微波连接失败")), 1) << qPrintable(text.right(3000));
    EXPECT_EQ(text.count(QStringLiteral("微波连接恢复")), 1);
}

TEST_F(LinkLossE2E, ARadioThatAcceptsButNeverAnswersIsNoLink)
{
    ASSERT_TRUE(radio.start(QStringLiteral("radio"), radioArguments()));
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent on")));
    ASSERT_TRUE(startStation(radio.port()));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波连接失败（连续三次轮询无应答）"), kWaitMs))
        << qPrintable(station.output());
    EXPECT_TRUE(station.output().contains(QStringLiteral("Text1.stale=1")));
    EXPECT_FALSE(station.output().contains(kLoggedIn));
    // Once it speaks, the session comes up as from the start.
    ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("silent off")));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波连接恢复，中断"), 30000))
        << qPrintable(station.output().right(3000));
}

TEST_F(LinkLossE2E, AFlappingRadioGivesOneLinePerChangeAtMost)
{
    ASSERT_TRUE(radio.start(QStringLiteral("radio"), radioArguments()));
    ASSERT_TRUE(startStation(radio.port()));
    ASSERT_TRUE(station.waitForOutput(kLoggedIn, kWaitMs));
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Text_Level.text=▁ ▃ ▅ ▇ █"), kWaitMs));
    const qint64 logBefore = log().size();
    int drops = 0;
    QElapsedTimer flapping;
    flapping.start();
    // A drop a second for twenty seconds; the station reconnects as it will.
    while (flapping.elapsed() < 20000) {
        ASSERT_TRUE(radio.controlAcknowledged(QStringLiteral("drop")));
        ++drops;
        const qint64 next = drops * 1000;
        waitUntil([&] { return flapping.elapsed() >= next; }, 2000);
    }
    ASSERT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=微波连接恢复"), kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return log().contains(QStringLiteral("事件：微波连接恢复")); }, kWaitMs));
    const QString text = log();
    const qsizetype lost = text.count(QStringLiteral("事件：微波连接中断"));
    const qsizetype back = text.count(QStringLiteral("事件：微波连接恢复"));
    EXPECT_GE(lost, 1);
    EXPECT_LE(lost, drops);
    EXPECT_TRUE(back == lost || back == lost - 1) << lost << " lost, " << back << " back";
    // Lines alternate: never two losses without a return between them.
    const QRegularExpression change(QStringLiteral("事件：微波连接(中断|恢复)"));
    QString previous;
    for (auto it = change.globalMatch(text); it.hasNext();) {
        const QString now = it.next().captured(1);
        EXPECT_NE(now, previous) << "two lines for one change";
        previous = now;
    }
    EXPECT_LT(log().size() - logBefore, 200 * 1024) << "bytes logged while flapping";
}

} // namespace
