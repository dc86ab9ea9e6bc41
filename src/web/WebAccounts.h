#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {
class SettingsStore;
}

namespace korvane::web {

enum class Role { Viewer, Operator };
QString roleName(Role role);
std::optional<Role> roleOfName(const QString &name);

// The web view's accounts, kept in the settings file (0600) as one key per
// name: "WEB_USER_<name>" = "<role>$pbkdf2-sha256$<rounds>$<salt hex>$<key hex>".
// No password is stored, only a salted key derived from it.
class WebAccounts {
public:
    static constexpr int kRounds = 200000;
    static inline const QString kKeyPrefix = QStringLiteral("WEB_USER_");

    explicit WebAccounts(SettingsStore &settings) : m_settings(settings) {}

    // Letters, digits, '.', '_' and '-', 1 to 32 of them.
    static bool validName(const QString &name);
    // A new record for this password (random salt). Takes a few hundred
    // milliseconds by design: never on the event loop with clients waiting.
    static QString makeRecord(Role role, const QString &password, int rounds = kRounds);
    // Whether the password fits the record; as slow as makeRecord.
    static bool verify(const QString &record, const QString &password);
    static std::optional<Role> roleOf(const QString &record);

    QStringList names() const;
    std::optional<QString> record(const QString &name) const;
    void store(const QString &name, const QString &record);
    bool remove(const QString &name);
    bool any() const { return !names().isEmpty(); }

private:
    SettingsStore &m_settings;
};

} // namespace korvane::web
