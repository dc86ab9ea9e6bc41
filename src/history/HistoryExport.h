#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>

#include <atomic>
#include <limits>

namespace korvane::history {

// CSV (RFC 4180: CRLF line ends, quotes only where needed), UTF-8, a header
// row of column names, times in local time "yyyy-MM-dd HH:mm:ss" by the
// zone's rules for each row, unknown values as empty cells. Rows are sorted
// by time (the file's order breaks ties), both ends inclusive; the end is a
// whole second, so --until 12:00:00 takes every row stamped within it; an
// invalid QDateTime leaves that end open. The file is opened read-only (as
// immutable, or from a private copy, where its folder cannot be written),
// so a station may be writing it meanwhile. False with a readable reason
// when the file is missing, unreadable or not a history file, or the device
// refuses the text.
//
// Samples: every per-second row the file holds; for each minute whose
// seconds are gone (past the raw retention), its minute row, with each
// figure's mean and the link columns as the share (0…1) of the minute that
// was up. The last column, sample_count, says how many seconds a row
// stands for.
bool writeSamplesCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                     QString *error);

// Events: time,kind,text.
bool writeEventsCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                    QString *error);

// The same over [fromMs, untilMs] in ms since the epoch (both inclusive),
// stopping early (false, "cancelled") once `cancel` is set.
struct ExportRange {
    qint64 fromMs = std::numeric_limits<qint64>::min();
    qint64 untilMs = std::numeric_limits<qint64>::max();
    const std::atomic<bool> *cancel = nullptr;
};
bool writeSamplesCsv(const QString &historyFile, const ExportRange &range, QIODevice &out, QString *error);
bool writeEventsCsv(const QString &historyFile, const ExportRange &range, QIODevice &out, QString *error);

// The header row of the samples export, without its line end.
QString samplesCsvHeader();

} // namespace korvane::history
