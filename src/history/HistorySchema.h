#pragma once

#include <QString>
#include <QStringList>

namespace korvane::history {

// The history file's layout. The writer (store, sampler, retention) and the
// readers (charts, export) meet only here and in the file itself.
//
// Times are milliseconds since the Unix epoch, UTC, from the wall clock; the
// rowid keeps the order in which rows were written when the clock steps back.
// An unknown figure is NULL, never 0.

// 1: minute rows made only when seconds were folded after the raw
// retention. 2: a minute row for every minute, written as it closes (and
// rewritten while it fills); events carry their text in words.
inline constexpr int kSchemaVersion = 2;

// The real-valued figures of a sample, in column order. The per-second table
// `samples` has one column of each name; the per-minute table `minutes` has
// <name>_min, <name>_mean and <name>_max.
inline const QStringList kFigureColumns = {
    QStringLiteral("signal_dbm"),        QStringLiteral("noise_dbm"),
    QStringLiteral("chain_delta_db"),    QStringLiteral("cap_down_mbps"),
    QStringLiteral("cap_up_mbps"),       QStringLiteral("rx_mbps"),
    QStringLiteral("tx_mbps"),           QStringLiteral("ping_ms"),
    QStringLiteral("ping_mean_ms"),      QStringLiteral("antenna_angle_deg"),
    QStringLiteral("drive_offset_deg"),  QStringLiteral("heading_deg"),
    QStringLiteral("speed_kmh"),         QStringLiteral("own_lat"),
    QStringLiteral("own_lon"),           QStringLiteral("target_lat"),
    QStringLiteral("target_lon"),        QStringLiteral("distance_km"),
};

// The state columns of a sample: 1 up, 0 down, NULL unknown. board_link is the
// board's socket connected; radio_link the radio console logged in or the 5G
// CPE answering; cloud_ok the last cloud report accepted (NULL while
// reporting is off or before the first report). radio_family is the family
// code (0 unknown … 5 5G CPE). alarm is the alarm line's text.
inline const QStringList kStateColumns = {
    QStringLiteral("board_link"), QStringLiteral("radio_link"), QStringLiteral("cloud_ok"),
};

// In `minutes`, each state column holds the share (0…1) of the minute's
// samples that were up, NULL when none of them was known; `n` is the number
// of samples folded into the row. A minute row is made from the seconds of
// its minute as the minute closes, and is never replaced by a fold of fewer
// seconds (after the seconds are gone, a late second cannot shrink it).
//
// An event's `text` is the daily log's line as written; `words` what the
// history window shows for it (NULL: derived from the text).
inline const char *const kCreateSchema[] = {
    "CREATE TABLE IF NOT EXISTS samples ("
    " t INTEGER NOT NULL,"
    " signal_dbm REAL, noise_dbm REAL, chain_delta_db REAL,"
    " cap_down_mbps REAL, cap_up_mbps REAL, rx_mbps REAL, tx_mbps REAL,"
    " ping_ms REAL, ping_mean_ms REAL,"
    " antenna_angle_deg REAL, drive_offset_deg REAL, heading_deg REAL, speed_kmh REAL,"
    " own_lat REAL, own_lon REAL, target_lat REAL, target_lon REAL, distance_km REAL,"
    " board_link INTEGER, radio_link INTEGER, radio_family INTEGER, cloud_ok INTEGER,"
    " alarm TEXT)",
    "CREATE INDEX IF NOT EXISTS samples_t ON samples(t)",
    "CREATE TABLE IF NOT EXISTS minutes ("
    " t INTEGER NOT NULL PRIMARY KEY, n INTEGER NOT NULL,"
    " signal_dbm_min REAL, signal_dbm_mean REAL, signal_dbm_max REAL,"
    " noise_dbm_min REAL, noise_dbm_mean REAL, noise_dbm_max REAL,"
    " chain_delta_db_min REAL, chain_delta_db_mean REAL, chain_delta_db_max REAL,"
    " cap_down_mbps_min REAL, cap_down_mbps_mean REAL, cap_down_mbps_max REAL,"
    " cap_up_mbps_min REAL, cap_up_mbps_mean REAL, cap_up_mbps_max REAL,"
    " rx_mbps_min REAL, rx_mbps_mean REAL, rx_mbps_max REAL,"
    " tx_mbps_min REAL, tx_mbps_mean REAL, tx_mbps_max REAL,"
    " ping_ms_min REAL, ping_ms_mean REAL, ping_ms_max REAL,"
    " ping_mean_ms_min REAL, ping_mean_ms_mean REAL, ping_mean_ms_max REAL,"
    " antenna_angle_deg_min REAL, antenna_angle_deg_mean REAL, antenna_angle_deg_max REAL,"
    " drive_offset_deg_min REAL, drive_offset_deg_mean REAL, drive_offset_deg_max REAL,"
    " heading_deg_min REAL, heading_deg_mean REAL, heading_deg_max REAL,"
    " speed_kmh_min REAL, speed_kmh_mean REAL, speed_kmh_max REAL,"
    " own_lat_min REAL, own_lat_mean REAL, own_lat_max REAL,"
    " own_lon_min REAL, own_lon_mean REAL, own_lon_max REAL,"
    " target_lat_min REAL, target_lat_mean REAL, target_lat_max REAL,"
    " target_lon_min REAL, target_lon_mean REAL, target_lon_max REAL,"
    " distance_km_min REAL, distance_km_mean REAL, distance_km_max REAL,"
    " board_link REAL, radio_link REAL, cloud_ok REAL)",
    "CREATE TABLE IF NOT EXISTS events ("
    " t INTEGER NOT NULL, kind TEXT NOT NULL, text TEXT NOT NULL, words TEXT)",
    "CREATE INDEX IF NOT EXISTS events_t ON events(t)",
};

// Event kinds, as stored in events.kind.
namespace kind {
inline const QString Alarm = QStringLiteral("alarm");
inline const QString Login = QStringLiteral("login");
inline const QString LinkLost = QStringLiteral("link_lost");
inline const QString LinkBack = QStringLiteral("link_back");
inline const QString Drive = QStringLiteral("drive");
inline const QString Sweep = QStringLiteral("sweep");
inline const QString Comparison = QStringLiteral("comparison");
inline const QString Survey = QStringLiteral("survey");
inline const QString Reboot = QStringLiteral("reboot");
inline const QString CloudFailure = QStringLiteral("cloud_failure");
inline const QString Operator = QStringLiteral("operator");
inline const QString Clock = QStringLiteral("clock");
inline const QString Other = QStringLiteral("other");
} // namespace kind

} // namespace korvane::history
