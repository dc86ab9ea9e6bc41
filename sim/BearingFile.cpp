#include "BearingFile.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace korvane::sim {

namespace {

constexpr qint64 kMostBytes = 64;

QString text(double degrees)
{
    return QString::number(degrees, 'f', 2);
}

} // namespace

bool BearingFileWriter::open(const QString &path, double degrees, QString *error)
{
    m_path = path;
    if (replace(text(degrees)))
        return true;
    *error = QStringLiteral("cannot write %1").arg(path);
    m_path.clear();
    return false;
}

void BearingFileWriter::write(double degrees)
{
    const QString shown = text(degrees);
    if (isOpen() && shown != m_last)
        replace(shown);
}

bool BearingFileWriter::replace(const QString &shown)
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write((shown + u'\n').toLatin1()) < 0 || !file.commit())
        return false;
    m_last = shown;
    return true;
}

std::optional<double> readBearingFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const double degrees = QString::fromLatin1(file.read(kMostBytes)).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(degrees))
        return std::nullopt;
    return degrees;
}

} // namespace korvane::sim
