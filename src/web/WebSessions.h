#pragma once

#include "web/WebAccounts.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

namespace korvane::web {

struct Session {
    QByteArray token; // the cookie: 128 random bits, hex
    QByteArray csrf;  // what every POST must carry in X-CSRF-Token
    QString user;
    Role role = Role::Viewer;
    qint64 seenMs = 0;
};

// Who is logged in, and who has failed too often. Times are a monotonic
// clock's milliseconds; tests hand in their own.
class WebSessions {
public:
    static constexpr int kFailuresBeforeWait = 5;
    static constexpr qint64 kWaitMs = 60000;
    static constexpr qint64 kFailureMemoryMs = 10 * 60000;

    using Now = std::function<qint64()>;
    explicit WebSessions(qint64 idleMs, Now now = {});

    const Session &open(const QString &user, Role role);
    // The live session of this cookie (its idle time starts again), or null
    // when none or idle too long (it is then ended).
    const Session *touch(const QByteArray &token);
    // Whether the session lives, without counting this as its activity
    // (a live view open on a wall screen is no one at the keyboard).
    bool alive(const QByteArray &token) const;
    void close(const QByteArray &token);
    // Every session of a user (the account was removed or changed).
    void closeUser(const QString &user);
    int count() const { return static_cast<int>(m_sessions.size()); }

    // Seconds this address must still wait before it may try again; 0 when
    // it may.
    qint64 waitSeconds(const QString &address) const;
    // A failed login; true when it starts the address's wait.
    bool failed(const QString &address);
    void succeeded(const QString &address);

    // HTTP Basic sends the password with every request: a header that was
    // verified recently is known again without deriving the key each time.
    // Only a keyed hash of it is held.
    std::optional<Session> knownBasic(const QByteArray &authorization);
    void rememberBasic(const QByteArray &authorization, const QString &user, Role role);

private:
    struct Failures {
        int count = 0;
        qint64 lastMs = 0;
        qint64 blockedUntilMs = 0;
    };
    qint64 now() const;
    QByteArray basicKey(const QByteArray &authorization) const;
    void prune();

    qint64 m_idleMs;
    Now m_now;
    QElapsedTimer m_clock;
    QHash<QByteArray, Session> m_sessions;
    QHash<QString, Failures> m_failures;
    QHash<QByteArray, Session> m_basic;
    QByteArray m_basicSecret;
};

QByteArray randomHex(int bytes);

} // namespace korvane::web
