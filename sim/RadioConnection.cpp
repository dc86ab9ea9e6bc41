#include "RadioConnection.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

namespace korvane::sim {

namespace {

constexpr unsigned char kIac = 255;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;
constexpr unsigned char kWill = 251;
constexpr unsigned char kWindowSize = 31;
// Where a line editor's echo reaches the window's edge: the newline it
// writes comes out of the terminal as CR CR LF.
const QByteArray kWrap("\r\r\n");
// Clear to the end of the screen / where is the cursor.
const QString kClearBelow = QStringLiteral("\x1b[J");
const QString kAskCursor = QStringLiteral("\x1b[6n");
constexpr int kRebootCloseMs = 300;
constexpr int kSplitGapMs = 60;

// busybox telnetd's opening: DO ECHO, DO NAWS, WILL ECHO, WILL SGA.
const QByteArray kNegotiation("\xff\xfd\x01\xff\xfd\x1f\xff\xfb\x01\xff\xfb\x03", 12);

} // namespace

RadioConnection::RadioConnection(QTcpSocket *socket, const Radio &radio, Counts &counts, QObject *parent)
    : QObject(parent), m_socket(socket), m_radio(radio), m_counts(counts),
      m_stage(radio.family == RadioFamily::Json ? Stage::Console : Stage::Login)
{
    connect(socket, &QTcpSocket::readyRead, this, &RadioConnection::received);
}

void RadioConnection::start(bool negotiate)
{
    if (m_stage == Stage::Console)
        return; // the console speaks once it hears a line end
    if (negotiate)
        write(kNegotiation);
    reply(radiotexts::loginPrompt(m_radio.family, m_radio.identity));
}

bool RadioConnection::loggedIn() const
{
    if (m_stage == Stage::Console)
        return !m_key.isEmpty() && m_radio.keyValid(m_key);
    return m_stage == Stage::Shell;
}

void RadioConnection::write(const QByteArray &bytes)
{
    if (m_silent || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(bytes);
    emit bytesOut(bytes.size());
}

void RadioConnection::reply(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (!m_split || bytes.size() < 2) {
        write(bytes);
        return;
    }
    // Cut in the middle, so a marker pair may well be cut too.
    const qsizetype half = bytes.size() / 2;
    write(bytes.left(half));
    QTimer::singleShot(kSplitGapMs, this, [this, rest = bytes.mid(half)] { write(rest); });
}

void RadioConnection::pushStatus()
{
    if (!loggedIn())
        return;
    ++m_counts.statusReplies;
    reply(m_radio.status() + prompt());
}

void RadioConnection::received()
{
    const QByteArray bytes = m_socket->readAll();
    emit bytesIn(bytes);
    feed(bytes);
}

void RadioConnection::feed(const QByteArray &bytes)
{
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (m_telnet) {
        case Telnet::Command:
            m_telnet = Telnet::None;
            if (c == kSb) {
                m_telnet = Telnet::Sub;
                m_sub.clear();
            }
            else if (c >= kWill && c < kIac)
                m_telnet = Telnet::Option;
            else if (c == kIac)
                m_line += ch; // an escaped 255
            continue;
        case Telnet::Option:
            m_telnet = Telnet::None;
            continue;
        case Telnet::Sub:
            if (c == kIac)
                m_telnet = Telnet::SubIac;
            else if (m_sub.size() < kMaxLine)
                m_sub += ch;
            continue;
        case Telnet::SubIac:
            m_telnet = c == kSe ? Telnet::None : Telnet::Sub;
            if (c == kSe)
                subnegotiation();
            else if (c == kIac)
                m_sub += ch;
            continue;
        case Telnet::None:
            break;
        }
        if (c == kIac) {
            m_telnet = Telnet::Command;
            continue;
        }
        if (c == '\n' && m_afterCr) {
            m_afterCr = false;
            continue;
        }
        m_afterCr = c == '\r';
        if (c == '\r' || c == '\n') {
            const QString text = QString::fromUtf8(m_line);
            m_line.clear();
            line(text);
            continue;
        }
        if (c == 0)
            continue;
        m_line += ch;
        if (m_line.size() >= kMaxLine)
            m_line.clear();
    }
}

void RadioConnection::subnegotiation()
{
    if (m_sub.size() != 5 || static_cast<unsigned char>(m_sub.at(0)) != kWindowSize)
        return;
    const int columns = (static_cast<unsigned char>(m_sub.at(1)) << 8) | static_cast<unsigned char>(m_sub.at(2));
    if (columns <= 0 || columns == m_columns)
        return;
    m_columns = columns;
    // A new width: the editor draws its line again, prompt first.
    if (m_echo && m_stage == Stage::Shell)
        write((QStringLiteral("\r") + radiotexts::shellPrompt(m_radio.family) + kClearBelow).toUtf8() + m_line);
}

QString RadioConnection::prompt() const
{
    return radiotexts::shellPrompt(m_radio.family) + (m_echo ? kAskCursor : QString());
}

void RadioConnection::echoLine(const QString &text)
{
    if (m_stage != Stage::Shell) {
        write(text.toUtf8() + "\r\n"); // the login program's terminal: no editor
        return;
    }
    QByteArray out;
    qsizetype column = radiotexts::shellPrompt(m_radio.family).size();
    for (const QChar c : text) {
        out += QString(c).toUtf8();
        if (++column >= m_columns) {
            out += kWrap;
            column = 0;
        }
    }
    write(out + "\r\n");
}

void RadioConnection::line(const QString &text)
{
    if (m_echo && m_stage != Stage::Password)
        echoLine(text);
    switch (m_stage) {
    case Stage::Login:
        // A blank name is no attempt; the prompt already stands.
        if (text.trimmed().isEmpty())
            return;
        m_user = text.trimmed();
        ++m_counts.loginNames;
        m_stage = Stage::Password;
        reply(QStringLiteral("\r\nPassword: "));
        return;
    case Stage::Password:
        if (m_user == m_radio.user && text == m_radio.password) {
            ++m_counts.logins;
            m_stage = Stage::Shell;
            reply(radiotexts::shellBanner(m_radio.family, m_radio.identity) + (m_echo ? kAskCursor : QString()));
        } else {
            ++m_counts.failedLogins;
            m_stage = Stage::Login;
            reply(radiotexts::loginIncorrect(m_radio.family, m_radio.identity));
        }
        return;
    case Stage::Shell:
        shellLine(text.trimmed());
        return;
    case Stage::Console:
        consoleLine(text.trimmed());
        return;
    }
}

void RadioConnection::shellLine(const QString &text)
{
    const QString prompt = this->prompt();
    if (text.isEmpty()) {
        reply(QStringLiteral("\r\n") + prompt);
        return;
    }
    ++m_counts.commands;
    if (radiotexts::isStatusCommand(m_radio.family, text)) {
        ++m_counts.statusReplies;
        reply(m_radio.status() + prompt);
    } else if (text == QLatin1String("reboot")) {
        reply(QStringLiteral("\r\nThe system is going down NOW!\r\n"));
        rebootSoon();
    } else if (text == QLatin1String("exit")) {
        m_socket->disconnectFromHost();
    } else {
        reply(radiotexts::notFound(text) + prompt);
    }
}

void RadioConnection::consoleLine(const QString &text)
{
    if (text.isEmpty()) {
        reply(radiotexts::jsonPrompt());
        return;
    }
    ++m_counts.commands;
    if (text.startsWith(QLatin1String("auth "))) {
        static const QRegularExpression credentials(
            QStringLiteral("\"username\":\"([^\"]*)\",\"password\":\"([^\"]*)\""));
        const auto match = credentials.match(text);
        if (match.hasMatch() && match.captured(1) == m_radio.user && match.captured(2) == m_radio.password) {
            ++m_counts.logins;
            m_key = m_radio.newKey();
            reply(radiotexts::jsonKeyIssued(m_key) + radiotexts::jsonPrompt());
        } else {
            ++m_counts.failedLogins;
            reply(radiotexts::jsonError(12) + radiotexts::jsonPrompt());
        }
        return;
    }
    consoleKeyed(text);
}

void RadioConnection::consoleKeyed(const QString &text)
{
    static const QRegularExpression keyed(QStringLiteral("^(\\w+) \\{\"secretkey\": \"([^\"]*)\" (.*)\\}$"));
    const auto match = keyed.match(text);
    if (!match.hasMatch()) {
        reply(radiotexts::jsonError(1) + radiotexts::jsonPrompt());
        return;
    }
    if (!m_radio.keyValid(match.captured(2))) {
        ++m_counts.keyErrors;
        reply(radiotexts::jsonError(10) + radiotexts::jsonPrompt());
        return;
    }
    const QString verb = match.captured(1);
    if (verb == QLatin1String("getconfig")) {
        reply(radiotexts::jsonConfiguration(m_radio.identity) + radiotexts::jsonPrompt());
    } else if (verb == QLatin1String("systeminfo")) {
        ++m_counts.statusReplies;
        reply(m_radio.status() + radiotexts::jsonPrompt());
    } else if (verb == QLatin1String("tool") && match.captured(3).contains(QLatin1String("\"reboot\""))) {
        reply(radiotexts::jsonError(0) + radiotexts::jsonPrompt());
        rebootSoon();
    } else {
        reply(radiotexts::jsonError(1) + radiotexts::jsonPrompt());
    }
}

void RadioConnection::rebootSoon()
{
    QTimer::singleShot(kRebootCloseMs, m_socket, [socket = m_socket] { socket->disconnectFromHost(); });
}

} // namespace korvane::sim
