#include "radio/TextRadioReplies.h"

#include "text/FindValue.h"
#include "text/Numbers.h"

namespace korvane {

namespace {

QString cut(const char *start, const char *end, const QString &text)
{
    return FindValue(QString::fromLatin1(start), QString::fromLatin1(end), text);
}

double number(const char *start, const char *end, const QString &text)
{
    return numberOfText(cut(start, end, text));
}

} // namespace

AirOsStatus readAirOsStatus(const QString &r)
{
    AirOsStatus s;
    s.lanRxBytes = number("lanRxBytes=", "lanRxPackets=", r);
    s.lanTxBytes = number("lanTxBytes=", "lanTxPackets=", r);
    s.downlinkKbps = number("wlanDownlinkCapacity=", "wlanUplinkCapacity=", r);
    s.uplinkKbps = number("wlanUplinkCapacity=", "wlanDesiredPriority=", r);
    s.uplinkKbpsLan = number("wlanUplinkCapacity=", "lanRxBytes=", r);
    s.signal = cut("signal=", "chain0Signal=", r);
    s.noise = number("noise=", "cinr=", r);
    s.chain0 = number("chain0Signal=", "chain1Signal=", r);
    s.chain1 = number("chain1Signal=", "noise=", r);
    s.wlanRxBytes = number("wlanRxBytes=", "wlanRxPackets=", r);
    s.wlanTxBytes = number("wlanTxBytes=", "wlanTxPackets=", r);
    s.deviceName = cut("deviceName=", ",deviceId=", r).trimmed();
    s.latitude = cut("latitude=", "longitude=", r);
    s.longitude = cut("longitude=", "boardCrc=", r);
    return s;
}

AirFiberStatus readAirFiberStatus(const QString &r)
{
    AirFiberStatus s;
    s.noiseFloor = number("noisefloor\":", ",\"chainrssi", r);
    s.txChannelWidth = number("afTxchanbw=", "afRxchanbw=", r);
    s.rxCapacityKbps = number("afRxcapacity=", "afTxcapacity=", r);
    s.txCapacityKbps = number("afTxcapacity=", "afRxpower0=", r);
    s.signal = cut("signal=", "uptime=", r);
    s.txModRate = cut("afTxmodrate=", "afTxpower=", r);
    s.wlanRxBytes = number("wlanRxBytes=", "wlanTxBytes=", r);
    s.wlanTxBytes = number("wlanTxBytes=", "af5xhd", r);
    s.latitude = cut("latitude=", "longitude=", r);
    s.longitude = cut("longitude=", "altitude=", r);
    s.deviceName = cut("deviceName=", ",deviceId=", r);
    return s;
}

IwconfigStatus readIwconfigStatus(const QString &r)
{
    IwconfigStatus s;
    s.signal = cut("Signal level=", " dBm  Noise level", r);
    s.bitRateMbps = number("Bit Rate:", " Mb/s", r);
    s.essid = cut("ESSID:", "          Mode:", r);
    s.linkQuality = cut("Link Quality=", "Signal level=", r);
    s.frequency = cut("Frequency:", "GHz", r);
    s.txPower = cut("Tx-Power=", "dBm", r);
    // The noise figure is read up to the line that follows it: every reply
    // has " dBm" earlier (Tx-Power, Signal level), so cutting up to the
    // first " dBm" would always find nothing.
    s.noise = number("Noise level=", " Rx invalid nwid", r);
    s.rxBytes = number("RX bytes:", "TX bytes:", r);
    s.txBytes = number("TX bytes:", "DeviceName", r);
    const qsizetype from = r.indexOf(QLatin1String("DeviceName"));
    if (from >= 0)
        s.deviceName = cut("DeviceName\r\n", "_http", r.mid(from));
    return s;
}

QString deviceIdText(const QString &reply)
{
    return cut("deviceId=", ",firmwareVersion=", reply);
}

std::optional<QString> normalisedMac(const QString &candidate)
{
    QString mac = candidate;
    mac.remove(u':');
    mac = mac.toUpper();
    if (mac.size() != 12)
        return std::nullopt;
    for (const QChar c : mac) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return std::nullopt;
    }
    return mac;
}

} // namespace korvane
