#pragma once

#include <QString>

#include <cstdint>

namespace korvane {

// The value of `key` in a 5G CPE's flat JSON reply, cut by text rather than
// parsed. The pattern includes the closing quote and the colon, so "band"
// never matches "bandwidth". Blanks before the value are skipped; a quoted
// value runs to the next quote, a bare one to the first "," or "}" after
// it. Empty when the key or the value's end is missing. Not trimmed.
QString GetJsonValue(const QString &json, const QString &key);

// How much a reply looks like the CPE's: one for each of its key words
// found anywhere (so "bandwidth" alone counts "band" too), one more when
// "rsrp" has a numeric value.
int cpeFeatureCount(const QString &body);

// What one CPE reply says. Texts are kept as cut; the numbers are read to
// the nearest whole number and are 0 when missing or too large.
struct CpeReply {
    QString rsrp;
    QString rsrq;
    QString sinr;
    QString bandwidth; // MHz
    QString band;
    QString status;    // registration state word
    QString mnc;
    QString mac;
    std::int16_t rateDlTheory = 0; // negotiated downlink, Mbit/s
    // Byte counters: 64-bit, since a 5G link passes 2 GiB in well under a
    // minute and a 32-bit counter would stop the throughput figure there.
    std::int64_t rxBytes = 0;
    std::int64_t txBytes = 0;
};
CpeReply readCpeReply(const QString &body);

// The carrier of a mobile network code (China's), exact two-character
// match; empty for any other text.
QString CarrierName(const QString &mnc);
// The band label with its carrier, as "n78-3500M移动" or "B2联通"; empty for
// a band number outside 1 to 255.
QString BandName(const QString &band, const QString &mnc);

} // namespace korvane
