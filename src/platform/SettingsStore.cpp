#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace korvane {

namespace {

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerFolder = kOwnerFile | QFileDevice::ExeOwner;

// While it lives, every file and folder this process makes is its owner's
// alone from the moment it exists: the saving writes a temporary file and
// renames it, and a mode fixed afterwards would leave the radio password
// readable in between.
class OwnerOnlyCreation {
public:
#if defined(Q_OS_UNIX)
    OwnerOnlyCreation() : m_previous(::umask(S_IRWXG | S_IRWXO)) {}
    ~OwnerOnlyCreation() { ::umask(m_previous); }

private:
    mode_t m_previous;
#endif
};

// Tightens a file or folder that exists with a wider mode (made by hand,
// or by an earlier version).
void restrict(const QString &path, QFileDevice::Permissions allowed)
{
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::WriteOther
                                            | QFileDevice::ExeOther;
    const QFileInfo info(path);
    if (info.exists() && (info.permissions() & others))
        QFile::setPermissions(path, allowed);
}

} // namespace

std::unique_ptr<SettingsStore> SettingsStore::forUser(const QString &applicationName)
{
    QSettings probe(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvane"), applicationName);
    auto store = std::make_unique<SettingsStore>(probe.fileName());
    // The folder is the station's own: nobody else has anything to see in it.
    restrict(QFileInfo(probe.fileName()).absolutePath(), kOwnerFolder);
    return store;
}

SettingsStore::SettingsStore(const QString &filePath)
{
    const OwnerOnlyCreation ownerOnly;
    // Folders made here are 0700; a folder the caller chose and that exists
    // is left as it is.
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    restrict(filePath, kOwnerFile);
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

SettingsStore::~SettingsStore()
{
    const OwnerOnlyCreation ownerOnly;
    m_settings.reset();
}

QString SettingsStore::read(const QString &key) const
{
    const QVariant v = m_settings->value(key);
    // A hand-edited value with commas reads back as a list; it is one text.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void SettingsStore::write(const QString &key, const QString &value)
{
    const OwnerOnlyCreation ownerOnly;
    m_settings->setValue(key, value);
    m_settings->sync();
#if !defined(Q_OS_UNIX)
    QFile::setPermissions(m_settings->fileName(), kOwnerFile);
#endif
}

void SettingsStore::remove(const QString &key)
{
    const OwnerOnlyCreation ownerOnly;
    m_settings->remove(key);
    m_settings->sync();
}

QStringList SettingsStore::keys() const
{
    return m_settings->allKeys();
}

QString SettingsStore::filePath() const
{
    return m_settings->fileName();
}

} // namespace korvane
