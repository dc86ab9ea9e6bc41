#pragma once

#include "RadioTexts.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QTcpSocket;

namespace korvane::sim {

// One station's session with the simulated radio: the telnet login of the
// text families (user, password, shell) or the JSON console's dialogue
// (auth, key, keyed commands). Lines end at CR, LF or CR LF; telnet commands
// the station sends (its answers to the radio's offers) are taken out first.
class RadioConnection : public QObject {
    Q_OBJECT
public:
    struct Radio {
        RadioFamily family;
        const RadioIdentity &identity;
        QString user;
        const QString &password; // may change while sessions run
        // The next status reply (each call reads the link once more).
        std::function<QString()> status;
        // Issues a fresh key / checks one (JSON console).
        std::function<QString()> newKey;
        std::function<bool(const QString &key)> keyValid;
    };

    struct Counts {
        qint64 logins = 0;
        qint64 failedLogins = 0;
        qint64 commands = 0;
        qint64 statusReplies = 0;
        qint64 keyErrors = 0;
        qint64 loginNames = 0; // names given at the login prompt
    };

    // A command longer than this is noise; it is cut so nothing grows.
    static constexpr qsizetype kMaxLine = 4096;

    RadioConnection(QTcpSocket *socket, const Radio &radio, Counts &counts, QObject *parent);

    // Greets the station: telnet offers (when `negotiate`) and the login
    // prompt; the JSON console waits for a line end instead.
    void start(bool negotiate);

    QTcpSocket *socket() const { return m_socket; }
    // Logged in (text families) or holding a valid key (JSON console).
    bool loggedIn() const;
    // Writes a reply the way the radio does, prompt included; in two writes
    // a little apart when splitting is on.
    void reply(const QString &text);
    // Sends a status reply now, as if the station had asked for one.
    void pushStatus();
    void setSplit(bool split) { m_split = split; }
    // A silent radio listens and never says anything.
    void setSilent(bool silent) { m_silent = silent; }
    // Echo as a shell behind telnetd does: every line typed at the login
    // prompt or the shell comes back before its answer (the password not).
    // The shell's line editor wraps its echo at the window's width (80
    // columns until the station tells another, RFC 1073), draws the line
    // afresh when the width changes, and asks where the cursor is after
    // each prompt.
    void setEcho(bool echo) { m_echo = echo; }

signals:
    void bytesIn(const QByteArray &bytes);
    void bytesOut(qint64 count);

private:
    enum class Stage { Login, Password, Shell, Console };

    void received();
    void feed(const QByteArray &bytes);
    void line(const QString &text);
    void shellLine(const QString &text);
    void consoleLine(const QString &text);
    void consoleKeyed(const QString &text);
    void write(const QByteArray &bytes);
    void rebootSoon();
    void subnegotiation();
    QString prompt() const;
    void echoLine(const QString &text);

    QTcpSocket *m_socket;
    Radio m_radio;
    Counts &m_counts;
    Stage m_stage;
    QString m_user;
    QString m_key;
    QByteArray m_line;
    bool m_afterCr = false;
    enum class Telnet { None, Command, Option, Sub, SubIac };
    Telnet m_telnet = Telnet::None;
    bool m_split = false;
    bool m_silent = false;
    bool m_echo = false;
    QByteArray m_sub;
    int m_columns = 80;
};

} // namespace korvane::sim
