#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace korvane {

std::unique_ptr<SettingsStore> SettingsStore::forUser(const QString &applicationName)
{
    QSettings probe(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvane"), applicationName);
    return std::make_unique<SettingsStore>(probe.fileName());
}

SettingsStore::SettingsStore(const QString &filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
}

SettingsStore::~SettingsStore() = default;

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
    m_settings->setValue(key, value);
    m_settings->sync();
    QFile::setPermissions(m_settings->fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString SettingsStore::filePath() const
{
    return m_settings->fileName();
}

} // namespace korvane
