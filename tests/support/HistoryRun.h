#pragma once

#include "history/HistorySchema.h"
#include "support/HistoryFill.h"

#include <QRandomGenerator>

#include <cmath>

namespace korvane::test {

// A generated run of the link, one sample a second from `start`: the signal
// near −60 dBm with a little noise, the ship swinging slowly, throughput
// under its capacity; then, at the offsets given (seconds, <0: none), a
// five-minute radio link drop, a sweep of the antenna after it and three
// minutes in which the cloud refuses the reports.
struct HistoryRun {
    qint64 start = 0;
    int seconds = 3600;
    int dropAt = -1;
    int dropLength = 300;
    int sweepAt = -1;
    int cloudFailureAt = -1;
    int cloudFailureLength = 180;
    quint32 seed = 7;

    static constexpr int kSweepSteps = 13;  // −30° … +30° by 5°
    static constexpr int kSweepStepSeconds = 8;

    bool dropped(int i) const { return dropAt >= 0 && i >= dropAt && i < dropAt + dropLength; }
    bool sweeping(int i) const { return sweepAt >= 0 && i >= sweepAt && i < sweepAt + kSweepSteps * kSweepStepSeconds; }
    bool cloudFailing(int i) const
    {
        return cloudFailureAt >= 0 && i >= cloudFailureAt && i < cloudFailureAt + cloudFailureLength;
    }
    int sweepOffset(int i) const { return -30 + 5 * ((i - sweepAt) / kSweepStepSeconds); }

    HistoryFill::Row sample(int i, QRandomGenerator &random) const
    {
        const auto jitter = [&](double amount) { return (random.generateDouble() - 0.5) * 2 * amount; };
        const double heading = std::fmod(270 + 12 * std::sin(i / 900.0) + 360, 360);
        const double offset = sweeping(i) ? sweepOffset(i) : 0;
        HistoryFill::Row row{
            {QStringLiteral("noise_dbm"), -95 + jitter(1)},
            {QStringLiteral("heading_deg"), heading},
            // The antenna holds a bearing of 92° against the ship's swing.
            {QStringLiteral("antenna_angle_deg"), std::fmod(92 - heading + offset + 720, 360)},
            {QStringLiteral("drive_offset_deg"), offset},
            {QStringLiteral("speed_kmh"), 22 + jitter(0.5)},
            {QStringLiteral("own_lat"), 30.5 + i * 1e-6},
            {QStringLiteral("own_lon"), 122.1 + i * 1e-6},
            {QStringLiteral("target_lat"), 30.62},
            {QStringLiteral("target_lon"), 122.25},
            {QStringLiteral("distance_km"), 19.6 - i * 1e-4},
            {QStringLiteral("board_link"), 1},
            {QStringLiteral("radio_family"), 1},
            {QStringLiteral("radio_link"), dropped(i) ? 0 : 1},
            {QStringLiteral("cloud_ok"), cloudFailing(i) ? 0 : 1},
        };
        if (dropped(i)) {
            // The radio's last readings before it stops answering.
            if (i - dropAt < 4)
                row.insert(QStringLiteral("signal_dbm"), -120.0);
            return row;
        }
        const double off = std::abs(offset);
        row.insert(QStringLiteral("signal_dbm"), -60 + jitter(1.5) - off * 0.6);
        row.insert(QStringLiteral("chain_delta_db"), 2 + jitter(1));
        row.insert(QStringLiteral("cap_down_mbps"), 150 - off);
        row.insert(QStringLiteral("cap_up_mbps"), 60 - off / 2);
        row.insert(QStringLiteral("rx_mbps"), 40 + 25 * std::sin(i / 300.0) + jitter(10));
        row.insert(QStringLiteral("tx_mbps"), 8 + jitter(4));
        row.insert(QStringLiteral("ping_ms"), 28 + jitter(6) + (i % 97 == 0 ? 60 : 0));
        row.insert(QStringLiteral("ping_mean_ms"), 30.0);
        return row;
    }

    qint64 at(int i) const { return start + qint64(i) * 1000; }

    void fill(HistoryFill &file) const
    {
        QRandomGenerator random(seed);
        file.begin();
        for (int i = 0; i < seconds; ++i)
            file.sample(at(i), sample(i, random));
        if (dropAt >= 0) {
            file.event(at(dropAt), history::kind::LinkLost, QStringLiteral("微波链路断开"));
            file.event(at(dropAt + dropLength), history::kind::LinkBack, QStringLiteral("微波链路恢复"));
        }
        if (sweepAt >= 0) {
            for (int s = 0; s < kSweepSteps; ++s)
                file.event(at(sweepAt + s * kSweepStepSeconds), history::kind::Sweep,
                           QStringLiteral("扫描 偏移%1°").arg(-30 + 5 * s));
            file.event(at(sweepAt + kSweepSteps * kSweepStepSeconds), history::kind::Comparison,
                       QStringLiteral("扫描完成，最佳偏移0°"));
        }
        if (cloudFailureAt >= 0)
            file.event(at(cloudFailureAt), history::kind::CloudFailure, QStringLiteral("云端上报失败：连接超时"));
        file.commit();
    }
};

// One minute row per minute from `start`, as the fold of a run like the above.
inline void fillMinutes(HistoryFill &file, qint64 start, int minutes, quint32 seed = 11)
{
    QRandomGenerator random(seed);
    file.begin();
    for (int m = 0; m < minutes; ++m) {
        HistoryFill::Row row{{QStringLiteral("n"), 60}};
        const double heading = std::fmod(270 + 12 * std::sin(m / 15.0) + 360, 360);
        const auto figure = [&](const QString &name, double mean, double spread) {
            const double centre = mean + (random.generateDouble() - 0.5) * spread;
            row.insert(name + QStringLiteral("_min"), centre - spread);
            row.insert(name + QStringLiteral("_mean"), centre);
            row.insert(name + QStringLiteral("_max"), centre + spread);
        };
        figure(QStringLiteral("signal_dbm"), -60, 2);
        figure(QStringLiteral("noise_dbm"), -95, 1);
        figure(QStringLiteral("cap_down_mbps"), 150, 1);
        figure(QStringLiteral("cap_up_mbps"), 60, 1);
        figure(QStringLiteral("rx_mbps"), 40, 20);
        figure(QStringLiteral("tx_mbps"), 8, 4);
        figure(QStringLiteral("ping_ms"), 30, 8);
        figure(QStringLiteral("heading_deg"), heading, 0.5);
        figure(QStringLiteral("antenna_angle_deg"), std::fmod(92 - heading + 720, 360), 0.5);
        row.insert(QStringLiteral("board_link"), 1.0);
        row.insert(QStringLiteral("radio_link"), m % 1440 == 200 ? 0.5 : 1.0);
        row.insert(QStringLiteral("cloud_ok"), 1.0);
        file.minute(start + qint64(m) * 60'000, row);
    }
    file.commit();
}

} // namespace korvane::test
