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

} // namespace korvane
