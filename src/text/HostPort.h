#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace korvane {

// The text's number as a port: nearest, an exact half to the even
// neighbour; nullopt outside 0 to 65535.
std::optional<std::int32_t> ToUnsignedInt(const QString &text);

// Splits "host:port" at the first ":" when the text after it, blanks
// trimmed, is a number that fits a port. `host` and `port` are written only
// when the result is true (an empty host is allowed).
bool SplitAndValidateHostPort(const QString &input, QString &host, std::int32_t &port);

// A radio address written as a web address, "http://host" or
// "http://host:port": the operator names a 5G CPE's web interface, and
// there is no telnet console at that address to dial.
bool isWebAddress(const QString &address);

// Whether the radio's telnet session may dial this host: not blank, and
// not a web address.
bool isDialableRadioHost(const QString &host);

} // namespace korvane
