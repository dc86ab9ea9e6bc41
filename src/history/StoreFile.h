#pragma once

#include <QDateTime>
#include <QString>

namespace korvane::history {

// The history file on disk: its folder and modes, and the move aside of a
// damaged one. The store and only the store writes through these.

// Makes the missing folders of `folder`, each mode 0700 from its first
// moment (the history is the ship's track and the operator's doings).
bool makeOwnerOnlyFolder(const QString &folder, QString *error);

// Makes the file mode 0600 when it is missing, and sets 0600 on it and on
// its -wal and -shm where they exist, before SQLite opens it: SQLite gives a
// new -wal and -shm the mode of the file itself.
bool prepareOwnerOnlyFile(const QString &path, QString *error);

// Renames the file, with its -wal and -shm, to PATH.broken-yyyyMMdd-HHmmss
// (with -2, -3 … when that name is taken). The new name; empty and the
// reason when the file itself could not be moved.
QString renameAside(const QString &path, const QDateTime &when, QString *error);

} // namespace korvane::history
