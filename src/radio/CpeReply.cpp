#include "radio/CpeReply.h"

#include "text/Numbers.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

const char *const kFeatureWords[] = {"rsrp", "rsrq", "sinr", "band", "bandwidth", "rate_dl_theory"};

struct BandEntry {
    int number;
    const char *label;
};

// The bands a CPE of ours reports by their common names; any other number
// is shown as "B" + the number as received.
constexpr BandEntry kBands[] = {
    {1, "n1-2100M"},   {3, "n3-1800M"},   {5, "n5-850M"},    {7, "n7-2600M"},   {8, "n8-900M"},
    {20, "n20-800M"},  {28, "n28-700M"},  {34, "B34-2100M"}, {38, "n38-2600M"}, {39, "B39-1900M"},
    {40, "n40-2300M"}, {41, "n41-2500M"}, {66, "n66-2100M"}, {71, "n71-600M"},  {77, "n77-3700M"},
    {78, "n78-3500M"}, {79, "n79-4700M"}, {90, "n90-2300M"}, {96, "n96-6000M"},
};

struct CarrierEntry {
    const char *mnc;
    const char *carrier;
};

constexpr CarrierEntry kCarriers[] = {
    {"00", "移动"}, {"02", "移动"}, {"04", "移动"}, {"07", "移动"}, {"08", "移动"}, {"13", "移动"},
    {"01", "联通"}, {"06", "联通"}, {"09", "联通"}, {"10", "联通"},
    {"03", "电信"}, {"05", "电信"}, {"11", "电信"}, {"12", "电信"}, {"14", "电信"},
    {"15", "广电"}, {"20", "铁通"},
};

// Far inside the 64-bit range, so the conversion itself cannot overflow.
constexpr double kCounterLimit = 9.0e18;

std::int64_t counter(const QString &text)
{
    const double value = std::nearbyint(numberOfText(text));
    return std::isfinite(value) && std::abs(value) < kCounterLimit ? static_cast<std::int64_t>(value) : 0;
}

} // namespace

QString GetJsonValue(const QString &json, const QString &key)
{
    const QString pattern = QLatin1Char('"') + key + QStringLiteral("\":");
    const qsizetype at = json.indexOf(pattern);
    if (at < 0)
        return {};
    qsizetype from = at + pattern.size();
    while (from < json.size() && json.at(from) == u' ')
        ++from;
    if (from < json.size() && json.at(from) == u'"') {
        const qsizetype close = json.indexOf(u'"', from + 1);
        return close < 0 ? QString() : json.mid(from + 1, close - from - 1);
    }
    // Whichever ends the value first: a number closing an inner object must
    // not carry the brace and the rest of the reply with it.
    const qsizetype comma = json.indexOf(u',', from);
    const qsizetype brace = json.indexOf(u'}', from);
    const qsizetype end = comma < 0 ? brace : brace < 0 ? comma : std::min(comma, brace);
    return end < 0 ? QString() : json.mid(from, end - from);
}

int cpeFeatureCount(const QString &body)
{
    int count = 0;
    for (const char *word : kFeatureWords)
        count += body.contains(QLatin1String(word)) ? 1 : 0;
    const QString rsrp = GetJsonValue(body, QStringLiteral("rsrp"));
    if (!rsrp.isEmpty() && isNumericText(rsrp))
        ++count;
    return count;
}

CpeReply readCpeReply(const QString &body)
{
    const auto value = [&body](const char *key) { return GetJsonValue(body, QLatin1String(key)); };
    CpeReply r;
    r.rsrp = value("rsrp");
    r.rsrq = value("rsrq");
    r.sinr = value("sinr");
    r.bandwidth = value("bandwidth");
    r.band = value("band");
    r.status = value("status");
    r.mnc = value("mnc");
    r.mac = value("mac");
    r.rateDlTheory = textToWidth<std::int16_t>(value("rate_dl_theory")).value_or(0);
    r.rxBytes = counter(value("rx_bytes"));
    r.txBytes = counter(value("tx_bytes"));
    return r;
}

QString CarrierName(const QString &mnc)
{
    for (const CarrierEntry &entry : kCarriers) {
        if (mnc == QLatin1String(entry.mnc))
            return QString::fromUtf8(entry.carrier);
    }
    return {};
}

QString BandName(const QString &band, const QString &mnc)
{
    const auto number = textToWidth<std::int32_t>(band);
    if (!number || *number < 1 || *number > 255)
        return {};
    const auto known = std::find_if(std::begin(kBands), std::end(kBands),
                                    [&number](const BandEntry &entry) { return entry.number == *number; });
    const QString label = known != std::end(kBands) ? QString::fromLatin1(known->label) : QLatin1Char('B') + band;
    return label + CarrierName(mnc);
}

} // namespace korvane
