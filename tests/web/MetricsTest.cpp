#include "web/Metrics.h"

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::StationFixture;

namespace {

// The text exposition format 0.0.4, as strictly as a scraper reads it:
// every sample's family has one TYPE line before its samples, counters end
// in _total, label values are quoted with only \\, \" and \n escaped, no
// series twice. Returns the faults found; fills `samples` by series.
QStringList validate(const QByteArray &text, QMap<QString, double> &samples)
{
    static const QRegularExpression type(QStringLiteral("^# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (counter|gauge)$"));
    static const QString label = QStringLiteral(R"([a-zA-Z_]\w*="(?:[^"\\\n]|\\[\\"n])*")");
    static const QRegularExpression sample(
        QStringLiteral(R"(^([a-zA-Z_:][a-zA-Z0-9_:]*)(\{%1(?:,%1)*\})? (\S+)$)").arg(label));
    QStringList faults;
    QMap<QString, QString> types;
    QSet<QString> sampled;
    if (!text.endsWith('\n'))
        faults << QStringLiteral("no final line end");
    for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("# TYPE "))) {
            const auto m = type.match(line);
            const QString name = m.captured(1);
            if (!m.hasMatch() || types.contains(name) || sampled.contains(name)
                || name.endsWith(QLatin1String("_total")) != (m.captured(2) == QLatin1String("counter")))
                faults << line;
            types[name] = m.captured(2);
            continue;
        }
        if (line.startsWith(QLatin1String("# HELP ")))
            continue;
        const auto m = sample.match(line);
        bool number = false;
        const double value = m.captured(3).toDouble(&number);
        const QString series = m.captured(1) + m.captured(2);
        if (!m.hasMatch() || !number || !types.contains(m.captured(1)) || samples.contains(series))
            faults << line;
        samples[series] = value;
        sampled << m.captured(1);
    }
    return faults;
}

TEST(Metrics, TextIsValidExpositionWithTheStationsFigures)
{
    StationFixture f;
    Station &s = f.start();
    s.display.Text1.setText(QStringLiteral("-62"));
    s.display.Text15.setText(QStringLiteral("100 /50"));
    s.display.Ship.setText(QStringLiteral("a\"b\\c\nd"));
    s.display.radioFeed.reading();
    s.links.board.lost(QStringLiteral("连接被拒绝"), QDateTime::currentDateTime());
    s.links.board.back(QDateTime::currentDateTime());
    s.links.board.lost(QStringLiteral("连接被拒绝"), QDateTime::currentDateTime());
    s.links.radio.back(QDateTime::currentDateTime());
    s.setControl(QStringLiteral("Combo2"), QStringLiteral("p"));
    s.key(QStringLiteral("Combo2"), 13);

    QMap<QString, double> samples;
    const QStringList faults = validate(web::metricsText(s), samples);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
    const QMap<QString, double> expected = {
        {QStringLiteral("korvane_signal_dbm"), -62},
        {QStringLiteral("korvane_capacity_down_bytes_per_second"), 100e6 / 8},
        {QStringLiteral("korvane_device_info{name=\"a\\\"b\\\\c\\nd\"}"), 1},
        {QStringLiteral("korvane_figure_stale{figure=\"signal_dbm\"}"), 0},
        {QStringLiteral("korvane_link_up{link=\"board\"}"), 0},
        {QStringLiteral("korvane_link_up{link=\"radio\"}"), 1},
        {QStringLiteral("korvane_link_losses_total{link=\"board\"}"), 2},
        {QStringLiteral("korvane_reconnects_total{link=\"board\"}"), 0},
        {QStringLiteral("korvane_commands_total"), 1},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        ASSERT_TRUE(samples.contains(it.key())) << it.key().toStdString();
        EXPECT_DOUBLE_EQ(samples[it.key()], it.value()) << it.key().toStdString();
    }
    // Unknown figures have no sample at all.
    EXPECT_FALSE(samples.contains(QStringLiteral("korvane_heading_degrees")));
    EXPECT_FALSE(samples.contains(QStringLiteral("korvane_figure_age_seconds{figure=\"heading_deg\"}")));
}

// A socket link that connects again after it was up counts as a reconnect.
TEST(Metrics, BoardReconnectsAreCounted)
{
    test::LoopbackServer board;
    StationFixture f;
    Station &s = f.start();
    s.Winsock2.RemoteHost = QStringLiteral("127.0.0.1");
    s.Winsock2.RemotePort = board.port();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(s.Winsock2.Connect());
        ASSERT_TRUE(test::waitUntil([&] { return s.Winsock2.State() == TcpLink::Connected; }));
        s.Winsock2.Close();
    }
    EXPECT_EQ(s.counters.reconnects.value(QStringLiteral("board")), 1u);
}

} // namespace
