// The history file: what the station records each second, the events it
// logs, and the daily logs' pruning.
#include "app/Station.h"

#include "history/EventKinds.h"
#include "history/HistoryStore.h"
#include "history/HistorySummary.h"
#include "history/LogPruner.h"
#include "history/Sampler.h"
#include "model/SettingKeys.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"

#include <algorithm>

namespace korvane {

namespace {

constexpr int kSampleMs = 1000;
constexpr int kBatchMs = 10000;

int scaled(int ms, double scale)
{
    return std::max(1, static_cast<int>(ms * (scale > 0 ? scale : 1.0)));
}

std::optional<int> upOrDown(bool up)
{
    return up ? 1 : 0;
}

} // namespace

void Station::startHistory()
{
    logPruner = std::make_unique<history::LogPruner>(
        *m_env.clock, m_env.logFolder, m_env.programName,
        history::LogPruner::keepDaysFromText(m_settings.read(keys::LOG_KEEP_DAYS)));
    logPruner->pruneIfDue();
    connect(&historyBatch, &QTimer::timeout, this, [this] {
        logPruner->pruneIfDue();
        if (historyStore)
            historyStore->flush();
    });
    historyBatch.setInterval(scaled(kBatchMs, m_env.timeScale));
    historyBatch.start();
    if (m_env.historyFile.isEmpty())
        return;
    historyStore = std::make_unique<history::HistoryStore>(*m_env.clock, m_env.historyFile);
    historyStore->setRetention(history::retentionFromTexts(m_settings.read(keys::HISTORY_RAW_HOURS),
                                                           m_settings.read(keys::HISTORY_DAYS)));
    connect(historyStore.get(), &history::HistoryStore::notice, this, &Station::historyNotice);
    historyStore->open();
    log.setLineListener([this](const QString &line) { recordLogLine(line); });
    historySampler = std::make_unique<history::Sampler>(*m_env.clock, *historyStore,
                                                        [this] { return historySample(); });
    historySampler->start(scaled(kSampleMs, m_env.timeScale));
}

void Station::historyNotice(const QString &text)
{
    display.Label_NOTE.setText(text);
    log.append(eventLine(text));
}

void Station::recordLogLine(const QString &line)
{
    if (const auto kind = history::eventKindOf(line, m_operatorAction))
        historyStore->addEvent({m_env.clock->now().toMSecsSinceEpoch(), *kind, line.trimmed()});
}

history::Sample Station::historySample() const
{
    using history::Figure;
    history::Sample s;
    const bool boardUp = controllerLink.isConnected();
    s.boardLink = upOrDown(boardUp);
    s.radioLink = upOrDown(radio.loggedIn);
    s.radioFamily = radio.RadioFamily;
    if (!cloudUnreported() && cloud.lastAccepted)
        s.cloudOk = upOrDown(*cloud.lastAccepted);
    s.alarm = display.Lbl_ALARM.text().trimmed();
    // Figures count from their first reading: a starting value is no reading.
    // A stale figure is the last reading, not this second's: unknown.
    const bool radioFresh = radio.loggedIn && !display.radioFeed.stale();
    if (radioFresh && radioStats.figuresRead) {
        s.set(Figure::Signal, radioStats.signalDbm);
        if (radioStats.noiseDbm != 0)
            s.set(Figure::Noise, radioStats.noiseDbm);
        s.set(Figure::ChainDelta, radioStats.chainDeltaDb);
        s.set(Figure::CapacityDown, radioStats.capacityDownMbps);
        s.set(Figure::CapacityUp, radioStats.capacityUpMbps);
    }
    if (radioFresh && radioStats.throughputRead) {
        s.set(Figure::Rx, radioStats.rxMbps);
        s.set(Figure::Tx, radioStats.txMbps);
    }
    if (radio.pingCount > 0 && !display.pingFeed.stale()) {
        const auto last = static_cast<std::size_t>(std::min<int>(radio.pingCount, int(radio.pingWindow.size())) - 1);
        s.set(Figure::Ping, radio.pingWindow[last]);
        s.set(Figure::PingMean, static_cast<double>(radio.pingSum) / radio.pingCount);
    }
    if (!boardUp || display.boardFeed.stale())
        return s;
    const ControllerStatus &st = controllerStatus;
    if (st.angleRead) {
        s.set(Figure::AntennaAngle, st.AngleH);
        s.set(Figure::DriveOffset, st.AngleOffset);
    }
    if (st.headingRead) {
        s.set(Figure::Heading, st.Heading);
        s.set(Figure::Speed, st.Speed);
    }
    if (st.OwnLatitude != 0 || st.OwnLongitude != 0) {
        s.set(Figure::OwnLatitude, st.OwnLatitude);
        s.set(Figure::OwnLongitude, st.OwnLongitude);
    }
    if (st.ShipTarget.latitude != 0 || st.ShipTarget.longitude != 0) {
        s.set(Figure::TargetLatitude, st.ShipTarget.latitude);
        s.set(Figure::TargetLongitude, st.ShipTarget.longitude);
    }
    if (st.DistanceKm > 0)
        s.set(Figure::Distance, st.DistanceKm);
    return s;
}

QString Station::historyLine(int minutes)
{
    if (!historyStore)
        return QStringLiteral("history off");
    historyStore->flush();
    return history::summarise(historyStore->database(), m_env.clock->now().toMSecsSinceEpoch(), minutes).line();
}

} // namespace korvane
