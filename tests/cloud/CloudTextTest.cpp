// The texts a report is made of: code-page escaping, the name and note
// preparation, and the choice of server address.
#include "cloud/CloudQuery.h"
#include "cloud/CloudServer.h"
#include "cloud/UrlEncode.h"
#include "text/Gbk.h"

#include <QHostAddress>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct EncodeRow {
    QString text;
    QString encoded;
};

TEST(UrlEncode, UnreservedStayOthersBecomeCodePageBytes)
{
    const EncodeRow rows[] = {
        {QString(), QString()},
        {QStringLiteral("Ship 1#"), QStringLiteral("Ship%201%23")},
        {QStringLiteral("AZaz09-._~"), QStringLiteral("AZaz09-._~")},
        {QStringLiteral("a+b/c?d=e&f%"), QStringLiteral("a%2Bb%2Fc%3Fd%3De%26f%25")},
        {QStringLiteral("5G动中通"), QStringLiteral("5G%B6%AF%D6%D0%CD%A8")},
        {QStringLiteral("北斗/GPS信号异常"), QStringLiteral("%B1%B1%B6%B7%2FGPS%D0%C5%BA%C5%D2%EC%B3%A3")},
        {QStringLiteral("\r\n\t"), QStringLiteral("%0D%0A%09")},
        {QStringLiteral("€"), QStringLiteral("%80")},                          // code page 936's own byte
        {QStringLiteral("😀"), QStringLiteral("%3F")},                         // not in the code page
        {QString(QChar(0xD800)) + QStringLiteral("x"), QStringLiteral("%3Fx")}, // lone surrogate
    };
    for (const EncodeRow &row : rows)
        EXPECT_EQ(UrlEncode(row.text), row.encoded) << qPrintable(row.text);
}

TEST(Gbk, RoundTripsChineseAndMarksWhatItCannotRead)
{
    const QString text = QStringLiteral("基站一号 P1");
    EXPECT_EQ(toGbk(text), QByteArray("\xBB\xF9\xD5\xBE\xD2\xBB\xBA\xC5 P1"));
    EXPECT_EQ(fromGbk(toGbk(text)), text);
    EXPECT_EQ(fromGbk(QByteArray("ab\xB7")), QStringLiteral("ab\uFFFD")) << "a cut-off character is not dropped";
    EXPECT_TRUE(fromGbk(QByteArray()).isEmpty());
}

TEST(CloudTexts, NameAndNoteFromTheCaptions)
{
    EXPECT_EQ(cloudDeviceName(QStringLiteral(" Ship\r\n 1\n\r")), QStringLiteral("Ship 1"));
    EXPECT_EQ(cloudAlarmNote(QStringLiteral(" a\r\nb\nc\rd \r\n")), QStringLiteral("a b c d"));
    EXPECT_EQ(cloudAlarmNote(QStringLiteral("a\r\n\r\nb")), QStringLiteral("a  b"));
}

struct EndpointRow {
    const char *name;
    bool ipMode;
    CloudServerSettings settings;
    QString host;
    int port;
    QString hostHeader;
};

TEST(CloudEndpoint, ByNameOrByAddress)
{
    const EndpointRow rows[] = {
        {"NameMode", false, {QStringLiteral("cloud.a.example"), QStringLiteral("192.0.2.7"), QStringLiteral("10.0.0.1")},
         QStringLiteral("cloud.a.example"), 80, QStringLiteral("cloud.a.example")},
        {"NameWithPort", false, {QStringLiteral("127.0.0.1:8080"), QStringLiteral("192.0.2.7"), QString()},
         QStringLiteral("127.0.0.1"), 8080, QStringLiteral("127.0.0.1:8080")},
        {"IpModeStoredHost", true, {QStringLiteral("cloud.a.example"), QStringLiteral("192.0.2.7"), QStringLiteral("10.0.0.1")},
         QStringLiteral("10.0.0.1"), 80, QStringLiteral("cloud.a.example")},
        {"IpModeStoredHostWithPort", true, {QStringLiteral("cloud.a.example"), QStringLiteral("192.0.2.7"), QStringLiteral("10.0.0.1:81")},
         QStringLiteral("10.0.0.1"), 81, QStringLiteral("cloud.a.example")},
        {"IpModeFallbackAddress", true, {QStringLiteral("cloud.a.example"), QStringLiteral("192.0.2.7"), QString()},
         QStringLiteral("192.0.2.7"), 80, QStringLiteral("cloud.a.example")},
        {"PortOutOfRangeStaysInTheName", true, {QStringLiteral("n"), QStringLiteral("a"), QStringLiteral("h:70000")},
         QStringLiteral("h:70000"), 80, QStringLiteral("n")},
    };
    for (const EndpointRow &row : rows) {
        const CloudEndpoint e = chooseCloudEndpoint(row.ipMode, row.settings);
        EXPECT_EQ(e.host, row.host) << row.name;
        EXPECT_EQ(e.port, row.port) << row.name;
        EXPECT_EQ(e.hostHeader, row.hostHeader) << row.name;
    }
}

TEST(CloudEndpoint, DefaultsAreReservedPlaceholders)
{
    // An unconfigured station must not report to anybody's real host.
    EXPECT_TRUE(cloudserver::kDefaultName.endsWith(QLatin1String(".example")));
    EXPECT_TRUE(QHostAddress(cloudserver::kDefaultAddress).isInSubnet(QHostAddress(QStringLiteral("192.0.2.0")), 24));
}

} // namespace
