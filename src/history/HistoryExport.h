#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>

namespace korvane::history {

// CSV (RFC 4180: CRLF line ends, quotes only where needed), UTF-8, a header
// row of column names, times in local time "yyyy-MM-dd HH:mm:ss", unknown
// values as empty cells. Rows are sorted by time (the file's order breaks
// ties), both ends inclusive; an invalid QDateTime leaves that end open.
// The file is opened read-only, so a station may be writing it meanwhile.
// False with a readable reason when the file is missing, unreadable or not
// a history file, or the device refuses the text.
//
// Samples: where the file still holds per-second rows they are written;
// before the oldest of them (past the raw retention), one row a minute from
// the minute table, with each figure's mean and the link columns as the
// share (0…1) of the minute that was up. The last column, sample_count,
// says how many seconds a row stands for.
bool writeSamplesCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                     QString *error);

// Events: time,kind,text.
bool writeEventsCsv(const QString &historyFile, const QDateTime &since, const QDateTime &until, QIODevice &out,
                    QString *error);

// The header row of the samples export, without its line end.
QString samplesCsvHeader();

} // namespace korvane::history
