#pragma once

#include <QString>
#include <QUrl>

namespace korvane {

// Where the ship-position service is: a base address such as
// "http://127.0.0.1:8086" or "https://ships.example.org/api", stored under
// SHIP_SERVICE_URL and set with the console command SHIP_SERVICE=. The
// station appends the fixed path of the lookup.
namespace keys {
inline const QString SHIP_SERVICE_URL = QStringLiteral("SHIP_SERVICE_URL");
}

// Without a configured address the station asks its own machine, where
// `korvane-sim ship-service` listens by default: no vessel's MMSI goes to
// an outside party until the operator names one, and a missing service
// shows as the request's error notice.
inline constexpr const char *kDefaultShipService = "http://127.0.0.1:8086";
inline constexpr const char *kShipLookupPath = "/openapi/getship";

// The base address in force for a stored text: the default for an empty
// text, "http://" added when no scheme is given. Empty when the text is not
// an http or https address with a host.
QUrl shipServiceBase(const QString &stored);

// The lookup's address under a base.
QUrl shipLookupUrl(const QUrl &base);

} // namespace korvane
