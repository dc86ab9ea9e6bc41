#include "radio/CpeReader.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "text/HostPort.h"
#include "platform/Clock.h"
#include "platform/Http.h"
#include "platform/IsPortOpen.h"
#include "radio/CpeReply.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"
#include "radio/TextRadioReplies.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <QUrl>

#include <algorithm>
#include <initializer_list>

namespace korvane {

namespace {

const HttpHeaders kHeaders{{"User-Agent", "korvane-station/1.0"}};
const HttpTimeouts kTimeouts{1000, 1000, 1500, 1500};
const QString kCpeShip = QStringLiteral("5G动中通");
// The poll period the counters are read over, in seconds.
constexpr double kPollSeconds = 2.0;
constexpr double kMiB = 1024.0 * 1024.0;

bool oneOf(const QString &word, std::initializer_list<const char *> words)
{
    return std::any_of(words.begin(), words.end(), [&word](const char *w) { return word == QLatin1String(w); });
}

bool registered(const QString &status)
{
    return oneOf(status, {"CONNECT", "REG_HOME", "ROAMING"});
}

// The bar's level from the reference signal power.
int levelOfRsrp(double rsrp)
{
    // No figure (0 or above) or the floor itself is no signal.
    if (!(rsrp < 0) || rsrp <= -120)
        return 0;
    if (rsrp > -75)
        return 5;
    if (rsrp > -85)
        return 4;
    if (rsrp > -95)
        return 3;
    if (rsrp > -105)
        return 2;
    return 1;
}

// Mbit/s over `seconds` from two byte counters; a counter that went back
// (the CPE restarted, or its counter wrapped) gives 0, not a negative rate.
double megabits(std::int64_t now, std::int64_t before, double seconds)
{
    return now > before ? static_cast<double>(now - before) * 8 / kMiB / seconds : 0.0;
}

} // namespace

CpeReader::CpeReader(Parts parts)
    : m_parts(parts),
      m_figures({parts.display, parts.stats, parts.radio, parts.clock, parts.startCaption})
{
}

CpeReader::WebTarget CpeReader::webTarget() const
{
    const QString address = m_parts.display.Text3.text().trimmed();
    WebTarget target{address, kWebPort};
    if (isWebAddress(address)) {
        const QUrl named(address);
        target.host = named.host();
        target.port = named.port(kWebPort);
        return target;
    }
    // A port after the address is the telnet console's, not the web server's.
    std::int32_t telnetPort = 0;
    SplitAndValidateHostPort(address, target.host, telnetPort);
    return target;
}

Task<std::optional<QString>> CpeReader::fetch()
{
    const WebTarget target = webTarget();
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(target.host);
    if (target.port != kWebPort)
        url.setPort(target.port);
    url.setPath(QStringLiteral("/cgi-bin/5g"));
    const HttpResponse response = co_await m_parts.http.get(&m_parts.scope, url, kHeaders, kTimeouts);
    if (response.failed() || response.status != 200)
        co_return std::nullopt;
    co_return QString::fromUtf8(response.body);
}

Task<> CpeReader::identify()
{
    RadioSessionState &radio = m_parts.radio;
    const QString address = m_parts.display.Text3.text();
    if (address.isEmpty() || radio.RadioFamily != RadioFamilyUnknown)
        co_return;
    if (radio.lastCpeProbe.isValid() && !radio.lastCpeProbe.hasExpired(kProbeSpacingMs))
        co_return;
    radio.lastCpeProbe.start();
    const WebTarget target = webTarget();
    const bool done = co_await IsPortOpen(&m_parts.scope, target.host, target.port, kPortProbeMs);
    if (!done)
        co_return;
    const std::optional<QString> body = co_await fetch();
    // The telnet session may have recognised its radio while we waited.
    if (!body || radio.RadioFamily != RadioFamilyUnknown || m_parts.scope.ended())
        co_return;
    const int features = cpeFeatureCount(*body);
    const QString count = QString::number(features);
    const QString now = dateTimeText(m_parts.clock.now());
    if (features < 2) {
        m_parts.log.append(now + QStringLiteral(" 设备IP: ") + target.host + QLatin1Char(' ')
                           + QString::number(target.port)
                           + QStringLiteral("端口开放，但非5G CPE设备 (特征数: ") + count + QStringLiteral(")，跳过"));
        co_return;
    }
    radio.RadioFamily = RadioFamilyCpe;
    radio.loggedIn = true;
    m_loggedState.reset();
    m_figures.showThroughputBox(true);
    m_parts.log.append(now + QStringLiteral(" 设备类型: 5G CPE (特征验证通过，特征数: ") + count + QLatin1Char(')'));
    m_parts.display.Label_NOTE.setText(QStringLiteral("已识别为5G CPE设备"));
}

Task<bool> CpeReader::read()
{
    const std::optional<QString> body = co_await fetch();
    if (m_parts.scope.ended())
        co_return false;
    if (!body) {
        // A CPE is reachable only while its readings come, and counters from
        // before the gap are no base for the next.
        m_parts.radio.loggedIn = false;
        m_parts.radio.cpePrevRxBytes = 0;
        m_parts.radio.cpePrevTxBytes = 0;
        m_parts.stats.forgetCounterBase();
        m_loggedState.reset();
        m_parts.display.radioLamp.setColour(colours::Red);
        m_parts.display.radioLamp.setToolTip(QStringLiteral("5G CPE 连接失败"));
        m_parts.display.radioFeed.lost(QStringLiteral("5G CPE 无应答"));
        co_return false;
    }
    show(*body);
    co_return true;
}

void CpeReader::show(const QString &body)
{
    const CpeReply r = readCpeReply(body);
    m_parts.radio.loggedIn = true; // the lamp's step below may say otherwise
    m_parts.display.radioFeed.reading();
    QString label = BandName(r.band, r.mnc);
    if (label.isEmpty())
        label = QStringLiteral("Band ") + r.band;
    m_parts.radio.cpeStatusText = registered(r.status) ? label : label + QStringLiteral(" | ") + r.status;
    takeMac(r.mac);
    showLamp(r, label);
    logReply(r, label, body);
    showSignal(r, label);
    showCapacity(r);
    showThroughput(r);
    Display &d = m_parts.display;
    if (d.Ship.text().isEmpty() || d.Ship.text() == kCpeShip)
        d.Ship.setText(kCpeShip);
    d.Ship.setToolTip(QStringLiteral("5G CPE | ") + d.Text3.text());
    const QString sinr = QStringLiteral("SINR: ") + r.sinr + QStringLiteral(" dB");
    d.Text_Level.setToolTip(m_parts.stats.noiseDbm < -119
                                ? sinr
                                : sinr + QStringLiteral(" | 噪声: ") + QString::number(m_parts.stats.noiseDbm)
                                      + QStringLiteral(" dBm"));
    // Last, so that no signal leaves its own words on the bar's tool tip.
    m_figures.showLevel(levelOfRsrp(numberOfText(r.rsrp)));
}

void CpeReader::takeMac(const QString &mac)
{
    RadioSessionState &radio = m_parts.radio;
    if (mac.isEmpty() || !radio.radioMac.isEmpty())
        return;
    if (const std::optional<QString> normalised = normalisedMac(mac)) {
        radio.radioMac = *normalised;
        m_parts.log.append(dateTimeText(m_parts.clock.now()) + QStringLiteral(" 5G CPE MAC地址已获取: ")
                           + radio.radioMac);
    }
}

void CpeReader::logReply(const CpeReply &r, const QString &label, const QString &body)
{
    const QString state = label + u'\n' + r.status + u'\n' + r.mac;
    if (m_loggedState == state)
        return;
    m_loggedState = state;
    m_parts.log.append(QStringLiteral("5G数据: ") + body);
}

void CpeReader::showLamp(const CpeReply &r, const QString &label)
{
    Control &lamp = m_parts.display.radioLamp;
    if (registered(r.status)) {
        lamp.setColour(colours::Green);
        lamp.setToolTip(QStringLiteral("5G CPE 已注册 | 信号: ") + r.rsrp + QStringLiteral(" dBm | ") + label);
    } else if (r.status == QLatin1String("LIMSRV")) {
        lamp.setColour(colours::Green);
        lamp.setToolTip(QStringLiteral("5G CPE 无SIM卡或服务受限 | ") + r.status);
    } else if (r.status == QLatin1String("SEARCH")) {
        lamp.setColour(colours::Yellow);
        lamp.setToolTip(QStringLiteral("5G CPE 正在搜索网络..."));
    } else if (oneOf(r.status, {"DENIED", "NOT_REG", "NONE", "UNKNOWN"})) {
        lamp.setColour(colours::Red);
        lamp.setToolTip(QStringLiteral("5G CPE 注册失败: ") + r.status);
    } else {
        // A word we do not know: a plausible signal says the link is up.
        const double rsrp = numberOfText(r.rsrp);
        const bool up = isNumericText(r.rsrp) && rsrp < 0 && rsrp > -140;
        m_parts.radio.loggedIn = up;
        lamp.setColour(up ? colours::Green : colours::Red);
    }
}

void CpeReader::showSignal(const CpeReply &r, const QString &label)
{
    Display &d = m_parts.display;
    RadioStats &stats = m_parts.stats;
    const double rsrp = numberOfText(r.rsrp);
    if (rsrp >= 0) {
        d.Text1.setText(QString());
        stats.signalDbm = -120;
        stats.noiseDbm = -120;
    } else {
        d.Text1.setText(r.rsrp);
        m_figures.setSignal(rsrp);
        const double sinr = numberOfText(r.sinr);
        // The noise floor the signal-to-noise ratio implies.
        if (sinr == 0)
            stats.noiseDbm = -120;
        else if (const auto noise = toInt16(rsrp - sinr))
            stats.noiseDbm = *noise;
    }
    d.Text1.setToolTip(QStringLiteral("RSRP: ") + r.rsrp + QStringLiteral(" dBm | RSRQ: ") + r.rsrq
                       + QStringLiteral(" dB | SINR: ") + r.sinr + QStringLiteral(" dB | ") + label
                       + QStringLiteral(" (") + r.bandwidth + QStringLiteral(" MHz) | STATUS: ") + r.status);
    d.MainWindow.setText(m_parts.startCaption + QLatin1Char(' ') + r.rsrp + QLatin1Char(' ') + r.status
                         + QStringLiteral(" B") + r.band);
}

void CpeReader::showCapacity(const CpeReply &r)
{
    Control &box = m_parts.display.Text15;
    const QString rate = QString::number(r.rateDlTheory);
    if (r.rateDlTheory < 1) {
        const double bandwidth = numberOfText(r.bandwidth);
        box.setText(bandwidth > 0 ? shortestDecimal(bandwidth) + QStringLiteral(" MHz") : QStringLiteral("--"));
    } else {
        box.setText(rate);
        m_parts.stats.capacityDownMbps = r.rateDlTheory;
        m_parts.stats.capacityUpMbps = r.rateDlTheory;
    }
    box.setToolTip(QStringLiteral("协商带宽: 下行 ") + rate + QStringLiteral(" Mbps"));
}

void CpeReader::showThroughput(const CpeReply &r)
{
    RadioSessionState &radio = m_parts.radio;
    RadioStats &stats = m_parts.stats;
    Control &box = m_parts.display.lanByte;
    // The first reading has nothing to compare with.
    if (radio.cpePrevRxBytes > 0) {
        const double seconds = stats.countersAgeSeconds(kPollSeconds);
        const double rx = megabits(r.rxBytes, radio.cpePrevRxBytes, seconds);
        const double tx = megabits(r.txBytes, radio.cpePrevTxBytes, seconds);
        if (rx <= 0 && tx <= 0) {
            box.setText(QStringLiteral("0.0 / 0.0"));
        } else {
            box.setText(formatFixed(rx, 1) + QStringLiteral(" / ") + formatFixed(tx, 1));
            stats.rxMbps = rx;
            stats.txMbps = tx;
            stats.throughputRead = true;
        }
    }
    box.setToolTip(QStringLiteral("累计下行: ") + formatFixed(static_cast<double>(r.rxBytes) / kMiB, 1)
                   + QStringLiteral(" MB\r\n累计上行: ") + formatFixed(static_cast<double>(r.txBytes) / kMiB, 1)
                   + QStringLiteral(" MB"));
    radio.cpePrevRxBytes = r.rxBytes;
    radio.cpePrevTxBytes = r.txBytes;
    stats.countersRead.start();
}

} // namespace korvane
