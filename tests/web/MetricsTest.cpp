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
// every sample's family has one TYPE line before its samples, counters
// end in _total, label values are quoted with only \\, \" and \n escaped,
// no series twice. Returns the faults found; fills `samples` by series.
QStringList validate(const QByteArray &text, QMap<QString, double> &samples)
{
    QStringList faults;
    QMap<QString, QString> types;
    QSet<QString> sampled;
    static const QRegularExpression name(QStringLiteral("^[a-zA-Z_:][a-zA-Z0-9_:]*$"));
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    if (!text.endsWith('\n'))
        faults << QStringLiteral("no final line end");
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QString &line = lines[i];
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        if (line.startsWith(QLatin1String("# TYPE "))) {
            const QStringList parts = line.mid(7).split(QLatin1Char(' '));
            if (parts.size() != 2 || !name.match(parts[0]).hasMatch())
                faults << where + QStringLiteral("bad TYPE");
            else if (types.contains(parts[0]) || sampled.contains(parts[0]))
                faults << where + QStringLiteral("TYPE again or after samples");
            else if (parts[0].endsWith(QLatin1String("_total")) != (parts[1] == QLatin1String("counter")))
                faults << where + QStringLiteral("counter names and _total disagree");
            else
                types[parts[0]] = parts[1];
            continue;
        }
        if (line.startsWith(QLatin1Char('#')))
            continue;
        qsizetype at = 0;
        while (at < line.size() && line[at] != u'{' && line[at] != u' ')
            ++at;
        const QString metric = line.left(at);
        QString labels;
        if (at < line.size() && line[at] == u'{') {
            const qsizetype open = at++;
            bool quoted = false;
            for (; at < line.size() && (quoted || line[at] != u'}'); ++at) {
                if (quoted && line[at] == u'\\') {
                    if (++at >= line.size() || !QStringLiteral("\\\"n").contains(line[at]))
                        faults << where + QStringLiteral("bad escape");
                } else if (line[at] == u'"') {
                    quoted = !quoted;
                }
            }
            labels = line.mid(open, ++at - open);
        }
        bool ok = false;
        const double value = line.mid(at).trimmed().toDouble(&ok);
        if (!name.match(metric).hasMatch() || at >= line.size() || line[at] != u' ' || !ok)
            faults << where + QStringLiteral("bad sample: ") + line;
        if (!types.contains(metric))
            faults << where + QStringLiteral("no TYPE for ") + metric;
        const QString series = metric + labels;
        if (samples.contains(series))
            faults << where + QStringLiteral("series twice: ") + series;
        samples[series] = value;
        sampled << metric;
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
        {QStringLiteral("korvane_link_losses_total{link=\"radio\"}"), 0},
        {QStringLiteral("korvane_reconnects_total{link=\"board\"}"), 0},
        {QStringLiteral("korvane_commands_total"), 1},
        {QStringLiteral("korvane_cloud_report_failures_total"), 0},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        ASSERT_TRUE(samples.contains(it.key())) << it.key().toStdString();
        EXPECT_DOUBLE_EQ(samples[it.key()], it.value()) << it.key().toStdString();
    }
    EXPECT_TRUE(samples.contains(QStringLiteral("korvane_figure_age_seconds{figure=\"signal_dbm\"}")));
    // Unknown figures have no sample at all.
    EXPECT_FALSE(samples.contains(QStringLiteral("korvane_heading_degrees")));
    EXPECT_FALSE(samples.contains(QStringLiteral("korvane_figure_age_seconds{figure=\"heading_deg\"}")));
}

TEST(Metrics, ValidatorCatchesFormatFaults)
{
    QMap<QString, double> samples;
    const char *const bad[] = {
        "korvane_x 1\n",                                          // no TYPE
        "# TYPE korvane_x counter\nkorvane_x 1\n",                // counter without _total
        "# TYPE korvane_x gauge\nkorvane_x{a=\"q\\t\"} 1\n",      // bad escape
        "# TYPE korvane_x gauge\nkorvane_x 1\nkorvane_x 2\n",     // series twice
        "# TYPE korvane_x gauge\nkorvane_x one\n",                // no number
    };
    for (const char *text : bad)
        EXPECT_FALSE(validate(QByteArray(text), samples).isEmpty()) << text;
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
