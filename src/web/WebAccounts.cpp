#include "web/WebAccounts.h"

#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace korvane::web {

namespace {

constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;

QByteArray derive(const QString &password, const QByteArray &salt, int rounds)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, rounds,
                                              kKeyBytes);
}

// Equal in time whatever the contents, so a wrong key tells nothing by how
// long the comparison took.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

QString roleName(Role role)
{
    return role == Role::Operator ? QStringLiteral("operator") : QStringLiteral("viewer");
}

std::optional<Role> roleOfName(const QString &name)
{
    if (name == QLatin1String("operator"))
        return Role::Operator;
    if (name == QLatin1String("viewer"))
        return Role::Viewer;
    return std::nullopt;
}

bool WebAccounts::validName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9._-]{1,32}$"));
    return pattern.match(name).hasMatch();
}

QString WebAccounts::makeRecord(Role role, const QString &password, int rounds)
{
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    const QByteArray key = derive(password, salt, rounds);
    return roleName(role) + QStringLiteral("$pbkdf2-sha256$") + QString::number(rounds) + QLatin1Char('$')
           + QString::fromLatin1(salt.toHex()) + QLatin1Char('$') + QString::fromLatin1(key.toHex());
}

bool WebAccounts::verify(const QString &record, const QString &password)
{
    const QStringList parts = record.split(QLatin1Char('$'));
    if (parts.size() != 5 || parts[1] != QLatin1String("pbkdf2-sha256"))
        return false;
    bool ok = false;
    const int rounds = parts[2].toInt(&ok);
    // A record hand-edited to few rounds is refused, not believed.
    if (!ok || rounds < kRounds)
        return false;
    const QByteArray salt = QByteArray::fromHex(parts[3].toLatin1());
    const QByteArray key = QByteArray::fromHex(parts[4].toLatin1());
    if (salt.size() < kSaltBytes || key.size() != kKeyBytes)
        return false;
    return sameBytes(derive(password, salt, rounds), key);
}

std::optional<Role> WebAccounts::roleOf(const QString &record)
{
    return roleOfName(record.section(QLatin1Char('$'), 0, 0));
}

QStringList WebAccounts::names() const
{
    QStringList out;
    for (const QString &key : m_settings.keys()) {
        if (key.startsWith(kKeyPrefix) && validName(key.mid(kKeyPrefix.size())))
            out.append(key.mid(kKeyPrefix.size()));
    }
    out.sort();
    return out;
}

std::optional<QString> WebAccounts::record(const QString &name) const
{
    if (!validName(name))
        return std::nullopt;
    const QString value = m_settings.read(kKeyPrefix + name);
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

void WebAccounts::store(const QString &name, const QString &record)
{
    m_settings.write(kKeyPrefix + name, record);
}

bool WebAccounts::remove(const QString &name)
{
    if (!record(name))
        return false;
    m_settings.remove(kKeyPrefix + name);
    return true;
}

} // namespace korvane::web
