// A damaged settings file, and stored values too wide for their settings:
// each is a station of its own, started on that file.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>

using namespace korvane::test;

namespace {

QList<std::pair<QByteArray, QByteArray>> usableLines(const FaultStation &s)
{
    return {
        {"DEVICE_KORVANE_IP", "127.0.0.1:" + QByteArray::number(s.board.port())},
        {"DEVICE_WIRESS_IP", "127.0.0.1:" + QByteArray::number(s.radio.port())},
        {"DEVICE_WIRESS_USER", "ubnt"},
        {"DEVICE_WIRESS_PASSWORD", FaultStation::kPassword},
        {"KORVANE_AUTOLINK", "1"},
        {"USE_SHIP_MMSI", FaultStation::kMmsi},
    };
}

// Noise and broken lines first, as a disk or an editor might leave them;
// the lines that still read follow.
QByteArray damagedFile(const FaultStation &s)
{
    static const char noise[] = "\x00\x01\x02\xff\xfe\x7f binary noise\r\n";
    QByteArray bytes(noise, sizeof noise - 1);
    bytes += "[General\n=no key\nno equals sign\n\xe4\xb8\n";
    bytes += "HUGE=" + QByteArray(200000, 'x') + "\n";
    bytes += "[General]\n";
    for (const auto &[key, value] : usableLines(s))
        bytes += key + '=' + value + '\n';
    return bytes;
}

class FaultsSettingsDamaged : public FaultSuite {
protected:
    static void SetUpTestSuite()
    {
        FaultStation::Options options;
        options.serial = false;
        options.rawSettings = damagedFile;
        startStation(options);
    }
};

TEST_F(FaultsSettingsDamaged, RunsOnTheLinesThatReadAndKeepsThem)
{
    // The links are up (the row's start checks them). The station writes the
    // radio port once connected; that rewrite must keep every good line.
    ASSERT_TRUE(waitUntil(
        [&] {
            QFile file(f().settingsPath());
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("DEVICE_WIRESS_PORT=");
        },
        linkBackMs()));
    QSettings stored(f().settingsPath(), QSettings::IniFormat);
    for (const auto &[key, value] : usableLines(f()))
        EXPECT_EQ(stored.value(QString::fromLatin1(key)).toString(), QString::fromLatin1(value)) << key.constData();
}

class FaultsSettingsOverflow : public FaultSuite {
protected:
    static void SetUpTestSuite()
    {
        FaultStation::Options options;
        options.settings = {
            {"DEVICE_WIRESS_PORT", "99999999999999999999"},
            {"ERROR_COMPSAME_REBOOT", "70000"},
            {"PING_100MS_REBOOT", "-70000"},
            {"USE_SHIP_AIS_FIXHDG", "9999999999"},
            {"USE_SHIP_AIS_ANG", "-1e300"},
            {"USE_SHIP_AIS_SCAN_COMP", "1"},
            {"USE_SHIP_AIS_SCAN_COMP_TIME", "4294967356"},
            {"USE_SHIP_AIS_SCAN_COMP_ANG", "1e308"},
            {"USE_SHIP_AIS_SCAN_PITCH", "40000"},
            {"USE_SHIP_AIS_SCAN_AUTO_TIME", "1e999"},
            {"SCAN_STEP", "-32769"},
        };
        startStation(options);
    }
};

TEST_F(FaultsSettingsOverflow, ValuesTooWideReadAsTheirDefaults)
{
    // The serial AIS drives with the heading correction read as 0, not as a
    // wrapped 9999999999.
    const QRegularExpression drive(QStringLiteral("^r(-?\\d+\\.\\d\\d)$"));
    QList<double> angles;
    ASSERT_TRUE(waitUntil(
        [&] {
            QFile record(f().path(QStringLiteral("board.bin")));
            angles.clear();
            if (!record.open(QIODevice::ReadOnly))
                return false;
            for (const QByteArray &line : record.readAll().split('\n')) {
                const QRegularExpressionMatch m = drive.match(QString::fromLatin1(line.trimmed()));
                if (m.hasMatch())
                    angles << m.captured(1).toDouble();
            }
            return angles.size() >= 2;
        },
        linkBackMs()));
    for (const double angle : angles)
        EXPECT_LE(std::abs(angle), 360.0);
}

} // namespace
