#pragma once

#include <QString>

namespace korvane {

class SettingsStore;

// Where reports go. The server's name and its fallback address are
// settings; a station that has neither stored uses the defaults here. The
// defaults are placeholders under reserved names (RFC 2606 ".example",
// RFC 5737 TEST-NET-1), so a station nobody configured never reports to a
// stranger's host. Either setting, and CLOUD_HOST, may carry ":port";
// without one the port is 80.
namespace cloudserver {

inline const QString CLOUD_SERVER_NAME = QStringLiteral("CLOUD_SERVER_NAME");
inline const QString CLOUD_SERVER_IP = QStringLiteral("CLOUD_SERVER_IP");

inline const QString kDefaultName = QStringLiteral("cloud.korvane.example");
inline const QString kDefaultAddress = QStringLiteral("192.0.2.1");
inline constexpr int kDefaultPort = 80;

} // namespace cloudserver

// The three addresses a report may use, as stored (defaults filled in).
struct CloudServerSettings {
    QString name;       // CLOUD_SERVER_NAME: name mode, and every Host header
    QString address;    // CLOUD_SERVER_IP: IP mode while CLOUD_HOST is empty
    QString storedHost; // CLOUD_HOST: IP mode

    static CloudServerSettings read(const SettingsStore &settings);
};

// The socket's target and the request's Host header for one report.
struct CloudEndpoint {
    QString target; // the host text chosen, ":port" included when given
    QString host;   // RemoteHost
    int port = cloudserver::kDefaultPort;
    QString hostHeader;
};

// By name, or by address once a name lookup has failed (IP mode).
CloudEndpoint chooseCloudEndpoint(bool ipMode, const CloudServerSettings &settings);

} // namespace korvane
