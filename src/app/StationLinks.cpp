// What the crew sees when a link fails: the figures' ages, one event line
// per loss and per return, and each lamp's state in words.
#include "app/Station.h"

#include "model/RadioReachable.h"
#include "platform/Clock.h"
#include "text/Formats.h"

#include <algorithm>

namespace korvane {

namespace {

constexpr int kCheckMs = 500;
// The signal is gone when it stays below the floor (or under the noise) this
// long while the radio answers: a mispointed antenna, not a dead radio.
constexpr int kSignalLostMs = 10000;
constexpr int kSignalFloorDbm = -110;
// A report period with no attempt in it is "no report", not a good one.
constexpr double kCloudPeriodsUnreported = 1.5;
constexpr int kCloudPeriodMs = 59990;

} // namespace

void Station::setupLinkWatch()
{
    const double scale = m_env.timeScale > 0 ? m_env.timeScale : 1.0;
    display.setTimeScale(scale);
    for (Feed *feed : display.feeds())
        feed->setClock(m_env.clock);
    feedCheck.setInterval(std::max(1, static_cast<int>(kCheckMs * scale)));
    connect(&feedCheck, &QTimer::timeout, this, &Station::checkFeeds);

    // The cloud logs and shows each failed report itself (with the server's
    // words), so only its return is a line of ours, and a taken report
    // leaves the notice alone. The ship service shows its failures: its loss
    // goes to the log and the terminal. The AIS port has its own lines.
    for (LinkOutage *link : {&links.board, &links.radio, &links.signal})
        connect(link, &LinkOutage::event, this, [this](const QString &message) { linkEvent(message, true); });
    connect(&links.cloud, &LinkOutage::event, this, [this](const QString &message) {
        if (!links.cloud.down())
            linkEvent(message, false);
    });
    connect(&links.shipService, &LinkOutage::event, this,
            [this](const QString &message) { linkEvent(message, !links.shipService.down()); });
    connect(&links.board, &LinkOutage::statusChanged, &display.Label6, &Control::setStatus);
    connect(&links.radio, &LinkOutage::statusChanged, &display.radioLamp, &Control::setStatus);
    connect(&links.ais, &LinkOutage::statusChanged, &display.aisPorts, &Control::setStatus);
    connect(&links.shipService, &LinkOutage::statusChanged, &display.Label12, &Control::setStatus);

    // The totals for the metrics: each loss of a link, each socket that
    // connects again after an earlier connection.
    for (const LinkHealth::Named &named : links.named()) {
        counters.linkLosses[named.id] = 0;
        connect(named.link, &LinkOutage::statusChanged, this, [this, named] {
            if (named.link->down())
                ++counters.linkLosses[named.id];
        });
    }
    for (const auto &[socket, id] : {std::pair{&Winsock2, "board"}, std::pair{&Winsock1, "radio"}}) {
        const QString name = QString::fromLatin1(id);
        counters.reconnects[name] = 0;
        connect(socket, &TcpLink::connected, this, [this, name, before = false]() mutable {
            if (before)
                ++counters.reconnects[name];
            before = true;
        });
    }

    // The radio: its console socket ending, a rejected login or three polls
    // without an answer make its figures stale; the next reading is its return.
    connect(&Winsock1, &TcpLink::ended, this, [this](const QString &reason) {
        if (radio.RadioFamily == RadioFamilyCpe)
            return;
        if (reason.isEmpty())
            display.radioFeed.closed();
        else
            display.radioFeed.lost(reason);
    });
    connect(&display.radioFeed, &Feed::turnedStale, this, [this](const QString &reason, bool bySilence) {
        radio.figuresStale = true;
        // The next counters are a base: a difference across the gap is no rate.
        radioStats.forgetCounterBase();
        radio.cpePrevRxBytes = 0;
        radio.cpePrevTxBytes = 0;
        if (reason.isEmpty())
            links.radio.forget();
        else if (!display.Text3.text().trimmed().isEmpty())
            links.radio.lost(reason, m_env.clock->now(), bySilence ? display.radioFeed.silentMs() : 0);
    });
    connect(&Winsock1, &TcpLink::connected, this, [this] {
        m_radioConnected.start();
        m_radioBytes.start();
    });
    connect(&Winsock1, &TcpLink::dataArrival, this, [this] { m_radioBytes.start(); });
    connect(&display.radioFeed, &Feed::refreshed, this, [this] {
        radio.figuresStale = false;
        links.radio.back(m_env.clock->now());
    });

    // The board: only its socket says it is gone (the probe closes a link
    // that no longer answers); a quiet stream only ages its figures.
    connect(&Winsock2, &TcpLink::ended, this, [this](const QString &reason) {
        if (reason.isEmpty()) {
            display.boardFeed.closed();
            links.board.forget();
            return;
        }
        display.boardFeed.lost(reason);
        links.board.lost(reason, m_env.clock->now());
    });
    connect(&Winsock2, &TcpLink::connected, this, [this] { links.board.back(m_env.clock->now()); });

    // The ship service: a failed lookup is a loss; lookups that stop because
    // the drive was switched off are not.
    connect(&display.shipFeed, &Feed::turnedStale, this, [this](const QString &reason, bool bySilence) {
        if (!bySilence)
            links.shipService.lost(reason, m_env.clock->now());
    });
    connect(&display.shipFeed, &Feed::refreshed, this, [this] { links.shipService.back(m_env.clock->now()); });
}

// A socket closed after a failure is still a failure: its lamp stays red
// until the link is back, where black would say "nothing configured".
void Station::showLostLinksRed()
{
    if (links.board.down() && display.Label6.colour() == colours::Black)
        display.Label6.setColour(colours::Red);
    if (links.radio.down() && display.radioLamp.colour() == colours::Black)
        display.radioLamp.setColour(colours::Red);
}

void Station::linkEvent(const QString &message, bool notice)
{
    // The notice stays until the link is back or another notice replaces it.
    if (notice)
        display.Label_NOTE.setText(message);
    const QString line = eventLine(message);
    display.Text2.append(line);
    log.append(line);
}

void Station::checkFeeds()
{
    for (Feed *feed : display.feeds())
        feed->check();
    dropSilentRadio();
    checkSignal();
    showCloudStatus();
}

// A console that stays connected but sends nothing at all (a hung telnetd,
// a session whose login prompt never came) is dropped, so that the link
// supervision dials a fresh one: waiting on it would wait for ever. A
// console that talks, even nonsense, is the session's to judge.
void Station::dropSilentRadio()
{
    if (radio.RadioFamily == RadioFamilyCpe || Winsock1.State() != TcpLink::Connected
        || display.Check1.value() != 1)
        return;
    const Feed &feed = display.radioFeed;
    if (!m_radioConnected.isValid() || m_radioConnected.elapsed() < feed.staleAfter()
        || feed.silentMs() < feed.staleAfter() || m_radioBytes.elapsed() < feed.staleAfter())
        return;
    Winsock1.Close(QStringLiteral("连续三次轮询无应答"));
}

void Station::checkSignal()
{
    if (!radioReachable(Winsock1, radio) || !radioStats.figuresRead) {
        m_signalBadSince.invalidate();
        return;
    }
    const int signal = radioStats.signalDbm;
    const int noise = radioStats.noiseDbm;
    const bool underNoise = noise < 0 && noise > -120 && signal - noise < 0;
    if (signal >= kSignalFloorDbm && !underNoise) {
        m_signalBadSince.invalidate();
        links.signal.back(m_env.clock->now());
        return;
    }
    if (!m_signalBadSince.isValid())
        m_signalBadSince.start();
    const double scale = m_env.timeScale > 0 ? m_env.timeScale : 1.0;
    if (m_signalBadSince.elapsed() < std::max<qint64>(Display::kMinStaleMs, static_cast<qint64>(kSignalLostMs * scale)))
        return;
    links.signal.lost(underNoise && signal >= kSignalFloorDbm ? QStringLiteral("信号低于噪声")
                                                               : QStringLiteral("信号低于-110 dBm"),
                      m_env.clock->now(), m_signalBadSince.elapsed());
}

void Station::showCloudStatus()
{
    if (!cloud.reporting) {
        display.Cloud.setStatus(QStringLiteral("云平台：未上报（上报已关闭）"));
        return;
    }
    QString text = links.cloud.status();
    if (cloudUnreported())
        text = QStringLiteral("云平台：未上报");
    if (cloud.lastAcceptedAt.isValid()) {
        const qint64 age = cloud.lastAcceptedAt.secsTo(m_env.clock->now());
        text += QStringLiteral("，上次成功上报 ") + timeText(cloud.lastAcceptedAt) + QStringLiteral("（")
                + LinkOutage::lengthText(std::max<qint64>(0, age) * 1000) + QStringLiteral("前）");
    }
    display.Cloud.setStatus(text);
}

bool Station::cloudUnreported() const
{
    const double scale = m_env.timeScale > 0 ? m_env.timeScale : 1.0;
    const auto period = static_cast<qint64>(kCloudPeriodMs * kCloudPeriodsUnreported * scale);
    return !cloud.reporting || !cloud.lastAttempt.isValid() || cloud.lastAttempt.elapsed() > period;
}

} // namespace korvane
