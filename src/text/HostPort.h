#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace korvane {

// The text's number as a port: nearest, an exact half to the even
// neighbour; nullopt outside 0 to 65535.
std::optional<std::int32_t> ToUnsignedInt(const QString &text);

// What an address text holds after its first ":".
enum class HostPortForm {
    NoPort,         // no ":", or no number after it: the whole text is a host
    Split,          // host and a port of 1 to 65535
    PortOutOfRange, // a number after ":" that is no usable port (0, 70000)
};

// Splits "host:port" at the first ":". The text after it is trimmed of every
// blank, the full-width space of a Chinese input method included, before it
// is both checked and converted, so the port read is the port typed.
// `host` and `port` are written only for Split (an empty host is allowed).
HostPortForm splitHostPort(const QString &input, QString &host, std::int32_t &port);

// True when splitHostPort() gives Split.
bool SplitAndValidateHostPort(const QString &input, QString &host, std::int32_t &port);

// A radio address written as a web address, "http://host" or
// "http://host:port": the operator names a 5G CPE's web interface, and
// there is no telnet console at that address to dial.
bool isWebAddress(const QString &address);

// Whether the radio's telnet session may dial this host: not blank, and
// not a web address.
bool isDialableRadioHost(const QString &host);

} // namespace korvane
