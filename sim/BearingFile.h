#pragma once

#include <QString>

#include <optional>

namespace korvane::sim {

// The antenna's pointing, passed from the board to the radio, two separate
// programs: the board rewrites one small file as the antenna moves, the
// radio reads it before each reading. The file holds one number in degrees
// and is replaced whole, so a reader never sees half of one.
class BearingFileWriter {
public:
    // Writes `degrees` at once; false (with `error`) when the file cannot
    // be written.
    bool open(const QString &path, double degrees, QString *error);
    bool isOpen() const { return !m_path.isEmpty(); }
    // Rewrites the file when the value shown changes.
    void write(double degrees);

private:
    bool replace(const QString &text);

    QString m_path;
    QString m_last;
};

// The number in the file; empty when it is missing or holds none.
std::optional<double> readBearingFile(const QString &path);

} // namespace korvane::sim
