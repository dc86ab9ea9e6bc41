#include "radio/RadioFigures.h"

#include "model/Display.h"
#include "platform/Clock.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"
#include "text/Decimal15.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <cmath>

namespace korvane {

namespace {

// The poll period the byte counters are read over, in seconds.
constexpr double kPollSeconds = 2.0;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kNoSignalDbm = -120;

QString wholeText(double value)
{
    return shortestDecimal(std::floor(value));
}

} // namespace

RadioFigures::RadioFigures(Parts parts)
    : m_parts(parts)
{
}

QString RadioFigures::shown(const QString &value)
{
    const auto lineBreak = [](QChar c) { return c == u'\r' || c == u'\n'; };
    qsizetype from = 0;
    qsizetype to = value.size();
    while (from < to && lineBreak(value.at(from)))
        ++from;
    while (to > from && lineBreak(value.at(to - 1)))
        --to;
    return value.mid(from, to - from);
}

QString RadioFigures::upToTwoDecimals(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    return shortestDecimal(Decimal15::of(value).rounded(2).toDouble());
}

int RadioFigures::qualityLevel(double margin)
{
    if (!(margin >= 0))
        return 0;
    if (margin <= 6)
        return 1;
    if (margin <= 12)
        return 2;
    if (margin <= 18)
        return 3;
    if (margin <= 24)
        return 4;
    return 5;
}

void RadioFigures::refreshCaption()
{
    m_parts.display.MainWindow.setText(m_parts.startCaption + QLatin1Char(' ')
                                       + wholeText(numberOfText(m_parts.display.Text1.text())));
}

bool RadioFigures::setSignal(double value)
{
    const auto dbm = toInt16(value);
    if (dbm) {
        m_parts.stats.signalDbm = *dbm;
        m_parts.stats.figuresRead = true;
    }
    return dbm.has_value();
}

void RadioFigures::showNoise(double noise, double signal)
{
    const double whole = std::floor(noise);
    m_parts.display.Text_Level.setToolTip(QStringLiteral("N:") + wholeText(noise));
    if (const auto dbm = toInt16(whole))
        m_parts.stats.noiseDbm = *dbm;
    // A noise figure the radio did not give (0) says nothing of the margin.
    if (std::floor(signal) <= kNoSignalDbm)
        showLevel(0);
    else if (whole < 0)
        showQuality(std::floor(signal) - whole);
}

void RadioFigures::showQuality(double margin)
{
    showLevel(qualityLevel(margin));
}

// Level 0 empties the bar: a negative margin or no signal is no link, and a
// bar left as it was would show a dead link as healthy.
void RadioFigures::showLevel(int level)
{
    if (level < 0 || level > 5)
        return;
    m_parts.display.Text_Level.setText(m_parts.radio.signalBars[static_cast<std::size_t>(level)]);
    if (level == 0)
        m_parts.display.Text_Level.setToolTip(QStringLiteral("无信号"));
}

bool RadioFigures::showThroughput(double rxBytes, double txBytes)
{
    RadioStats &stats = m_parts.stats;
    if (rxBytes < stats.lastRxBytes || txBytes < stats.lastTxBytes)
        return false;
    const double seconds = stats.countersAgeSeconds(kPollSeconds);
    const QString rx = upToTwoDecimals((rxBytes - stats.lastRxBytes) * 8 / seconds / kMiB);
    const QString tx = upToTwoDecimals((txBytes - stats.lastTxBytes) * 8 / seconds / kMiB);
    m_parts.display.lanByte.setText(rx + QStringLiteral(" /") + tx);
    stats.rxMbps = numberOfText(rx);
    stats.throughputRead = true;
    stats.txMbps = numberOfText(tx);
    return true;
}

void RadioFigures::showByteTotals(double first, double second)
{
    m_parts.display.lanByte.setToolTip(QStringLiteral("累计收发数据字节Mbyte:") + formatFixed(first / kMiB, 1)
                                       + QStringLiteral(" /") + formatFixed(second / kMiB, 1));
}

void RadioFigures::showThroughputBox(bool visible)
{
    m_parts.display.lanBytes.setVisible(visible);
    m_parts.display.lanByte.setVisible(visible);
}

void RadioFigures::consoleLine(const QString &line)
{
    m_parts.display.Text2.append(QStringLiteral("\r\n") + dateTimeText(m_parts.clock.now()) + QLatin1Char(' ') + line
                                 + QStringLiteral("\r\n"));
}

} // namespace korvane
