#include "web/LiveFrame.h"
#include "web/StatusFigures.h"

#include "support/StationFixture.h"

#include <QJsonArray>

#include <functional>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::StationFixture;

namespace {

void reads(Feed &feed, Control &c, const QString &text)
{
    c.setText(text);
    feed.reading();
}

TEST(StatusObject, ReadsEachFigureFromTheWindowsText)
{
    const QJsonValue null(QJsonValue::Null);
    const QDateTime now = QDateTime::currentDateTime();
    const struct {
        std::function<void(Display &, LinkHealth &)> act;
        QJsonObject expected;
    } rows[] = {
        {[](Display &, LinkHealth &) {},
         {{"signal_dbm", null}, {"signal_dbm_age_s", null}, {"board_link", null}, {"alarm_on", false}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.Text1, QStringLiteral("-62")); },
         {{"signal_dbm", -62}, {"signal_dbm_stale", false}, {"heading_deg_age_s", null}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.Text1, QString()); }, {{"signal_dbm", null}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.Text15, QStringLiteral("100 /50")); },
         {{"capacity_down_mbps", 100}, {"capacity_up_mbps", 50}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.Text15, QStringLiteral("300")); },
         {{"capacity_down_mbps", 300}, {"capacity_up_mbps", null}, {"capacity_up_mbps_age_s", null}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.lanByte, QStringLiteral("1.25 /0.5")); },
         {{"rx_mbps", 1.25}, {"tx_mbps", 0.5}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.Text_delta, QStringLiteral("Δ:-3")); },
         {{"chain_delta_db", -3}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.Text_Level, QStringLiteral("▁ ▃ ▅ 　 　")); },
         {{"signal_bars", 3}}},
        {[](Display &d, LinkHealth &) { reads(d.radioFeed, d.Ship, QStringLiteral("PBE-5AC")); },
         {{"device", QStringLiteral("PBE-5AC")}}},
        {[](Display &d, LinkHealth &) { reads(d.boardFeed, d.navAngle, QStringLiteral("123度航速10节")); },
         {{"heading_deg", 123}, {"speed_kn", 10}}},
        {[](Display &d, LinkHealth &) { reads(d.boardFeed, d.navAngle, QStringLiteral("90度")); },
         {{"heading_deg", 90}, {"speed_kn", null}}},
        {[](Display &d, LinkHealth &) { reads(d.boardFeed, d.distvalue, QStringLiteral("12.5海里/23.15公里")); },
         {{"distance_km", 23.15}}},
        // A lost peer's figure stays as the window shows it, greyed.
        {[](Display &d, LinkHealth &) {
             reads(d.radioFeed, d.Text1, QStringLiteral("-62"));
             d.radioFeed.lost(QStringLiteral("连接被拒绝"));
         },
         {{"signal_dbm", -62}, {"signal_dbm_stale", true}}},
        {[now](Display &d, LinkHealth &l) {
             l.board.lost(QStringLiteral("连接被拒绝"), now);
             l.radio.back(now);
             d.Lbl_ALARM.setText(QStringLiteral("信号丢失"));
         },
         {{"board_link", false}, {"radio_link", true}, {"alarm_on", true}}},
    };
    for (const auto &row : rows) {
        StationFixture f;
        Station &s = f.start();
        row.act(s.display, s.links);
        const QJsonObject o = web::statusObject(s);
        for (auto it = row.expected.begin(); it != row.expected.end(); ++it) {
            ASSERT_TRUE(o.contains(it.key())) << it.key().toStdString();
            EXPECT_EQ(o.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
}

TEST(LiveFrame, FiguresInWindowOrderLampsAndRing)
{
    StationFixture f;
    Station &s = f.start();
    reads(s.display.radioFeed, s.display.Text1, QStringLiteral("-62"));
    s.display.Label6.setColour(colours::Green);
    s.display.angle[3]->setColour(colours::Red);
    const QJsonObject frame = web::liveFrame(s);
    const QJsonObject signal = frame.value(QStringLiteral("figures")).toArray().at(0).toObject();
    EXPECT_EQ(signal.value(QStringLiteral("id")).toString(), QStringLiteral("signal_dbm"));
    EXPECT_EQ(signal.value(QStringLiteral("text")).toString(), QStringLiteral("-62"));
    EXPECT_LT(signal.value(QStringLiteral("age_s")).toDouble(-1), 5.0);
    EXPECT_GE(signal.value(QStringLiteral("age_s")).toDouble(-1), 0.0);
    const QJsonArray lamps = frame.value(QStringLiteral("lamps")).toArray();
    EXPECT_EQ(lamps.at(0).toObject().value(QStringLiteral("colour")).toString(), QStringLiteral("green"));
    EXPECT_EQ(lamps.at(2).toObject().value(QStringLiteral("colour")).toString(), QStringLiteral("grey"));
    const QJsonArray dots = frame.value(QStringLiteral("ring")).toObject().value(QStringLiteral("dots")).toArray();
    ASSERT_EQ(dots.size(), 13);
    EXPECT_EQ(dots.at(3).toObject().value(QStringLiteral("colour")).toString(), QStringLiteral("red"));
    // A stale signal leaves the caption's trailing figure off, as the title bar does.
    s.display.MainWindow.setText(QStringLiteral("动中通 -62"));
    s.display.radioFeed.lost(QStringLiteral("连接被拒绝"));
    EXPECT_EQ(web::liveFrame(s).value(QStringLiteral("caption")).toString(), QStringLiteral("动中通"));
}

} // namespace
