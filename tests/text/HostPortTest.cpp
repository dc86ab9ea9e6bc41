#include "text/HostPort.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct SplitCase {
    const char *input;
    bool split;
    const char *host;
    int port;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

struct FormCase {
    const char *input;
    HostPortForm form;
};

class FormTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(FormTest, TellsAMissingPortFromAnUnusableOne)
{
    QString host;
    std::int32_t port = 0;
    EXPECT_EQ(splitHostPort(QString::fromUtf8(GetParam().input), host, port), GetParam().form) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(Table, FormTest, ::testing::Values(
    FormCase{"board", HostPortForm::NoPort},
    FormCase{"board:abc", HostPortForm::NoPort},
    FormCase{"board:", HostPortForm::NoPort},
    FormCase{"board:1", HostPortForm::Split},
    FormCase{"board:0", HostPortForm::PortOutOfRange},
    FormCase{"board:0.4", HostPortForm::PortOutOfRange},
    FormCase{"board:65536", HostPortForm::PortOutOfRange},
    FormCase{"board:\u3000\u30000", HostPortForm::PortOutOfRange},
    FormCase{"board:-1", HostPortForm::PortOutOfRange}));

TEST_P(SplitTest, SplitsOnlyAValidPort)
{
    const SplitCase &c = GetParam();
    QString host = QStringLiteral("unchanged");
    std::int32_t port = -7;
    EXPECT_EQ(SplitAndValidateHostPort(QString::fromUtf8(c.input), host, port), c.split) << c.input;
    EXPECT_EQ(host, c.split ? QString::fromUtf8(c.host) : QStringLiteral("unchanged"));
    EXPECT_EQ(port, c.split ? c.port : -7);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitTest, ::testing::Values(
    SplitCase{"192.168.1.20", false, "", 0},
    SplitCase{"192.168.1.20:9000", true, "192.168.1.20", 9000},
    SplitCase{"board:8233", true, "board", 8233},
    SplitCase{"192.168.1.20:abc", false, "", 0},
    SplitCase{"192.168.1.20:", false, "", 0},
    SplitCase{":9000", true, "", 9000},
    SplitCase{"host: 9000 ", true, "host", 9000},
    SplitCase{"host:65535", true, "host", 65535},
    SplitCase{"host:65536", false, "", 0},        // out of range: not split
    SplitCase{"host:0", false, "", 0},
    // A Chinese input method's full-width space around the port.
    SplitCase{"host:\u30009000", true, "host", 9000},
    SplitCase{"host:9000\u3000", true, "host", 9000},
    SplitCase{"host:\t9000", true, "host", 9000},
    SplitCase{"host:-1", false, "", 0},
    SplitCase{"host:80.5", true, "host", 80},     // half to even
    SplitCase{"host:81.5", true, "host", 82},
    SplitCase{"host:1:2", false, "", 0},
    SplitCase{"fe80::1", false, "", 0}));

TEST(ToUnsignedInt, RangeAndRounding)
{
    EXPECT_EQ(ToUnsignedInt(QStringLiteral("8233")), 8233);
    EXPECT_EQ(ToUnsignedInt(QStringLiteral("65535.4")), 65535);
    EXPECT_EQ(ToUnsignedInt(QStringLiteral("65535.5")), std::nullopt);
    EXPECT_EQ(ToUnsignedInt(QStringLiteral("-0.5")), 0);
    EXPECT_EQ(ToUnsignedInt(QStringLiteral("-0.6")), std::nullopt);
    EXPECT_EQ(ToUnsignedInt(QStringLiteral("")), 0);
}

} // namespace
