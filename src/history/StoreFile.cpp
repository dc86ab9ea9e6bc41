#include "history/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace korvane::history {

namespace {

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

const char *const kSideFiles[] = {"-wal", "-shm"};

} // namespace

bool makeOwnerOnlyFolder(const QString &folder, QString *error)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList missing;
    QString at = absolute;
    while (!QFileInfo::exists(at)) {
        missing.prepend(at);
        const QString parent = QFileInfo(at).absolutePath();
        if (parent == at)
            break;
        at = parent;
    }
    for (const QString &path : missing) {
        if (!QDir().mkdir(path, kOwnerFolder)) {
            if (error)
                *error = QStringLiteral("cannot make folder ") + path;
            return false;
        }
    }
    if (!QFileInfo(absolute).isDir()) {
        if (error)
            *error = QStringLiteral("cannot make folder ") + absolute;
        return false;
    }
    return true;
}

bool prepareOwnerOnlyFile(const QString &path, QString *error)
{
    if (!makeOwnerOnlyFolder(QFileInfo(path).absolutePath(), error))
        return false;
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerFile)) {
            if (error)
                *error = file.errorString();
            return false;
        }
    }
    QFile::setPermissions(path, kOwnerFile);
    for (const char *suffix : kSideFiles) {
        const QString side = path + QLatin1String(suffix);
        if (QFileInfo::exists(side))
            QFile::setPermissions(side, kOwnerFile);
    }
    return true;
}

QString renameAside(const QString &path, const QDateTime &when, QString *error)
{
    const QString base = path + QStringLiteral(".broken-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++n)
        aside = base + QStringLiteral("-%1").arg(n);
    QFile file(path);
    if (!file.rename(aside)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    // A journal left beside the old file belongs to it, not to the new one.
    for (const char *suffix : kSideFiles) {
        const QString side = path + QLatin1String(suffix);
        if (QFileInfo::exists(side) && !QFile::rename(side, aside + QLatin1String(suffix)))
            QFile::remove(side);
    }
    return aside;
}

} // namespace korvane::history
