#pragma once

#include <QByteArray>

namespace korvane {
class Station;
}

namespace korvane::web {

// The Content-Type of metricsText's answer.
inline constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// GET /metrics: the station in Prometheus' text exposition format 0.0.4,
// every name prefixed korvane_, values in base units. A figure that is not
// known has no sample at all: Prometheus has no null, and a NaN would turn
// every sum and comparison over it into NaN, where a missing series simply
// reads as "no data".
QByteArray metricsText(const Station &station);

// A label value as the format writes it: backslash, quote and line feed
// escaped.
QByteArray escapeLabelValue(const QString &value);

} // namespace korvane::web
