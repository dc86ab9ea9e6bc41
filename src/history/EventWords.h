#pragma once

#include <QString>

#include <optional>

namespace korvane::history {

// What an engineer reads for an event: the daily log's line without its
// time (the list shows the time once) and without the "主机类型(n)事件："
// head, the comparison's three readings and its decision in words, a manual
// drive as the side and angle it drove to.

// The line without a leading "yyyy-MM-dd hh:mm:ss" or "hh:mm:ss" and
// without the event head.
QString withoutStamp(const QString &text);

// The words to show for an event of `kind` whose log line is `text`, when
// none were stored with it.
QString eventWords(const QString &kind, const QString &text);

// A drive to `angle` degrees from the bow (the ring's dots): "右舷90°",
// "左舷60°", "船首方向", "船尾方向".
QString sideOfBow(double angle);

// The offset n of a manual drive command "[P0H<n>V0]" in a line.
std::optional<double> driveOffset(const QString &text);

} // namespace korvane::history
