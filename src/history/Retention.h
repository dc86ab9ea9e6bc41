#pragma once

#include <QSqlDatabase>
#include <QSqlError>

#include <optional>

namespace korvane::history {

struct RetentionLimits {
    int rawHours = 72; // per-second samples
    int days = 365;    // minute rows and events
};

// Reads HISTORY_RAW_HOURS and HISTORY_DAYS texts; empty, non-numeric or
// below 1 keeps the default.
RetentionLimits retentionFromTexts(const QString &rawHours, const QString &days);

// One small step of retention, in its own transaction: removes at most a
// few thousand per-second rows older than the raw limit before `reference`
// (their minutes were folded as they closed), and as many minute rows and
// events older than the day limit. `reference` is what the data says the
// present is (the store's newest row, held back from a jump of the clock),
// never the wall clock alone. True when more is left for the next step;
// false also when the step failed.
bool retentionStep(QSqlDatabase &db, qint64 reference, const RetentionLimits &limits, bool *failed = nullptr,
                   QSqlError *error = nullptr);

// The time of the newest row: of the per-second rows, else of the minutes.
std::optional<qint64> newestRowTime(const QSqlDatabase &db);

} // namespace korvane::history
