#pragma once

#include "history/Sample.h"

#include <QList>
#include <QSqlDatabase>

namespace korvane::history {

// Inserts rows inside the caller's transaction; false with the error on the
// first one that fails.
bool writeSamples(QSqlDatabase &db, const QList<Sample> &samples, QString &error);
bool writeEvents(QSqlDatabase &db, const QList<EventRow> &events, QString &error);

} // namespace korvane::history
