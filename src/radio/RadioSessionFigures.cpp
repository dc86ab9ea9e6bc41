// The figure steps of the text families: iwconfig, airOS and airFiber.
#include "radio/RadioSession.h"

#include "model/Display.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"
#include "radio/TextRadioReplies.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <cmath>

namespace korvane {

namespace {

// airFiber 5XHD reports no noise figure; this stands in for it.
constexpr double kAirFiberNoise = -95;

QString capacityText(double down, double up)
{
    return shortestDecimal(down) + QStringLiteral(" /") + shortestDecimal(up);
}

} // namespace

void RadioSession::showDeviceName(const QString &name)
{
    m_parts.display.Ship.setText(name + m_parts.status.HeadingArrow);
    m_parts.display.Ship.setToolTip(m_parts.display.Ship.text());
}

void RadioSession::takeOwnPosition(const QString &latitude, const QString &longitude, bool needsWholeDegree)
{
    // The radio's own receiver stands in only while the board, which has
    // its own, is away.
    if (m_parts.controller.isConnected())
        return;
    const auto usable = [needsWholeDegree](const QString &text) {
        return !text.isEmpty() && (!needsWholeDegree || std::floor(numberOfText(text)) != 0);
    };
    if (usable(latitude))
        m_parts.status.OwnLatitude = numberOfText(latitude);
    if (usable(longitude))
        m_parts.status.OwnLongitude = numberOfText(longitude);
}

void RadioSession::iwconfigFigures(const QString &reply)
{
    if (m_parts.radio.RadioFamily != RadioFamilyIwconfig)
        return;
    const IwconfigStatus s = readIwconfigStatus(reply);
    const double signal = numberOfText(s.signal);
    if (signal == 0)
        return;
    m_parts.display.radioFeed.reading();
    Display &d = m_parts.display;
    RadioStats &stats = m_parts.stats;
    d.Text15.setText(shortestDecimal(s.bitRateMbps));
    stats.capacityDownMbps = s.bitRateMbps;
    stats.capacityUpMbps = s.bitRateMbps;
    d.Text1.setText(RadioFigures::shown(s.signal));
    d.Text1.setToolTip(QStringLiteral("SSID：") + RadioFigures::shown(s.essid) + QStringLiteral("链路质量：")
                       + RadioFigures::shown(s.linkQuality) + QStringLiteral("频率：")
                       + RadioFigures::shown(s.frequency) + QStringLiteral("GHz 发射功率：")
                       + RadioFigures::shown(s.txPower) + QStringLiteral("dBm"));
    m_figures.setSignal(signal);
    m_figures.refreshCaption();
    m_figures.showNoise(s.noise, signal);
    if (stats.lastRxBytes != 0 && s.rxBytes > 0)
        m_figures.showThroughput(s.rxBytes, s.txBytes);
    stats.lastRxBytes = s.rxBytes;
    stats.lastTxBytes = s.txBytes;
    stats.countersRead.start();
    m_figures.showByteTotals(s.rxBytes, s.txBytes);
    const QString name = RadioFigures::shown(s.deviceName);
    if (!name.isEmpty())
        d.Ship.setText(name + m_parts.status.HeadingArrow);
    d.Ship.setToolTip(d.Ship.text());
}

void RadioSession::airOsFigures(const QString &reply)
{
    if (m_parts.radio.RadioFamily != RadioFamilyAirOs)
        return;
    const AirOsStatus s = readAirOsStatus(reply);
    if (s.lanRxBytes == 0)
        return;
    m_parts.display.radioFeed.reading();
    Display &d = m_parts.display;
    RadioStats &stats = m_parts.stats;
    const double down = s.downlinkKbps / 1000;
    d.Text15.setText(capacityText(down, s.uplinkKbps / 1000));
    stats.capacityDownMbps = down;
    stats.capacityUpMbps = s.uplinkKbps / 1000;
    // The uplink read up to the LAN counters is the one that stands.
    d.Text15.setText(capacityText(down, s.uplinkKbpsLan / 1000));
    stats.capacityUpMbps = s.uplinkKbpsLan / 1000;

    // A positive signal is no reading: signal, noise and chains stay.
    const double signal = numberOfText(s.signal);
    stats.signalRejected = std::floor(signal) > 0;
    if (!(std::floor(signal) > 0)) {
        if (std::floor(signal) < 0)
            d.Text1.setText(RadioFigures::shown(s.signal));
        if (m_figures.setSignal(signal) && stats.signalDbm == 0)
            stats.signalDbm = -120;
        m_figures.refreshCaption();
        m_figures.showNoise(s.noise, stats.signalDbm);
        const double delta = std::floor(s.chain0 - s.chain1);
        d.Text_delta.setText(QStringLiteral("Δ:") + shortestDecimal(delta));
        if (const auto db = toInt16(delta))
            stats.chainDeltaDb = *db;
    }

    if (stats.lastRxBytes != 0)
        m_figures.showThroughput(s.wlanRxBytes, s.wlanTxBytes);
    stats.lastRxBytes = s.wlanRxBytes;
    stats.lastTxBytes = s.wlanTxBytes;
    stats.countersRead.start();
    m_figures.showByteTotals(s.lanTxBytes, s.lanRxBytes);
    if (!s.deviceName.isEmpty())
        showDeviceName(s.deviceName);
    takeOwnPosition(s.latitude, s.longitude, true);
}

void RadioSession::airFiberNoise(const QString &reply)
{
    if (m_parts.radio.RadioFamily != RadioFamilyAirFiber)
        return;
    const double noise = readAirFiberStatus(reply).noiseFloor;
    const double signal = numberOfText(m_parts.display.Text1.text());
    if (!(noise < 0) || !(std::floor(signal) < 0))
        return;
    m_figures.refreshCaption();
    m_figures.showNoise(noise, signal);
}

void RadioSession::airFiberFigures(const QString &reply)
{
    if (m_parts.radio.RadioFamily != RadioFamilyAirFiber)
        return;
    const AirFiberStatus s = readAirFiberStatus(reply);
    if (s.txChannelWidth == 0)
        return;
    m_parts.display.radioFeed.reading();
    Display &d = m_parts.display;
    RadioStats &stats = m_parts.stats;
    stats.capacityDownMbps = s.rxCapacityKbps / 1000;
    stats.capacityUpMbps = s.txCapacityKbps / 1000;
    d.Text15.setText(capacityText(stats.capacityDownMbps, stats.capacityUpMbps));
    if (d.Combo2.text() == QLatin1String("aaa"))
        d.Text2.setText(withoutPassword(reply));

    stats.signalDbm = -120;
    const double signal = numberOfText(s.signal);
    if (std::floor(signal) < 0) {
        d.Text1.setText(RadioFigures::shown(s.signal));
        m_figures.setSignal(signal);
        d.Text_Level.setToolTip(RadioFigures::shown(s.txModRate));
        stats.noiseDbm = static_cast<std::int16_t>(kAirFiberNoise);
        m_figures.showQuality(std::floor(signal) - kAirFiberNoise);
    } else {
        m_figures.showLevel(0);
    }

    if (s.wlanRxBytes != 0 && s.wlanTxBytes != 0) {
        // The first counters of a session are only the base for the next.
        if (stats.lastRxBytes != 0 && stats.lastTxBytes != 0)
            m_figures.showThroughput(s.wlanRxBytes, s.wlanTxBytes);
        stats.lastRxBytes = s.wlanRxBytes;
        stats.lastTxBytes = s.wlanTxBytes;
        stats.countersRead.start();
    stats.countersRead.start();
    }
    if (stats.lastRxBytes != 0 && stats.lastTxBytes != 0)
        m_figures.showByteTotals(stats.lastRxBytes, stats.lastTxBytes);
    takeOwnPosition(s.latitude, s.longitude, false);
    const QString name = RadioFigures::shown(s.deviceName);
    if (!name.isEmpty()) {
        d.Ship.setText(name);
        d.Ship.setToolTip(name);
        d.dist.setText(name);
    }
}

} // namespace korvane
