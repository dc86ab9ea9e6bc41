#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <stdexcept>

namespace korvane::test {

// The path of a recorded sample under the repository's test data.
inline QString testDataPath(const QString &relativePath)
{
    return QStringLiteral(KORVANE_TESTDATA_DIR "/") + relativePath;
}

// The bytes of a recorded sample. A sample that cannot be read ends the
// test at once with the file's name (GoogleTest reports the exception), so
// no test goes on to wait for data that will never come.
inline QByteArray testDataBytes(const QString &relativePath)
{
    QFile file(testDataPath(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("missing test data file " + file.fileName().toStdString() + ": "
                                 + file.errorString().toStdString());
    return file.readAll();
}

} // namespace korvane::test
