#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace korvane::test {

// The whole file, or nothing when it cannot be read (yet).
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a simulated board recorded, without the two queries ("g", then "T")
// the station sends once on its first ping tick: that tick comes 7 s after
// the start and may fall anywhere in a slow test.
inline QByteArray boardRecordWithoutFirstQueries(const QString &path)
{
    QByteArray bytes = readFile(path);
    bytes.replace("g\r\n", "").replace("T\r\n", "");
    return bytes;
}

} // namespace korvane::test
