#include "optimise/AutoScan.h"

#include "model/RadioReachable.h"
#include "model/Display.h"
#include "model/EventLog.h"
#include "link/ControllerLink.h"
#include "controller/ManualDrive.h"
#include "optimise/SignalComparison.h"
#include "model/OptimisationState.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/TcpLink.h"
#include "text/Formats.h"
#include "text/Numbers.h"

namespace korvane {

namespace {

constexpr std::int16_t kFirst = -30;
constexpr std::int16_t kLastCommanded = 30;
// One past the last commanded offset: the tick that reads offset 30 and ends.
constexpr std::int16_t kFinalTick = 31;
constexpr std::int16_t kIdle = 32;
// What a signal box without a number counts as: no signal.
constexpr std::int16_t kNoSignal = -120;

const QString kCrLf = QStringLiteral("\r\n");
const QString kDoneText =
    QStringLiteral("系统已经驱动到扫描完毕且切换到最佳方位角度，可能会存在一定误差，您也可以根据观察结果手动进行修正。");
const QString kLinkDownText = QStringLiteral("当前通信异常，自动扫描过程中，请确保设备通信正常！");
const QString kCancelText = QStringLiteral("您已退出自动扫描模式，已经恢复自动驱动模式。");
const QString kBoardGoneText = QStringLiteral("控制板连接中断，自动扫描已结束。");
const QString kGaveUpText = QStringLiteral("长时间无法读取信号强度，自动扫描已放弃，已经恢复自动驱动模式。");
// Ticks a survey waits for readings (about a minute) before it gives up and
// lets the other drives have the antenna back.
constexpr int kMaxPausedTicks = 6;

} // namespace

AutoScan::AutoScan(Parts parts, EventLine eventLine)
    : m_parts(parts), m_eventLine(std::move(eventLine))
{
}

bool AutoScan::running() const
{
    return m_parts.state.surveyRunning();
}

QString AutoScan::now() const
{
    return dateTimeText(m_parts.clock.now());
}

// A box without a number is no reading at all: taken as 0 dBm it would beat
// every real signal and leave the antenna where nothing was measured.
std::optional<double> AutoScan::signalReading() const
{
    const QString &text = m_parts.display.Text1.text();
    if (!isNumericText(text))
        return std::nullopt;
    return numberOfText(text);
}

void AutoScan::autoscan()
{
    OptimisationState &s = m_parts.state;
    s.scanOffset = kFirst;
    s.bestOffset = 0;
    const std::optional<double> reading = signalReading();
    s.bestSignal = reading ? toInt16(*reading).value_or(s.bestSignal) : kNoSignal;
    m_pausedTicks = 0;
    m_record.arm();
}

void AutoScan::Timer_AutoScan_Timer()
{
    const std::int16_t o = m_parts.state.scanOffset;
    if (o > kFinalTick)
        return;
    QString event;
    if (!m_parts.controller.isConnected()) {
        // Nothing can be stepped or undone without the board; when it is
        // back, the station returns it to automatic drive.
        end(kBoardGoneText, event);
    } else if (!radioReachable(m_parts.radioSocket, m_parts.radio)) {
        pauseStep(event);
    } else {
        m_pausedTicks = 0;
        if (o == kFirst)
            firstStep(event);
        if (o > kFirst && o <= kLastCommanded)
            readingStep(o - 1, true, event);
        if (o == kFinalTick) {
            lastStep(event);
        } else {
            drive(o);
            m_parts.state.scanOffset = static_cast<std::int16_t>(o + 1);
        }
    }
    if (!event.isEmpty())
        m_parts.log.append(event);
}

// The offset stays, so the survey resumes with this step once readings come
// again; it says so once, and gives up after a bound.
void AutoScan::pauseStep(QString &event)
{
    if (++m_pausedTicks > kMaxPausedTicks) {
        drive(0);
        end(kGaveUpText, event);
        return;
    }
    if (m_pausedTicks > 1)
        return;
    m_parts.display.Label_NOTE.setText(kLinkDownText);
    event = m_eventLine(kLinkDownText);
    m_record.pause();
}

void AutoScan::end(const QString &why, QString &event)
{
    m_parts.state.scanOffset = kIdle;
    m_pausedTicks = 0;
    m_parts.display.Label_NOTE.setText(why);
    event = m_eventLine(why);
    m_record.cancel();
}

void AutoScan::drive(int offset)
{
    m_parts.controller.send(ManualDrive::offsetCommand(offset) + kCrLf);
}

void AutoScan::firstStep(QString &event)
{
    OptimisationState &s = m_parts.state;
    const std::optional<double> reading = signalReading();
    s.bestOffset = 0;
    s.bestSignal = reading ? toInt16(*reading).value_or(s.bestSignal) : kNoSignal;
    const QString shown = now() + QStringLiteral(" 默认驱动角度信号强度值：") + m_parts.display.Text1.text();
    m_parts.display.Text2.append(shown + kCrLf);
    m_parts.display.Label_NOTE.setText(shown);
    event = m_eventLine(shown);
    m_record.recordDefault(reading, s.bestSignal);
}

// The signal now shown belongs to the offset commanded a tick ago. Only a
// strictly stronger one replaces the best, so a tie keeps the earlier offset.
void AutoScan::readingStep(int offset, bool announce, QString &event)
{
    OptimisationState &s = m_parts.state;
    const std::optional<double> reading = signalReading();
    if (reading && *reading > s.bestSignal) {
        if (const auto whole = toInt16(*reading)) {
            s.bestOffset = static_cast<std::int16_t>(offset);
            s.bestSignal = *whole;
        }
    }
    if (announce) {
        const QString shown = now() + QStringLiteral(" 当前扫描角度") + QString::number(offset)
                              + QStringLiteral("信号强度值：") + m_parts.display.Text1.text();
        m_parts.display.Text2.append(shown + kCrLf);
        m_parts.display.Label_NOTE.setText(shown);
        event = m_eventLine(shown);
    }
    m_record.recordOffset(offset, reading, s.bestOffset, s.bestSignal);
}

void AutoScan::lastStep(QString &event)
{
    OptimisationState &s = m_parts.state;
    readingStep(kLastCommanded, false, event);
    const QString result = QStringLiteral(" 当前扫描角度扫描完毕，最佳扫描角度值为默认驱动方向偏转")
                           + QString::number(s.bestOffset) + QStringLiteral("度，信号强度值：")
                           + QString::number(s.bestSignal);
    m_parts.display.Text2.append(now() + result + kCrLf);
    m_parts.display.Text2.append(now() + QLatin1Char(' ') + kDoneText + kCrLf);
    drive(s.bestOffset);
    // Idle before the box: a tick that comes while the box waits must not
    // finish the survey a second time.
    s.scanOffset = kIdle;
    m_record.finish();
    m_parts.dialogs.tell(QString(), kDoneText, Dialogs::Icon::Information);
    event = m_eventLine(result);
}

void AutoScan::stop()
{
    if (!running())
        return;
    m_parts.state.scanOffset = kIdle;
    m_record.cancel();
}

bool AutoScan::cancel()
{
    if (!running())
        return false;
    m_parts.state.scanOffset = kIdle;
    m_parts.display.Label_NOTE.setText(kCancelText);
    m_record.cancel();
    m_parts.dialogs.tell(QString(), kCancelText, Dialogs::Icon::Information);
    m_parts.log.append(m_eventLine(kCancelText));
    return true;
}

} // namespace korvane
