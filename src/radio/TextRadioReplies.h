#pragma once

#include <QString>

#include <optional>

namespace korvane {

// What the text radios' status replies say, cut by their markers. Numbers
// are the leading number of the cut text (0 when the marker pair is
// missing); texts are kept as cut, so a caller can tell "missing" from "0"
// and decides itself what goes on display.

// airOS "mca-status".
struct AirOsStatus {
    double lanRxBytes = 0;     // the reply is a status only when this is not 0
    double lanTxBytes = 0;
    double downlinkKbps = 0;
    double uplinkKbps = 0;     // up to "wlanDesiredPriority="
    double uplinkKbpsLan = 0;  // up to "lanRxBytes=", the value that stands
    QString signal;
    double noise = 0;
    double chain0 = 0;
    double chain1 = 0;
    double wlanRxBytes = 0;
    double wlanTxBytes = 0;
    QString deviceName;        // trimmed
    QString latitude;
    QString longitude;
};
AirOsStatus readAirOsStatus(const QString &reply);

// airFiber 5XHD "mca-status" with its JSON-style statistics.
struct AirFiberStatus {
    double noiseFloor = 0;
    double txChannelWidth = 0; // the reply is a status only when this is not 0
    double rxCapacityKbps = 0;
    double txCapacityKbps = 0;
    QString signal;
    QString txModRate;
    double wlanRxBytes = 0;
    double wlanTxBytes = 0;
    QString latitude;
    QString longitude;
    QString deviceName;
};
AirFiberStatus readAirFiberStatus(const QString &reply);

// A Linux radio's "iwconfig ath0", the "bytes" line of "ifconfig wifi0",
// the word DeviceName and its mDNS configuration.
struct IwconfigStatus {
    QString signal;            // the reply is a status only when its number is not 0
    double bitRateMbps = 0;
    QString essid;
    QString linkQuality;
    QString frequency;
    QString txPower;
    double noise = 0;
    double rxBytes = 0;
    double txBytes = 0;
    QString deviceName;
};
IwconfigStatus readIwconfigStatus(const QString &reply);

// The MAC address the airOS and airFiber status lines carry after
// "deviceId=", as cut (empty when absent).
QString deviceIdText(const QString &reply);

// A MAC candidate as the station keeps it: separators ":" removed, upper
// case, exactly 12 hexadecimal digits; nullopt for anything else.
std::optional<QString> normalisedMac(const QString &candidate);

} // namespace korvane
