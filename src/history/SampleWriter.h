#pragma once

#include "history/Sample.h"

#include <QSqlDatabase>

#include <span>

namespace korvane::history {

// Inserts rows inside the caller's transaction; false with the error on the
// first one that fails.
bool writeSamples(QSqlDatabase &db, std::span<const Sample> samples, QString &error);
bool writeEvents(QSqlDatabase &db, std::span<const EventRow> events, QString &error);

} // namespace korvane::history
