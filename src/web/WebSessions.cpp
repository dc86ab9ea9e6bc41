#include "web/WebSessions.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

namespace korvane::web {

namespace {
// A verified Basic header is believed again for this long; a changed or
// removed account is asked for again within it at the latest.
constexpr qint64 kBasicMemoryMs = 5 * 60000;
constexpr qsizetype kMaxTracked = 10000;
} // namespace

QByteArray randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(raw.begin(), raw.end());
    return raw.toHex();
}

WebSessions::WebSessions(qint64 idleMs, Now now) : m_idleMs(idleMs), m_now(std::move(now)), m_basicSecret(randomHex(32))
{
    m_clock.start();
}

qint64 WebSessions::now() const
{
    return m_now ? m_now() : m_clock.elapsed();
}

const Session &WebSessions::open(const QString &user, Role role)
{
    prune();
    Session s;
    s.token = randomHex(16);
    s.csrf = randomHex(16);
    s.user = user;
    s.role = role;
    s.seenMs = now();
    return *m_sessions.insert(s.token, s);
}

const Session *WebSessions::touch(const QByteArray &token)
{
    const auto it = m_sessions.find(token);
    if (it == m_sessions.end())
        return nullptr;
    if (now() - it->seenMs > m_idleMs) {
        m_sessions.erase(it);
        return nullptr;
    }
    it->seenMs = now();
    return &*it;
}

bool WebSessions::alive(const QByteArray &token) const
{
    const auto it = m_sessions.constFind(token);
    return it != m_sessions.cend() && now() - it->seenMs <= m_idleMs;
}

void WebSessions::close(const QByteArray &token)
{
    m_sessions.remove(token);
}

void WebSessions::closeUser(const QString &user)
{
    m_sessions.removeIf([&user](const auto &it) { return it.value().user == user; });
    m_basic.removeIf([&user](const auto &it) { return it.value().user == user; });
}

qint64 WebSessions::waitSeconds(const QString &address) const
{
    const auto it = m_failures.constFind(address);
    if (it == m_failures.cend() || it->blockedUntilMs <= now())
        return 0;
    return (it->blockedUntilMs - now() + 999) / 1000;
}

bool WebSessions::failed(const QString &address)
{
    prune();
    Failures &f = m_failures[address];
    if (now() - f.lastMs > kFailureMemoryMs)
        f.count = 0;
    f.lastMs = now();
    if (++f.count < kFailuresBeforeWait)
        return false;
    f.count = 0;
    f.blockedUntilMs = now() + kWaitMs;
    return true;
}

void WebSessions::succeeded(const QString &address)
{
    m_failures.remove(address);
}

QByteArray WebSessions::basicKey(const QByteArray &authorization) const
{
    return QMessageAuthenticationCode::hash(authorization, m_basicSecret, QCryptographicHash::Sha256);
}

std::optional<Session> WebSessions::knownBasic(const QByteArray &authorization)
{
    const auto it = m_basic.find(basicKey(authorization));
    if (it == m_basic.end())
        return std::nullopt;
    if (now() - it->seenMs > kBasicMemoryMs) {
        m_basic.erase(it);
        return std::nullopt;
    }
    return *it;
}

void WebSessions::rememberBasic(const QByteArray &authorization, const QString &user, Role role)
{
    prune();
    Session s;
    s.user = user;
    s.role = role;
    s.seenMs = now();
    m_basic.insert(basicKey(authorization), s);
}

void WebSessions::prune()
{
    const qint64 t = now();
    if (m_sessions.size() > kMaxTracked)
        m_sessions.removeIf([this, t](const auto &it) { return t - it.value().seenMs > m_idleMs; });
    if (m_failures.size() > kMaxTracked)
        m_failures.removeIf([t](const auto &it) {
            return t - it.value().lastMs > kFailureMemoryMs && it.value().blockedUntilMs <= t;
        });
    if (m_basic.size() > kMaxTracked)
        m_basic.removeIf([t](const auto &it) { return t - it.value().seenMs > kBasicMemoryMs; });
}

} // namespace korvane::web
