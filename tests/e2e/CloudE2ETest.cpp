// The headless station reporting to the simulated cloud server, both as
// separate programs, with the simulated board as the source of position,
// heading and distance. Time runs 50 times faster, so a report goes every
// 1.2 seconds.
#include "support/Files.h"
#include "support/SimProcess.h"
#include "support/StationProcess.h"
#include "support/Wait.h"

#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kReportWaitMs = 20000;

// Every value of `control`.`property` the station has printed, in order.
QStringList shown(const QString &output, const QString &controlProperty)
{
    QStringList values;
    const QString lead = controlProperty + QLatin1Char('=');
    for (const QString &line : output.split(u'\n')) {
        if (line.startsWith(lead))
            values << line.mid(lead.size());
    }
    return values;
}

class CloudReporting : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        boardRecord = path("board.bin");
        reportsPath = path("reports.jsonl");
        // A ship lying still, so every report carries the same figures.
        ASSERT_TRUE(board.start(QStringLiteral("board"), {"--interval-ms", "200", "--speed", "0", "--record", boardRecord}));
        ASSERT_TRUE(cloud.start(QStringLiteral("cloud"), {QStringLiteral("--reports"), reportsPath}));
        SettingsStore settings(path("station.ini"));
        settings.write(QStringLiteral("DEVICE_KORVANE_IP"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
        settings.write(QStringLiteral("DEVICE_KORVANE_PORT"), QString::number(board.port()));
        settings.write(QStringLiteral("KORVANE_AUTOLINK"), QStringLiteral("1"));
        // Reports go only while the radio answers: a console that is
        // connected but silent gives no figures to report.
        ASSERT_TRUE(radio.start(QStringLiteral("radio"), radioArguments()));
        settings.write(QStringLiteral("DEVICE_WIRESS_IP"), QStringLiteral("127.0.0.1:%1").arg(radio.port()));
        settings.write(QStringLiteral("DEVICE_WIRESS_USER"), QStringLiteral("ubnt"));
        settings.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("ubnt"));
        settings.write(QStringLiteral("KORVANE_CLOUD"), QStringLiteral("1"));
        const QString server = QStringLiteral("127.0.0.1:%1").arg(cloud.port());
        for (const char *key : {"CLOUD_SERVER_NAME", "CLOUD_SERVER_IP", "CLOUD_HOST"})
            settings.write(QString::fromLatin1(key), server);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        ASSERT_TRUE(station.start({QStringLiteral("--settings"), path("station.ini"), QStringLiteral("--log-dir"),
                                   dir.path(), QStringLiteral("--time-scale"), QStringLiteral("0.02")},
                                  env));
    }

    QStringList radioArguments(quint16 port = 0) const
    {
        return {QStringLiteral("--family"), QStringLiteral("airos"), QStringLiteral("--port"), QString::number(port)};
    }

    qsizetype ticks() const { return readFile(boardRecord).count("g\r\n"); }

    bool waitForTicks(qsizetype count) { return waitUntil([&] { return ticks() >= count; }, kReportWaitMs); }

    QString path(const char *name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }

    QList<QJsonObject> reports() const
    {
        QList<QJsonObject> list;
        for (const QByteArray &line : readFile(reportsPath).split('\n')) {
            if (!line.isEmpty())
                list << QJsonDocument::fromJson(line).object();
        }
        return list;
    }

    bool waitForReports(qsizetype count)
    {
        return waitUntil([&] { return reports().size() >= count; }, kReportWaitMs);
    }

    QTemporaryDir dir;
    QString boardRecord;
    QString reportsPath;
    SimProcess board;
    SimProcess cloud;
    SimProcess radio;
    QProcessEnvironment env;
    StationProcess station;
};

TEST_F(CloudReporting, EveryTickReportsWhatTheStationShows)
{
    ASSERT_TRUE(waitForReports(3)) << qPrintable(station.output());
    const QList<QJsonObject> all = reports();
    const QString output = station.output();

    // One connection per tick, each carrying its report; each tick also
    // asked the board for its receiver state.
    const QList<qint64> counts = cloud.statusValues({QStringLiteral("connections"), QStringLiteral("reports")});
    const qint64 connections = counts.value(0);
    const qint64 received = counts.value(1);
    EXPECT_GE(connections, received);
    EXPECT_LE(connections, received + 1);
    EXPECT_GE(readFile(boardRecord).count("g\r\n"), all.size());

    const QStringList keys = {"mac", "name", "lat", "lng", "sign", "delta", "noise", "dcap",
                              "ucap", "dspd", "uspd", "knot", "km",   "ang",   "com",  "note"};
    QSet<QString> shownKm;
    for (const QString &d : shown(output, QStringLiteral("distvalue.text")))
        shownKm << d.section(u'/', 1).chopped(2); // "…海里/12.34公里"
    const QRegularExpression headingShown(QStringLiteral("^(\\d+)度航速(\\d+)节$"));
    QString headingText;
    for (const QString &n : shown(output, QStringLiteral("navAngle.text"))) {
        if (headingShown.match(n).hasMatch())
            headingText = n;
    }
    ASSERT_FALSE(headingText.isEmpty()) << qPrintable(output);
    const QRegularExpressionMatch heading = headingShown.match(headingText);

    for (const QJsonObject &r : all) {
        EXPECT_EQ(r.value("answered").toInt(), 200);
        const QJsonObject q = r.value("query").toObject();
        EXPECT_EQ(q.keys().size(), keys.size());
        EXPECT_TRUE(r.value("raw").toString().startsWith(QStringLiteral("mac=")));
        EXPECT_EQ(q.value("lat").toString(), QStringLiteral("31.2304123"));
        EXPECT_EQ(q.value("lng").toString(), QStringLiteral("121.473701"));
        EXPECT_TRUE(shownKm.contains(q.value("km").toString())) << qPrintable(q.value("km").toString());
        EXPECT_EQ(q.value("ang").toString(), heading.captured(1));
        EXPECT_EQ(q.value("knot").toString(), heading.captured(2));
        EXPECT_EQ(q.value("note").toString(), shown(output, QStringLiteral("Lbl_ALARM.text")).value(0).trimmed());
        EXPECT_TRUE(shown(output, QStringLiteral("Ship.text")).join(u'|').contains(q.value("name").toString()))
            << qPrintable(q.value("name").toString());
    }
    // The raw query keeps the server's key order.
    QStringList order;
    for (const QString &pair : all.first().value("raw").toString().split(u'&'))
        order << pair.section(u'=', 0, 0);
    EXPECT_EQ(order, keys);
}

TEST_F(CloudReporting, ServerFaultsAreShownAndReportingResumes)
{
    ASSERT_TRUE(waitForReports(1)) << qPrintable(station.output());
    ASSERT_TRUE(cloud.controlAcknowledged(QStringLiteral("refuse on")));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=云平台连接错误: Connection refused"), kReportWaitMs));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Text2.append=Winsock错误: Connection refused\\r\\n")));

    ASSERT_TRUE(cloud.controlAcknowledged(QStringLiteral("status 500")));
    ASSERT_TRUE(cloud.controlAcknowledged(QStringLiteral("refuse off")));
    EXPECT_TRUE(station.waitForOutput(
        QStringLiteral("Label_NOTE.text=提交云平台失败 (Winsock): HTTP/1.1 500 Internal Server Error\n"),
        kReportWaitMs));

    ASSERT_TRUE(cloud.controlAcknowledged(QStringLiteral("status 200")));
    const qsizetype before = reports().size();
    ASSERT_TRUE(waitUntil(
        [&] {
            const QList<QJsonObject> all = reports();
            return all.size() > before && all.last().value("answered").toInt() == 200;
        },
        kReportWaitMs));
    EXPECT_EQ(station.process().state(), QProcess::Running);
}

TEST_F(CloudReporting, RefusalWithASessionTokenIsAFailure)
{
    ASSERT_TRUE(waitForReports(1)) << qPrintable(station.output());
    ASSERT_TRUE(cloud.controlAcknowledged(QStringLiteral("status 403")));
    EXPECT_TRUE(station.waitForOutput(QStringLiteral("Label_NOTE.text=提交云平台失败 (Winsock): HTTP/1.1 403 Forbidden\n"),
                                      kReportWaitMs))
        << qPrintable(station.output());
    const QList<QJsonObject> all = reports();
    ASSERT_FALSE(all.isEmpty());
    EXPECT_EQ(all.last().value("answered").toInt(), 403);
}

TEST_F(CloudReporting, RadioLostHoldsItsReportUntilTheRadioIsBack)
{
    ASSERT_TRUE(waitForReports(1)) << qPrintable(station.output());
    const quint16 radioPort = radio.port();
    radio.stop();
    ASSERT_TRUE(waitUntil(
        [&] { return shown(station.output(), QStringLiteral("radioLamp.colour")).value(-1) != QLatin1String("0,255,0")
                     && shown(station.output(), QStringLiteral("radioLamp.colour")).size() > 1; },
        kReportWaitMs));
    // Every tick from here on finds the radio down; the one before may still
    // have been answered meanwhile.
    const qsizetype lostFrom = ticks();
    ASSERT_TRUE(waitForTicks(lostFrom + 1));
    ASSERT_TRUE(waitUntil([&] { return cloud.statusValue(QStringLiteral("open")) == 0; }));
    const qint64 connections = cloud.statusValue(QStringLiteral("connections"));
    const qsizetype reportsBefore = reports().size();
    ASSERT_TRUE(waitForTicks(lostFrom + 4));
    EXPECT_EQ(cloud.statusValue(QStringLiteral("connections")), connections) << "no connection while the radio is down";
    EXPECT_EQ(reports().size(), reportsBefore);

    ASSERT_TRUE(radio.restart(QStringLiteral("radio"), radioArguments(radioPort)));
    ASSERT_TRUE(waitForReports(reportsBefore + 2)) << qPrintable(station.output());
    const QList<QJsonObject> all = reports();
    const QJsonObject held = all.at(reportsBefore).value("query").toObject();
    const QJsonObject current = all.at(reportsBefore + 1).value("query").toObject();
    EXPECT_EQ(held.value("note").toString(), QStringLiteral("WIRELESS LOST"));
    EXPECT_EQ(held.value("km").toString(), QString());
    EXPECT_EQ(current.value("lat").toString(), QStringLiteral("31.2304123"));
    EXPECT_NE(current.value("note").toString(), QStringLiteral("WIRELESS LOST"));
    EXPECT_FALSE(current.value("km").toString().isEmpty()) << "the tick's own figures";
    qsizetype lostReports = 0;
    for (const QJsonObject &r : all)
        lostReports += r.value("query").toObject().value("note").toString() == QLatin1String("WIRELESS LOST");
    EXPECT_EQ(lostReports, 1);
}

} // namespace
