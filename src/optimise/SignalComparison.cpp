#include "optimise/SignalComparison.h"

#include "model/RadioReachable.h"
#include "model/Display.h"
#include "model/EventLog.h"
#include "link/ControllerLink.h"
#include "model/OptimisationState.h"
#include "platform/Clock.h"
#include "platform/TcpLink.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"
#include "text/Formats.h"

namespace korvane {

namespace {

constexpr std::int16_t kNoSignal = -120;
constexpr int kSweepDegrees = 14;
constexpr std::int16_t kSweepStepAt = -10;
// Sweep steps in one cycle: 180 to the right, 179 back, one silent.
constexpr std::int16_t kSweepRight = 180;
constexpr std::int16_t kSweepCycle = 360;
// Comparison phases, in countdown ticks: M, then L, then R.
constexpr std::int16_t kPhaseM = 0;
constexpr std::int16_t kPhaseL = -5;
constexpr std::int16_t kPhaseR = -10;
constexpr std::size_t kL = 0;
constexpr std::size_t kM = 1;
constexpr std::size_t kR = 2;

const QString kSweepNotice = QStringLiteral("信号丢失系统自动搜索和扫描中......");
const QString kNoSignalNote = QStringLiteral(" 注：-120表示无信号");

QString number(int value)
{
    return QString::number(value);
}

} // namespace

SignalComparison::SignalComparison(Parts parts)
    : m_parts(parts)
{
}

void SignalComparison::Timer1_Timer()
{
    if (m_parts.state.surveyRunning()) {
        // A cycle cut by the survey is not resumed at a bearing the survey
        // has since moved away from.
        m_parts.state.restartCountdowns();
        return;
    }
    lostSignalSweep();
    periodicComparison();
}

bool SignalComparison::radioReachable() const
{
    return korvane::radioReachable(m_parts.radioSocket, m_parts.radio);
}

bool SignalComparison::signalPresent() const
{
    const std::int16_t signal = m_parts.stats.signalDbm;
    return signal > kNoSignal && signal < 0 && radioReachable();
}

QString SignalComparison::turnCommand(int degrees)
{
    return QStringLiteral("m") + number(degrees);
}

void SignalComparison::turn(int degrees)
{
    m_parts.controller.send(turnCommand(degrees) + QStringLiteral("\r\n"));
}

void SignalComparison::consoleLine(const QString &text)
{
    m_parts.display.Text2.append(QStringLiteral("\r\n") + dateTimeText(m_parts.clock.now()) + QLatin1Char(' ') + text
                                 + QStringLiteral("\r\n"));
}

void SignalComparison::logLine(const QString &text)
{
    m_parts.log.append(dateTimeText(m_parts.clock.now()) + text + QStringLiteral("\r\n"));
}

void SignalComparison::lostSignalSweep()
{
    OptimisationState &s = m_parts.state;
    if (!m_parts.controller.isConnected() || !radioReachable())
        return;
    // Only one unbroken loss as long as the scan interval starts the sweep:
    // a signal heard in between, compared or not, starts the wait again.
    if (signalPresent()) {
        s.reloadScanCountdown();
        return;
    }
    if (m_parts.stats.signalDbm != kNoSignal || !s.scanEnabled)
        return;
    s.scanCountdown = static_cast<std::int16_t>(s.scanCountdown - 1);
    if (s.scanCountdown != kSweepStepAt)
        return;
    s.sweepStepCounter = static_cast<std::int16_t>(s.sweepStepCounter + 1);
    if (s.sweepStepCounter <= kSweepRight)
        turn(kSweepDegrees);
    else if (s.sweepStepCounter < kSweepCycle)
        turn(-kSweepDegrees);
    else
        s.sweepStepCounter = 0;
    m_parts.display.Label_NOTE.setText(kSweepNotice);
    consoleLine(QLatin1Char(' ') + kSweepNotice + QStringLiteral("请耐心等待"));
    s.scanCountdown = 0;
    logLine(kSweepNotice);
}

void SignalComparison::periodicComparison()
{
    OptimisationState &s = m_parts.state;
    const std::int16_t signal = m_parts.stats.signalDbm;
    if (!m_parts.controller.isConnected() || !signalPresent() || !s.comparisonEnabled)
        return;
    s.comparisonCountdown = static_cast<std::int16_t>(s.comparisonCountdown - 1);
    const int step = s.comparisonStep;
    switch (s.comparisonCountdown) {
    case kPhaseM: {
        s.comparisonReadings[kM] = signal;
        const QString line = QStringLiteral("当前位置(M)信号强度值：") + number(signal);
        consoleLine(line);
        turn(-step);
        logLine(line);
        break;
    }
    case kPhaseL: {
        s.comparisonReadings[kL] = signal;
        const QString line = QStringLiteral("当前位置(L)信号强度值：") + number(signal);
        consoleLine(line);
        turn(2 * step);
        logLine(line);
        break;
    }
    case kPhaseR:
        s.comparisonReadings[kR] = signal;
        consoleLine(QStringLiteral("当前位置(R)信号强度值：") + number(signal));
        decide();
        s.comparisonCountdown = s.comparisonInterval;
        break;
    default:
        break;
    }
}

// The antenna stands at R. Ties between M and a side keep M; L and R equal
// and both above M match no rule, and the antenna stays at R.
void SignalComparison::decide()
{
    const auto &r = m_parts.state.comparisonReadings;
    const int step = m_parts.state.comparisonStep;
    const QString l = number(r[kL]);
    const QString m = number(r[kM]);
    const QString rr = number(r[kR]);
    QString line;
    if (r[kL] > r[kM] && r[kL] > r[kR]) {
        turn(-2 * step);
        line = QStringLiteral("信号最强(L)：") + l + QStringLiteral(" 信号(M)：") + m + QStringLiteral(" 信号(R)：") + rr;
    } else if (r[kR] > r[kM] && r[kR] > r[kL]) {
        line = QStringLiteral("信号最强(R)：") + rr + QStringLiteral(" 信号(L)：") + l + QStringLiteral(" 信号(M)：") + m;
    } else if (r[kM] >= r[kL] && r[kM] >= r[kR]) {
        turn(-step);
        line = QStringLiteral("信号最强(M)：") + m + QStringLiteral(" 信号(L)：") + l + QStringLiteral(" 信号(R)：") + rr;
    } else {
        return;
    }
    line += kNoSignalNote;
    consoleLine(line);
    logLine(line);
}

} // namespace korvane
