#pragma once

#include "history/Sample.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <span>

namespace korvane::history {

// The rowids of the rows one call wrote, first and last.
struct WrittenRows {
    qint64 first = -1;
    qint64 last = -2;
    bool any() const { return last >= first; }
};

// Inserts rows inside the caller's transaction; false with the error on the
// first one that fails.
bool writeSamples(QSqlDatabase &db, std::span<const Sample> samples, QSqlError &error, WrittenRows *written = nullptr);
bool writeEvents(QSqlDatabase &db, std::span<const EventRow> events, QSqlError &error);

} // namespace korvane::history
