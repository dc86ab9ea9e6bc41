#pragma once

#include <QDateTime>
#include <QString>

class QIODevice;

namespace korvane::history {

// The samples of [since, until) from the history file as CSV, oldest first;
// false with `error` set when the file cannot be read.
bool writeSamplesCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                     QString *error);

} // namespace korvane::history
