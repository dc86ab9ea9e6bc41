#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace korvane::history {

// Per-second rows folded into minute rows: each figure's least, mean and
// greatest value, each link's up share, the number of seconds. A minute row
// already holding as many seconds or more is left alone, so a fold after the
// seconds have gone (or a few late seconds of a clock set back) can never
// shrink one. All within the caller's transaction.

// Folds the whole minutes in [from, until) that hold seconds.
bool foldMinutes(QSqlDatabase &db, qint64 from, qint64 until, QSqlError *error = nullptr);

// Folds every minute holding one of the rows whose rowid lies in
// [first, last]: the rows one batch wrote, or a stretch of an older file.
// A stretch whose times lie far apart (the clock jumped) is folded minute
// by minute.
bool foldRowids(QSqlDatabase &db, qint64 first, qint64 last, QSqlError *error = nullptr);

} // namespace korvane::history
