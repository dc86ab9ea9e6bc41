#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane::history {

// The kind of one daily-log line, or nothing when the line is a data record
// (a board status chunk, a radio reply, raw AIS or 5G data, a link header):
// those figures are in the samples, and keeping each chunk as an event would
// grow the file by tens of megabytes a day. `operatorAction` is true while
// the line comes from something the operator did.
std::optional<QString> eventKindOf(const QString &line, bool operatorAction = false);

// A kind in words, as the event lists show it ("断链").
QString eventKindLabel(const QString &kind);
// Losses, alarms, reboots and refused reports: drawn above the routine marks.
bool isSevereKind(const QString &kind);
// Every kind, in the order the filters list them.
const QStringList &eventKindsInOrder();

} // namespace korvane::history
