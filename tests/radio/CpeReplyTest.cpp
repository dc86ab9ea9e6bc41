// The CPE reply's values, the feature count that recognises a CPE, and the
// band and carrier labels.
#include "radio/CpeReply.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct JsonCase {
    const char *name;
    const char *json;
    const char *key;
    const char *expected;
};

void PrintTo(const JsonCase &c, std::ostream *os) { *os << c.name; }

class GetJsonValueTest : public ::testing::TestWithParam<JsonCase> {};

TEST_P(GetJsonValueTest, CutsTheValue)
{
    const JsonCase &c = GetParam();
    EXPECT_EQ(GetJsonValue(QString::fromUtf8(c.json), QString::fromUtf8(c.key)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, GetJsonValueTest,
    ::testing::Values(JsonCase{"BandIsNotBandwidth", R"({"bandwidth":"100","band":"78"})", "band", "78"},
                      JsonCase{"OnlyBandwidth", R"({"bandwidth":"100"})", "band", ""},
                      JsonCase{"BlanksBefore", R"({"rsrp": "-85","x":1})", "rsrp", "-85"},
                      JsonCase{"BareToComma", R"({"rsrp":-85,"x":1})", "rsrp", "-85"},
                      JsonCase{"BareToBraceUntrimmed", R"({"x":1,"rsrp":-85 })", "rsrp", "-85 "},
                      JsonCase{"InnerObjectBrace", R"({"nr":{"rsrp":-85},"x":1})", "rsrp", "-85"},
                      JsonCase{"NoEnd", R"({"rsrp":-85)", "rsrp", ""},
                      JsonCase{"EmptyQuoted", R"({"mac":"","x":1})", "mac", ""},
                      JsonCase{"ClosingQuoteMissing", R"({"mac":"a4:5e)", "mac", ""},
                      JsonCase{"Quoted", R"({"status":"REG_HOME","mnc":"00"})", "status", "REG_HOME"},
                      JsonCase{"CaseMatters", R"({"Status":"REG_HOME"})", "status", ""},
                      JsonCase{"ColonMustFollowTheQuote", R"({"status" :"REG_HOME"})", "status", ""},
                      JsonCase{"WholeKeyOnly", R"({"rsrp":"-85"})", "rsr", ""}));

struct FeatureCase {
    const char *name;
    const char *body;
    int expected;
};

void PrintTo(const FeatureCase &c, std::ostream *os) { *os << c.name; }

class FeatureCountTest : public ::testing::TestWithParam<FeatureCase> {};

TEST_P(FeatureCountTest, Counts)
{
    EXPECT_EQ(cpeFeatureCount(QString::fromUtf8(GetParam().body)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FeatureCountTest,
    ::testing::Values(
        // "bandwidth" counts "band" too, and a numeric rsrp counts once more
        FeatureCase{"BandwidthAndNumericRsrp", R"({"bandwidth":"100","rsrp":"-90"})", 4},
        FeatureCase{"RsrpNotNumeric", R"({"rsrp":"n/a"})", 1},
        FeatureCase{"RsrpEmpty", R"({"rsrp":""})", 1},
        FeatureCase{"WordOutsideJson", R"(<html>rsrq</html>)", 1},
        FeatureCase{"Everything", R"({"rsrp":-90,"rsrq":-11,"sinr":18,"bandwidth":100,"band":78,"rate_dl_theory":1200})",
                    7},
        FeatureCase{"Empty", "", 0}));

TEST(ReadCpeReply, NumbersFitTheirWidths)
{
    const CpeReply r = readCpeReply(QStringLiteral(R"({"rate_dl_theory":"32768","rx_bytes":"4294967296",)"
                                                   R"("tx_bytes":2.5})"));
    EXPECT_EQ(r.rateDlTheory, 0) << "a rate beyond 16 bits reads as 0";
    EXPECT_EQ(r.rxBytes, 4294967296) << "counters beyond 32 bits are kept";
    EXPECT_EQ(r.txBytes, 2) << "nearest, an exact half to the even neighbour";
    EXPECT_EQ(readCpeReply(QStringLiteral(R"({"rx_bytes":1e30})")).rxBytes, 1);
    EXPECT_EQ(readCpeReply(QStringLiteral(R"({"rx_bytes":99999999999999999999})")).rxBytes, 0);
}

struct BandCase {
    const char *band;
    const char *mnc;
    const char *expected;
};

void PrintTo(const BandCase &c, std::ostream *os) { *os << "band_" << c.band << "_mnc_" << c.mnc; }

class BandNameTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandNameTest, Labels)
{
    const BandCase &c = GetParam();
    EXPECT_EQ(BandName(QString::fromUtf8(c.band), QString::fromUtf8(c.mnc)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Table, BandNameTest,
                         ::testing::Values(BandCase{"78", "00", "n78-3500M移动"}, BandCase{"2", "01", "B2联通"},
                                           BandCase{"34", "11", "B34-2100M电信"}, BandCase{"39", "15", "B39-1900M广电"},
                                           BandCase{"1", "20", "n1-2100M铁通"}, BandCase{"96", "99", "n96-6000M"},
                                           BandCase{"78.5", "13", "n78-3500M移动"}, // nearest, half to even
                                           BandCase{"255", "", "B255"}, BandCase{"0", "00", ""},
                                           BandCase{"256", "00", ""}, BandCase{"-3", "00", ""},
                                           BandCase{"", "00", ""}));

TEST(CarrierName, ExactTwoCharacterCodes)
{
    const std::pair<const char *, const char *> table[] = {
        {"00", "移动"}, {"02", "移动"}, {"04", "移动"}, {"07", "移动"}, {"08", "移动"}, {"13", "移动"},
        {"01", "联通"}, {"06", "联通"}, {"09", "联通"}, {"10", "联通"}, {"03", "电信"}, {"05", "电信"},
        {"11", "电信"}, {"12", "电信"}, {"14", "电信"}, {"15", "广电"}, {"20", "铁通"}, {"0", ""},
        {"1", ""},      {"001", ""},    {" 00", ""},    {"16", ""},     {"", ""},
    };
    for (const auto &[mnc, carrier] : table)
        EXPECT_EQ(CarrierName(QString::fromLatin1(mnc)), QString::fromUtf8(carrier)) << mnc;
}

} // namespace
