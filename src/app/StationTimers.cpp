// The seven timers and what each tick does, in order.
#include "app/Station.h"

#include "text/Numbers.h"

#include <algorithm>

namespace korvane {

namespace {

struct TimerSpec {
    QTimer Station::*timer;
    int intervalMs;
    void (Station::*tick)();
};

constexpr TimerSpec kTimers[] = {
    {&Station::Timer1, 1000, &Station::Timer1_Timer},
    {&Station::blink, 1000, &Station::blink_Timer},
    {&Station::Timer2, 2003, &Station::Timer2_Timer},
    {&Station::GET_SIGN, 5003, &Station::GET_SIGN_Timer},
    {&Station::Timer_Ping, 7030, &Station::Timer_Ping_Timer},
    {&Station::Timer_AutoScan, 10021, &Station::Timer_AutoScan_Timer},
    {&Station::Timer_Cloud, 59990, &Station::Timer_Cloud_Timer},
};

} // namespace

void Station::setupTimers()
{
    for (const TimerSpec &spec : kTimers) {
        QTimer &timer = this->*(spec.timer);
        const double scale = m_env.timeScale > 0 ? m_env.timeScale : 1.0;
        timer.setInterval(std::max(1, static_cast<int>(spec.intervalMs * scale)));
        timer.setTimerType(Qt::CoarseTimer);
        connect(&timer, &QTimer::timeout, this, spec.tick);
    }
}

void Station::Timer1_Timer()
{
    linkSupervisor.supervise();
    showLostLinksRed();
    // The signal optimisation acts on the link states just supervised.
    signalComparison.Timer1_Timer();
}

void Station::blink_Timer()
{
    manualDrive.blink_Timer();
}

void Station::Timer2_Timer()
{
    radioPoller.Timer2_Timer();
}

void Station::GET_SIGN_Timer()
{
    pingWatchdog.GET_SIGN_Timer();
}

void Station::Timer_Ping_Timer()
{
    if (m_pingTickRunning)
        return;
    m_pingTickRunning = true;
    launch(pingTick(), "ping tick");
}

// The supervision's probes take about two seconds, a lookup up to its
// time-outs; the slider moves at once.
Task<> Station::pingTick()
{
    if (const auto rounded = toInt32(controllerStatus.AngleH)) {
        manualDrive.setSlider(*rounded % 360);
    }
    co_await controllerLink.supervise();
    if (!waits.ended())
        co_await webShip.tick();
    m_pingTickRunning = false;
}

void Station::Timer_AutoScan_Timer()
{
    autoScan.Timer_AutoScan_Timer();
}

void Station::Timer_Cloud_Timer()
{
    cloudReporter.Timer_Cloud_Timer();
}

} // namespace korvane
