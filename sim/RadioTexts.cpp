#include "RadioTexts.h"

#include <QStringList>

namespace korvane::sim {

std::optional<RadioFamily> radioFamilyFrom(const QString &name)
{
    if (name == QLatin1String("airos"))
        return RadioFamily::AirOs;
    if (name == QLatin1String("airfiber"))
        return RadioFamily::AirFiber;
    if (name == QLatin1String("json"))
        return RadioFamily::Json;
    if (name == QLatin1String("iwconfig"))
        return RadioFamily::Iwconfig;
    return std::nullopt;
}

QString radioFamilyName(RadioFamily family)
{
    switch (family) {
    case RadioFamily::AirOs:
        return QStringLiteral("airos");
    case RadioFamily::AirFiber:
        return QStringLiteral("airfiber");
    case RadioFamily::Json:
        return QStringLiteral("json");
    case RadioFamily::Iwconfig:
        return QStringLiteral("iwconfig");
    }
    return {};
}

namespace radiotexts {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString joined(const QStringList &lines)
{
    return lines.join(kCrLf) + kCrLf;
}

QString hostName(const RadioIdentity &id)
{
    QString host = id.name;
    host.replace(u' ', u'-');
    return host;
}

QString humanBytes(qint64 bytes)
{
    if (bytes >= 1000LL * 1000 * 1000)
        return QStringLiteral("%1 GB").arg(bytes / 1e9, 0, 'f', 1);
    if (bytes >= 1000LL * 1000)
        return QStringLiteral("%1 MB").arg(bytes / 1e6, 0, 'f', 1);
    return QStringLiteral("%1 KB").arg(bytes / 1e3, 0, 'f', 1);
}

} // namespace

QString loginPrompt(RadioFamily family, const RadioIdentity &id)
{
    if (family == RadioFamily::Iwconfig)
        return kCrLf + id.deviceId + QStringLiteral(" login: ");
    return kCrLf + hostName(id) + QStringLiteral(" login: ");
}

QString shellPrompt(RadioFamily family)
{
    switch (family) {
    case RadioFamily::AirOs:
        return QStringLiteral("XM.v6.2.0# ");
    case RadioFamily::AirFiber:
        return QStringLiteral("af5xhd.v4.1.0# ");
    case RadioFamily::Iwconfig:
        return QStringLiteral("[root@radio]# ");
    case RadioFamily::Json:
        break;
    }
    return jsonPrompt();
}

QString shellBanner(RadioFamily family, const RadioIdentity &)
{
    QString banner = kCrLf + kCrLf;
    switch (family) {
    case RadioFamily::AirOs:
        banner += QStringLiteral("BusyBox v1.19.4 (2019-07-03 11:19:57 EEST) built-in shell (ash)\r\n"
                                 "Enter 'help' for a list of built-in commands.\r\n\r\n"
                                 " Welcome to airOS\r\n\r\n");
        break;
    case RadioFamily::AirFiber:
        banner += QStringLiteral("BusyBox v1.25.1 built-in shell (ash)\r\n\r\n");
        break;
    case RadioFamily::Iwconfig:
        banner += QStringLiteral("BusyBox v1.01 (2012.03.01-08:12+0000) Built-in shell (msh)\r\n"
                                 "Enter 'help' for a list of built-in commands.\r\n\r\n");
        break;
    case RadioFamily::Json:
        break;
    }
    return banner + shellPrompt(family);
}

QString loginIncorrect(RadioFamily family, const RadioIdentity &id)
{
    return kCrLf + QStringLiteral("Login incorrect") + loginPrompt(family, id);
}

bool isStatusCommand(RadioFamily family, const QString &line)
{
    if (family == RadioFamily::Iwconfig)
        return line.startsWith(QLatin1String("iwconfig"));
    return line == QLatin1String("mca-status");
}

QString notFound(const QString &command)
{
    return QStringLiteral("-sh: %1: not found\r\n").arg(command.section(u' ', 0, 0));
}

// The keys and layout of a real airOS 6 mca-status (a Rocket M5), plus the
// cinr= and capacity lines of later firmware.
QString airOsStatus(const RadioIdentity &id, const RadioLink::Reading &r, quint64 uptime)
{
    const qint64 lanRx = r.txBytes * 55 / 100 + 872774827;
    const qint64 lanTx = r.rxBytes * 77 / 100;
    return joined({
        QStringLiteral("deviceName=%1,deviceId=%2,firmwareVersion=XW.ar934x.v6.2.0.33033.190703.1117,"
                       "platform=Rocket M5,deviceIp=%3")
            .arg(id.name, id.mac, id.deviceIp),
        QString(),
        QStringLiteral("apMac=24:5A:4C:BC:63:B3"),
        QStringLiteral("wlanOpmode=sta"),
        QStringLiteral("wlanConnections=1"),
        QStringLiteral("wlanUptime=%1").arg(uptime),
        QStringLiteral("essid=%1").arg(id.essid),
        QStringLiteral("security=none"),
        QStringLiteral("freq=5800"),
        QStringLiteral("centerFreq=5810"),
        QStringLiteral("txPower=19"),
        QStringLiteral("chanbw=40"),
        QStringLiteral("signal=%1").arg(r.signal),
        QStringLiteral("chain0Signal=%1").arg(r.chain0),
        QStringLiteral("chain1Signal=%1").arg(r.chain1),
        QStringLiteral("noise=%1").arg(r.noise),
        QStringLiteral("cinr=%1").arg(qMax(0, r.signal - r.noise)),
        QStringLiteral("ccq=991"),
        QStringLiteral("uptime=%1").arg(uptime + 34),
        QStringLiteral("cpuUsage=38.4"),
        QStringLiteral("loadavg=2"),
        QStringLiteral("memTotal=62136"),
        QStringLiteral("memFree=39244"),
        QStringLiteral("memBuffers=2652"),
        QStringLiteral("ackTimeout=24"),
        QStringLiteral("distance=0"),
        QStringLiteral("netrole=bridge"),
        QStringLiteral("lanIpAddress=0.0.0.0"),
        QStringLiteral("wlanIpAddress=0.0.0.0"),
        QStringLiteral("wlanTxRate=300.0"),
        QStringLiteral("wlanRxRate=300.0"),
        QStringLiteral("wlanTxLatency=1"),
        QStringLiteral("wlanPolling=1"),
        QStringLiteral("wlanPollingQuality=96"),
        QStringLiteral("wlanPollingCapacity=91"),
        QStringLiteral("wlanDownlinkCapacity=%1").arg(qRound64(r.capacityDownMbps * 1000)),
        QStringLiteral("wlanUplinkCapacity=%1").arg(qRound64(r.capacityUpMbps * 1000)),
        QStringLiteral("wlanDesiredPriority=0"),
        QStringLiteral("lanRxBytes=%1").arg(lanRx),
        QStringLiteral("lanRxPackets=17670789"),
        QStringLiteral("lanRxErrors=0"),
        QStringLiteral("lanTxBytes=%1").arg(lanTx),
        QStringLiteral("lanTxPackets=9644214"),
        QStringLiteral("lanTxErrors=0"),
        QStringLiteral("lanPlugged=1"),
        QStringLiteral("lanSpeed=100Mbps-Full"),
        QStringLiteral("wlanRxBytes=%1").arg(r.rxBytes),
        QStringLiteral("wlanRxPackets=9653951"),
        QStringLiteral("wlanRxErrors=0"),
        QStringLiteral("wlanTxBytes=%1").arg(r.txBytes),
        QStringLiteral("wlanTxPackets=17619243"),
        QStringLiteral("wlanTxErrors=0"),
        QStringLiteral("latitude=%1").arg(id.latitude),
        QStringLiteral("longitude=%1").arg(id.longitude),
        QStringLiteral("boardCrc=f810c92a"),
        QStringLiteral("cfgCrc=53679aee"),
        QStringLiteral("status_flags=4"),
    });
}

// Same shape as airOS, with the airFiber keys and its statistics object.
QString airFiberStatus(const RadioIdentity &id, const RadioLink::Reading &r, quint64 uptime)
{
    return joined({
        QStringLiteral("deviceName=%1,deviceId=%2,firmwareVersion=v4.1.0,platform=AF-5XHD,deviceIp=%3")
            .arg(id.name, id.mac, id.deviceIp),
        QString(),
        QStringLiteral("afTxchanbw=100"),
        QStringLiteral("afRxchanbw=100"),
        QStringLiteral("afRxcapacity=%1").arg(qRound64(r.capacityDownMbps * 1000)),
        QStringLiteral("afTxcapacity=%1").arg(qRound64(r.capacityUpMbps * 1000)),
        QStringLiteral("afRxpower0=%1").arg(r.chain0),
        QStringLiteral("afRxpower1=%1").arg(r.chain1),
        QStringLiteral("afTxmodrate=%1x").arg(qBound(1, (r.signal - r.noise) / 5, 8)),
        QStringLiteral("afTxpower=23"),
        QStringLiteral("signal=%1").arg(r.signal),
        QStringLiteral("uptime=%1").arg(uptime),
        QStringLiteral("wlanRxBytes=%1").arg(r.rxBytes),
        QStringLiteral("wlanTxBytes=%1").arg(r.txBytes),
        QStringLiteral("latitude=%1").arg(id.latitude),
        QStringLiteral("longitude=%1").arg(id.longitude),
        QStringLiteral("altitude=12"),
        QStringLiteral("afStats={\"noisefloor\":%1,\"chainrssi\":[%2,%3]}").arg(r.noise).arg(r.chain0).arg(r.chain1),
    });
}

// A madwifi radio's "iwconfig ath0" (layout of a real one, with the
// "Tx-Power=" spelling of later wireless tools), the bytes line of
// "ifconfig wifi0", the echoed word DeviceName and /etc/mdns.conf.
QString iwconfigStatus(const RadioIdentity &id, const RadioLink::Reading &r)
{
    const int quality = qBound(0, r.signal - r.noise, 70);
    const int rate = r.signal <= RadioLink::kNoSignal ? 0 : qBound(1, static_cast<int>(r.capacityDownMbps / 2), 300);
    return joined({
        QStringLiteral("ath0      IEEE 802.11a  ESSID:\"%1\"  Nickname:\"\"").arg(id.essid),
        QStringLiteral("          Mode:Managed  Frequency:5.805 GHz  Access Point: 00:60:B3:65:08:A2   "),
        QStringLiteral("          Bit Rate:%1 Mb/s   Tx-Power=20 dBm   Sensitivity=1/1  ").arg(rate),
        QStringLiteral("          Retry:off   RTS thr:off   Fragment thr:off"),
        QStringLiteral("          Encryption key:off"),
        QStringLiteral("          Power Management:off"),
        QStringLiteral("          Link Quality=%1/70  Signal level=%2 dBm  Noise level=%3 dBm")
            .arg(quality)
            .arg(r.signal)
            .arg(r.noise),
        QStringLiteral("          Rx invalid nwid:1107  Rx invalid crypt:0  Rx invalid frag:0"),
        QStringLiteral("          Tx excessive retries:0  Invalid misc:0   Missed beacon:0"),
        QString(),
        QStringLiteral("          RX bytes:%1 (%2)  TX bytes:%3 (%4)")
            .arg(r.rxBytes)
            .arg(humanBytes(r.rxBytes))
            .arg(r.txBytes)
            .arg(humanBytes(r.txBytes)),
        QStringLiteral("DeviceName"),
        QStringLiteral("%1_http._tcp.local 80").arg(hostName(id)),
    });
}

QString jsonPrompt()
{
    return QStringLiteral("\r\nconsole :");
}

QString jsonKeyIssued(const QString &key)
{
    return QStringLiteral("{\"secretkey\":\"%1\",\"errorcode\":\"0\"}").arg(key);
}

QString jsonError(int code)
{
    return QStringLiteral("{\"errorcode\":\"%1\"}").arg(code);
}

QString jsonConfiguration(const RadioIdentity &id)
{
    return QStringLiteral("{\"config\":{\"firversion\":\"V2.3.1\",\"mac\":\"%1\",\"voltage\":\"12.2\","
                          "\"name\":\"%2\",\"ip\":\"%3\",\"ssid\":\"%4\"},\"errorcode\":\"0\"}")
        .arg(id.mac.toLower(), id.name, id.deviceIp, id.essid);
}

QString jsonSystemInfo(const RadioIdentity &id, const RadioLink::Reading &r)
{
    return QStringLiteral("{\"connectlist\":[{\"mac\":\"24:5a:4c:bc:63:b3\",\"noise\":\"%1\",\"rxbit\":\"%2\","
                          "\"acktimeout\":\"27\",\"txbit\":\"%3\",\"signal\":\"%4\"}],\"name\":\"%5\","
                          "\"ip\":\"%6\",\"noise\":\"%1\",\"ssid\":\"%7\",\"errorcode\":\"0\"}")
        .arg(r.noise)
        .arg(r.capacityDownMbps)
        .arg(r.capacityUpMbps)
        .arg(r.signal)
        .arg(id.name, id.deviceIp, id.essid);
}

} // namespace radiotexts

} // namespace korvane::sim
