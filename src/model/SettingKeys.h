#pragma once

#include <QString>

namespace korvane::keys {

inline const QString DEVICE_WIRESS_IP = QStringLiteral("DEVICE_WIRESS_IP");
inline const QString DEVICE_WIRESS_USER = QStringLiteral("DEVICE_WIRESS_USER");
inline const QString DEVICE_WIRESS_PASSWORD = QStringLiteral("DEVICE_WIRESS_PASSWORD");
inline const QString DEVICE_WIRESS_PORT = QStringLiteral("DEVICE_WIRESS_PORT");
inline const QString DEVICE_KORVANE_IP = QStringLiteral("DEVICE_KORVANE_IP");
inline const QString DEVICE_KORVANE_PORT = QStringLiteral("DEVICE_KORVANE_PORT");
inline const QString KORVANE_AUTOLINK = QStringLiteral("KORVANE_AUTOLINK");
inline const QString KORVANE_CLOUD = QStringLiteral("KORVANE_CLOUD");
inline const QString ERROR_COMPSAME_REBOOT = QStringLiteral("ERROR_COMPSAME_REBOOT");
inline const QString PING_100MS_REBOOT = QStringLiteral("PING_100MS_REBOOT");
inline const QString USE_SHIP_AIS = QStringLiteral("USE_SHIP_AIS");
inline const QString USE_SHIP_AIS_DRIVE = QStringLiteral("USE_SHIP_AIS_DRIVE");
inline const QString USE_SHIP_AIS_FIXHDG = QStringLiteral("USE_SHIP_AIS_FIXHDG");
inline const QString USE_SHIP_AIS_ANG = QStringLiteral("USE_SHIP_AIS_ANG");
inline const QString USE_SHIP_AIS_SCAN_COMP = QStringLiteral("USE_SHIP_AIS_SCAN_COMP");
inline const QString USE_SHIP_AIS_SCAN_COMP_TIME = QStringLiteral("USE_SHIP_AIS_SCAN_COMP_TIME");
inline const QString USE_SHIP_AIS_SCAN_COMP_ANG = QStringLiteral("USE_SHIP_AIS_SCAN_COMP_ANG");
inline const QString USE_SHIP_AIS_SCAN_PITCH = QStringLiteral("USE_SHIP_AIS_SCAN_PITCH");
inline const QString USE_SHIP_AIS_SCAN_AUTO = QStringLiteral("USE_SHIP_AIS_SCAN_AUTO");
inline const QString USE_SHIP_AIS_SCAN_AUTO_TIME = QStringLiteral("USE_SHIP_AIS_SCAN_AUTO_TIME");
inline const QString USE_SHIP_AIS_COM = QStringLiteral("USE_SHIP_AIS_COM");
inline const QString USE_SHIP_MMSI = QStringLiteral("USE_SHIP_MMSI");
inline const QString SCAN_STEP = QStringLiteral("SCAN_STEP");
inline const QString CLOUD_HOST = QStringLiteral("CLOUD_HOST");
inline const QString CLOUD_MODE_IP = QStringLiteral("CLOUD_MODE_IP");
inline const QString HISTORY_RAW_HOURS = QStringLiteral("HISTORY_RAW_HOURS");
inline const QString HISTORY_DAYS = QStringLiteral("HISTORY_DAYS");
inline const QString LOG_KEEP_DAYS = QStringLiteral("LOG_KEEP_DAYS");
// "1" while the board may stand at a survey's offset: written when a survey
// starts, so that even a hard stop leaves it for the next start to undo.
inline const QString AUTOSCAN_UNFINISHED = QStringLiteral("AUTOSCAN_UNFINISHED");

} // namespace korvane::keys
