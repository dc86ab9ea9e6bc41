#include "web/LiveFrame.h"
#include "web/StatusFigures.h"

#include "support/StationFixture.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <functional>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::StationFixture;

namespace {

struct Row {
    const char *name;
    std::function<void(Station &)> act;
    const char *key;
    QJsonValue expected;
};

void radioReads(Station &s, Control &c, const QString &text)
{
    c.setText(text);
    s.display.radioFeed.reading();
}

void boardReads(Station &s, Control &c, const QString &text)
{
    c.setText(text);
    s.display.boardFeed.reading();
}

TEST(StatusObject, ReadsEachFigureFromTheWindowsText)
{
    const QJsonValue null(QJsonValue::Null);
    const Row rows[] = {
        {"design text is no reading", [](Station &) {}, "signal_dbm", null},
        {"no reading, no age", [](Station &) {}, "signal_dbm_age_s", null},
        {"signal", [](Station &s) { radioReads(s, s.display.Text1, QStringLiteral("-62")); }, "signal_dbm", -62},
        {"emptied signal", [](Station &s) { radioReads(s, s.display.Text1, QString()); }, "signal_dbm", null},
        {"capacity down", [](Station &s) { radioReads(s, s.display.Text15, QStringLiteral("100 /50")); },
         "capacity_down_mbps", 100},
        {"capacity up", [](Station &s) { radioReads(s, s.display.Text15, QStringLiteral("100 /50")); },
         "capacity_up_mbps", 50},
        {"one rate only", [](Station &s) { radioReads(s, s.display.Text15, QStringLiteral("300")); },
         "capacity_up_mbps", null},
        {"throughput", [](Station &s) { radioReads(s, s.display.lanByte, QStringLiteral("1.25 /0.5")); },
         "tx_mbps", 0.5},
        {"chain delta", [](Station &s) { radioReads(s, s.display.Text_delta, QStringLiteral("Δ:-3")); },
         "chain_delta_db", -3},
        {"bars", [](Station &s) { radioReads(s, s.display.Text_Level, QStringLiteral("▁ ▃ ▅ 　 　")); },
         "signal_bars", 3},
        {"device", [](Station &s) { radioReads(s, s.display.Ship, QStringLiteral("PBE-5AC")); }, "device",
         QStringLiteral("PBE-5AC")},
        {"heading", [](Station &s) { boardReads(s, s.display.navAngle, QStringLiteral("123度航速10节")); },
         "heading_deg", 123},
        {"speed", [](Station &s) { boardReads(s, s.display.navAngle, QStringLiteral("123度航速10节")); },
         "speed_kn", 10},
        {"compass heading has no speed", [](Station &s) { boardReads(s, s.display.navAngle, QStringLiteral("90度")); },
         "speed_kn", null},
        {"distance in km",
         [](Station &s) { boardReads(s, s.display.distvalue, QStringLiteral("12.5海里/23.15公里")); },
         "distance_km", 23.15},
        {"fresh", [](Station &s) { radioReads(s, s.display.Text1, QStringLiteral("-62")); }, "signal_dbm_stale",
         false},
        {"lost radio keeps the figure",
         [](Station &s) {
             radioReads(s, s.display.Text1, QStringLiteral("-62"));
             s.display.radioFeed.lost(QStringLiteral("连接被拒绝"));
         },
         "signal_dbm", -62},
        {"lost radio marks it stale",
         [](Station &s) {
             radioReads(s, s.display.Text1, QStringLiteral("-62"));
             s.display.radioFeed.lost(QStringLiteral("连接被拒绝"));
         },
         "signal_dbm_stale", true},
        {"link never up", [](Station &) {}, "board_link", null},
        {"link down",
         [](Station &s) { s.links.board.lost(QStringLiteral("连接被拒绝"), QDateTime::currentDateTime()); },
         "board_link", false},
        {"link up", [](Station &s) { s.links.radio.back(QDateTime::currentDateTime()); }, "radio_link", true},
        {"alarm", [](Station &s) { s.display.Lbl_ALARM.setText(QStringLiteral("信号丢失")); }, "alarm_on", true},
    };
    for (const Row &row : rows) {
        StationFixture f;
        Station &s = f.start();
        row.act(s);
        const QJsonObject o = web::statusObject(s);
        ASSERT_TRUE(o.contains(QString::fromLatin1(row.key))) << row.name;
        EXPECT_EQ(o.value(QString::fromLatin1(row.key)), row.expected) << row.name;
    }
}

TEST(StatusObject, AgesRunFromTheFeedsLastReading)
{
    StationFixture f;
    Station &s = f.start();
    radioReads(s, s.display.Text1, QStringLiteral("-62"));
    const QJsonObject o = web::statusObject(s);
    ASSERT_TRUE(o.value(QStringLiteral("signal_dbm_age_s")).isDouble());
    EXPECT_GE(o.value(QStringLiteral("signal_dbm_age_s")).toDouble(), 0.0);
    EXPECT_LT(o.value(QStringLiteral("signal_dbm_age_s")).toDouble(), 5.0);
    EXPECT_TRUE(o.value(QStringLiteral("heading_deg_age_s")).isNull());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(o.value(QStringLiteral("version")).toString())
                    .hasMatch());
}

TEST(LiveFrame, FiguresInWindowOrderLampsAndRing)
{
    StationFixture f;
    Station &s = f.start();
    radioReads(s, s.display.Text1, QStringLiteral("-62"));
    s.display.radioFeed.lost(QStringLiteral("连接被拒绝"));
    s.display.Label6.setColour(colours::Green);
    s.display.angle[3]->setColour(colours::Red);
    const QJsonObject frame = web::liveFrame(s);
    const QJsonArray figures = frame.value(QStringLiteral("figures")).toArray();
    ASSERT_EQ(figures.size(), web::statusFigures().size());
    const QJsonObject signal = figures.at(0).toObject();
    EXPECT_EQ(signal.value(QStringLiteral("id")).toString(), QStringLiteral("signal_dbm"));
    EXPECT_EQ(signal.value(QStringLiteral("label")).toString(), QStringLiteral("信号"));
    EXPECT_EQ(signal.value(QStringLiteral("text")).toString(), QStringLiteral("-62"));
    EXPECT_TRUE(signal.value(QStringLiteral("stale")).toBool());
    const QJsonArray lamps = frame.value(QStringLiteral("lamps")).toArray();
    ASSERT_EQ(lamps.size(), 3);
    EXPECT_EQ(lamps.at(0).toObject().value(QStringLiteral("colour")).toString(), QStringLiteral("green"));
    EXPECT_EQ(lamps.at(2).toObject().value(QStringLiteral("colour")).toString(), QStringLiteral("grey"));
    const QJsonArray dots = frame.value(QStringLiteral("ring")).toObject().value(QStringLiteral("dots")).toArray();
    ASSERT_EQ(dots.size(), 13);
    EXPECT_EQ(dots.at(3).toObject().value(QStringLiteral("colour")).toString(), QStringLiteral("red"));
    EXPECT_TRUE(frame.value(QStringLiteral("compass")).toObject().value(QStringLiteral("antenna_deg")).isNull());
    // A stale signal leaves the caption's trailing figure off, as the title bar does.
    s.display.MainWindow.setText(QStringLiteral("动中通 -62"));
    EXPECT_EQ(web::liveFrame(s).value(QStringLiteral("caption")).toString(), QStringLiteral("动中通"));
}

} // namespace
