#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace korvane {

// Per-user text store: every value is text, a key never written reads as
// empty. Each write reaches the disk before it returns, in a file only the
// user can read (it holds the radio password).
class SettingsStore {
public:
    // The user's store for this program (organisation "Korvane",
    // application = the executable's base name).
    static std::unique_ptr<SettingsStore> forUser(const QString &applicationName);

    explicit SettingsStore(const QString &filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString read(const QString &key) const;
    void write(const QString &key, const QString &value);
    void remove(const QString &key);
    // Every key the file holds (groups joined with '/').
    QStringList keys() const;
    QString filePath() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace korvane
