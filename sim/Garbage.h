#pragma once

#include <QByteArray>

namespace korvane::sim {

// `size` bytes of hostile input for a station's parsers: random bytes, NUL
// runs, invalid UTF-8, Chinese characters cut in half, stray line ends and
// status markers broken off mid-way.
QByteArray garbageBytes(qint64 size);

} // namespace korvane::sim
