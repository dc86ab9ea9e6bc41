#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace korvane::history {

// What the file holds for a span of time, as the headless console reports it.
struct HistorySummary {
    int minutes = 0;
    qint64 samples = 0;
    std::optional<double> signalMin;
    std::optional<double> signalMedian;
    std::optional<double> signalMax;
    // Shares in percent of the samples whose state was known.
    std::optional<double> boardUp;
    std::optional<double> radioUp;
    std::optional<double> cloudOk;
    qint64 events = 0;

    // history minutes=M samples=N signal_min=… signal_median=… signal_max=…
    // board_up=…% radio_up=…% cloud_ok=…% events=K; an unknown value is "-".
    QString line() const;
};

// The per-second samples and the events of the last `minutes` before `nowMs`.
HistorySummary summarise(const QSqlDatabase &db, qint64 nowMs, int minutes);

} // namespace korvane::history
