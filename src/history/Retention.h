#pragma once

#include <QSqlDatabase>

namespace korvane::history {

struct RetentionLimits {
    int rawHours = 72; // per-second samples
    int days = 365;    // minute rows and events
};

// Reads HISTORY_RAW_HOURS and HISTORY_DAYS texts; empty, non-numeric or
// below 1 keeps the default.
RetentionLimits retentionFromTexts(const QString &rawHours, const QString &days);

// One small step of retention, in its own transaction: folds at most an hour
// of samples past the raw limit into minute rows, and removes at most a few
// thousand minute rows and events past the day limit. True when more is
// left for the next step; false also when the step failed.
bool retentionStep(QSqlDatabase &db, qint64 nowMs, const RetentionLimits &limits, bool *failed = nullptr);

} // namespace korvane::history
