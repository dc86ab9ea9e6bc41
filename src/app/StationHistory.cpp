// The history file: what the station records each second, the events it
// logs, and the daily logs' pruning and compression.
#include "app/Station.h"

#include "history/EventKinds.h"
#include "history/EventWords.h"
#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "history/LogCompressor.h"
#include "history/LogPruner.h"
#include "history/Sampler.h"
#include "model/SettingKeys.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "text/Formats.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr int kSampleMs = 1000;
constexpr int kBatchMs = 10000;
// How long a reading stands for "this second": a little more than its
// peer's own period (the board streams each second, the radio is polled
// every two, the radio pinged every five); after that the figure is
// unknown, not the last value seen.
constexpr double kBoardPeriodMs = 1000;
constexpr double kRadioPeriodMs = 2003;
constexpr double kPingPeriodMs = 5003;
constexpr double kSlack = 1.5;

int scaled(int ms, double scale)
{
    return std::max(1, static_cast<int>(ms * (scale > 0 ? scale : 1.0)));
}

std::optional<int> upOrDown(bool up)
{
    return up ? 1 : 0;
}

// "2天3小时", "5分12秒".
QString lengthWords(qint64 ms)
{
    qint64 s = std::llabs(ms) / 1000;
    const qint64 days = s / 86400;
    const qint64 hours = s / 3600 % 24;
    const qint64 minutes = s / 60 % 60;
    s %= 60;
    if (days > 0)
        return QStringLiteral("%1天%2小时").arg(days).arg(hours);
    if (hours > 0)
        return QStringLiteral("%1小时%2分").arg(hours).arg(minutes);
    return QStringLiteral("%1分%2秒").arg(minutes).arg(s);
}

} // namespace

void Station::startHistory()
{
    logPruner = std::make_unique<history::LogPruner>(
        *m_env.clock, m_env.logFolder, m_env.programName,
        history::LogPruner::keepDaysFromText(m_settings.read(keys::LOG_KEEP_DAYS)));
    logCompressor = std::make_unique<history::LogCompressor>(*m_env.clock, m_env.logFolder, m_env.programName);
    logPruner->pruneIfDue();
    logCompressor->start();
    m_lastLogDay = m_env.clock->now().date();
    connect(&historyBatch, &QTimer::timeout, this, [this] {
        // Once a day (at the first batch after midnight) old logs go and
        // yesterday's is compressed.
        const QDate today = m_env.clock->now().date();
        if (today != m_lastLogDay) {
            m_lastLogDay = today;
            logPruner->pruneIfDue();
            logCompressor->start();
        }
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
    connect(historySampler.get(), &history::Sampler::clockJumped, this, &Station::clockJumped);
    historySampler->start(scaled(kSampleMs, m_env.timeScale));
}

void Station::historyNotice(const QString &text)
{
    display.Label_NOTE.setText(text);
    log.append(eventLine(text));
}

// One event line a jump; the rows keep the time the clock gave them.
void Station::clockJumped(qint64 byMs, const QDateTime &from, const QDateTime &to)
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    log.append(eventLine(QStringLiteral("系统时间跳变：%1%2（由 %3 变为 %4），历史记录不因此删除")
                             .arg(byMs > 0 ? QStringLiteral("向前") : QStringLiteral("向后"), lengthWords(byMs),
                                  from.toString(format), to.toString(format))));
}

void Station::recordLogLine(const QString &line)
{
    const auto kind = history::eventKindOf(line, m_operatorAction);
    if (!kind)
        return;
    history::EventRow row{m_env.clock->now().toMSecsSinceEpoch(), *kind, line.trimmed(), {}};
    // A manual drive in words: where on the ring it drove to, from the
    // antenna's angle the offset was reckoned from.
    if (*kind == history::kind::Drive && line.contains(QStringLiteral("手动驱动："))) {
        if (const auto offset = history::driveOffset(line))
            row.words = QStringLiteral("手动驱动：")
                        + history::sideOfBow(*offset + controllerStatus.AngleH - controllerStatus.AngleOffset);
    }
    historyStore->addEvent(row);
}

void Station::historyAutoDrive()
{
    if (!historyStore || !controllerLink.isConnected())
        return;
    historyStore->addEvent({m_env.clock->now().toMSecsSinceEpoch(), history::kind::Drive,
                            QStringLiteral("恢复自动驱动模式 [P0H0V0]"), QStringLiteral("恢复自动驱动")});
}

history::Sample Station::historySample() const
{
    using history::Figure;
    history::Sample s;
    const double scale = m_env.timeScale > 0 ? m_env.timeScale : 1.0;
    const auto fresh = [scale](const Feed &feed, double periodMs) {
        return feed.everRead() && !feed.stale() && double(feed.silentMs()) <= periodMs * kSlack * scale;
    };
    const bool boardUp = controllerLink.isConnected();
    s.boardLink = upOrDown(boardUp);
    s.radioLink = upOrDown(radio.loggedIn);
    s.radioFamily = radio.RadioFamily;
    if (!cloudUnreported() && cloud.lastAccepted)
        s.cloudOk = upOrDown(*cloud.lastAccepted);
    s.alarm = display.Lbl_ALARM.text().trimmed();
    // Figures count from their first reading: a starting value is no
    // reading, and a reading older than its peer's period is no reading of
    // this second.
    const bool radioFresh = radio.loggedIn && fresh(display.radioFeed, kRadioPeriodMs);
    if (radioFresh && radioStats.figuresRead && !radioStats.signalRejected) {
        s.set(Figure::Signal, radioStats.signalDbm);
        if (radioStats.noiseDbm != 0)
            s.set(Figure::Noise, radioStats.noiseDbm);
        s.set(Figure::ChainDelta, radioStats.chainDeltaDb);
    }
    if (radioFresh && radioStats.figuresRead) {
        s.set(Figure::CapacityDown, radioStats.capacityDownMbps);
        s.set(Figure::CapacityUp, radioStats.capacityUpMbps);
    }
    if (radioFresh && radioStats.throughputRead) {
        s.set(Figure::Rx, radioStats.rxMbps);
        s.set(Figure::Tx, radioStats.txMbps);
    }
    if (radio.loggedIn && radio.pingCount > 0 && fresh(display.pingFeed, kPingPeriodMs)) {
        const auto last = static_cast<std::size_t>(std::min<int>(radio.pingCount, int(radio.pingWindow.size())) - 1);
        s.set(Figure::Ping, radio.pingWindow[last]);
        s.set(Figure::PingMean, static_cast<double>(radio.pingSum) / radio.pingCount);
    }
    if (!boardUp || !fresh(display.boardFeed, kBoardPeriodMs))
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
    // A position outside the earth is no position: both halves unknown.
    const auto position = [&s](Figure lat, Figure lon, double latitude, double longitude) {
        if ((latitude == 0 && longitude == 0) || !history::inRange(lat, latitude) || !history::inRange(lon, longitude))
            return;
        s.set(lat, latitude);
        s.set(lon, longitude);
    };
    position(Figure::OwnLatitude, Figure::OwnLongitude, st.OwnLatitude, st.OwnLongitude);
    position(Figure::TargetLatitude, Figure::TargetLongitude, st.ShipTarget.latitude, st.ShipTarget.longitude);
    if (st.DistanceKm > 0)
        s.set(Figure::Distance, st.DistanceKm);
    return s;
}

void Station::historyLine(int minutes, std::function<void(const QString &)> done)
{
    if (!historyStore || historyStore->stopped()) {
        done(QStringLiteral("history off"));
        return;
    }
    historyStore->flush();
    historyStore->summarise(m_env.clock->now().toMSecsSinceEpoch(), minutes, std::move(done));
}

} // namespace korvane
