#include "CpeSim.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <iterator>

namespace korvane::sim {

namespace {

constexpr qsizetype kMaxHeadBytes = 65536;
const QByteArray kPath = "/cgi-bin/5g";
const QByteArray kJson = "application/json";
const QByteArray kText = "text/plain";
const char *const kModes[] = {"ok", "slow", "error500", "silent", "close"};
const char *const kCounterKeys[] = {"rx_bytes", "tx_bytes"};

} // namespace

CpeSim::CpeSim(const CpeOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_intake(m_server, kMaxHeadBytes)
{
    // "bandwidth" comes before "band", so a reader that finds "band" inside
    // "bandwidth" shows it.
    m_fields = {
        {QStringLiteral("rsrp"), QStringLiteral("-85"), true},
        {QStringLiteral("rsrq"), QStringLiteral("-11"), true},
        {QStringLiteral("sinr"), QStringLiteral("18"), true},
        {QStringLiteral("bandwidth"), QStringLiteral("100"), true},
        {QStringLiteral("band"), QStringLiteral("78"), true},
        {QStringLiteral("rate_dl_theory"), QStringLiteral("1200"), false},
        {QStringLiteral("rx_bytes"), QString::number(options.rxStart), false},
        {QStringLiteral("tx_bytes"), QString::number(options.txStart), false},
        {QStringLiteral("status"), options.status, true},
        {QStringLiteral("mnc"), QStringLiteral("00"), true},
        {QStringLiteral("mac"), QStringLiteral("a4:5e:60:1c:2b:3d"), true},
    };
    connect(&m_intake, &HttpIntake::request, this, &CpeSim::answer);
    connect(&m_intake, &HttpIntake::tooLarge, this, [this](QTcpSocket *socket) {
        respond(socket, 431, "Request Header Fields Too Large", "head too large\n", kText);
    });
}

bool CpeSim::start(QString *error)
{
    return listenAndAnnounce(m_server, m_options.host, m_options.port, QStringLiteral("cpe"), error);
}

void CpeSim::answer(QTcpSocket *socket, const HttpRequest &request)
{
    const QList<QByteArray> requestLine = request.requestLine();
    const QByteArray method = requestLine.value(0);
    const QByteArray path = requestLine.value(1);
    m_userAgent = request.header("user-agent");
    ++m_requests;
    m_lastPath = path;
    switch (m_mode) {
    case Mode::Silent:
        return; // the client waits until it gives up
    case Mode::Close:
        m_intake.release(socket);
        socket->abort();
        return;
    case Mode::Error500:
        respond(socket, 500, "Internal Server Error", "cpe failure\n", kText);
        return;
    default:
        break;
    }
    if (path != kPath) {
        respond(socket, 404, "Not Found", "not found\n", kText);
        return;
    }
    if (method != "GET") {
        respond(socket, 405, "Method Not Allowed", "GET only\n", kText);
        return;
    }
    const QByteArray body = replyBody();
    if (m_mode != Mode::Slow) {
        respond(socket, 200, "OK", body, kJson);
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(m_slowMs, this, [this, guarded, body] {
        if (guarded)
            respond(guarded, 200, "OK", body, kJson);
    });
}

void CpeSim::respond(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &body,
                     const QByteArray &contentType)
{
    if (status == 200)
        ++m_answered;
    HttpIntake::respond(socket, status, reason, body, contentType);
}

// The object as it stands, then the counters move on for the next answer.
QByteArray CpeSim::replyBody()
{
    QByteArray body;
    if (!m_body.isEmpty()) {
        body = m_body.toUtf8();
    } else {
        QStringList members;
        for (const Field &f : m_fields) {
            const QString value = f.quoted ? QLatin1Char('"') + f.value + QLatin1Char('"') : f.value;
            members << QLatin1Char('"') + f.key + QStringLiteral("\":") + value;
        }
        body = (QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}')).toUtf8();
    }
    for (Field &f : m_fields) {
        if (f.key == QLatin1String(kCounterKeys[0]))
            f.value = QString::number(f.value.toLongLong() + m_options.rxStep);
        else if (f.key == QLatin1String(kCounterKeys[1]))
            f.value = QString::number(f.value.toLongLong() + m_options.txStep);
    }
    return body;
}

void CpeSim::control(const QString &line)
{
    answerControlLine(line, [this] { return statusSummary(); }, [this](const QString &word, const QString &argument) {
        if (word == QLatin1String("status"))
            return setField(QStringLiteral("status ") + argument);
        if (word == QLatin1String("mode"))
            return setMode(argument);
        if (word == QLatin1String("set"))
            return setField(argument);
        if (word == QLatin1String("body"))
            return setBody(argument);
        return false;
    });
}

bool CpeSim::setMode(const QString &argument)
{
    const QString name = argument.section(u' ', 0, 0);
    const QString extra = argument.section(u' ', 1).trimmed();
    for (int i = 0; i < static_cast<int>(std::size(kModes)); ++i) {
        if (name != QLatin1String(kModes[i]))
            continue;
        const Mode mode = static_cast<Mode>(i);
        if (mode == Mode::Slow) {
            bool ok = false;
            const int ms = extra.toInt(&ok);
            if (!ok || ms < 0 || ms > 600000)
                return false;
            m_slowMs = ms;
        } else if (!extra.isEmpty()) {
            return false;
        }
        m_mode = mode;
        return true;
    }
    return false;
}

bool CpeSim::setField(const QString &argument)
{
    const QString key = argument.section(u' ', 0, 0);
    const QString value = argument.section(u' ', 1).trimmed();
    for (Field &f : m_fields) {
        if (f.key != key)
            continue;
        bool number = true;
        if (!f.quoted)
            value.toLongLong(&number);
        if (value.contains(u'"') || !number)
            return false;
        f.value = value;
        return true;
    }
    return false;
}

bool CpeSim::setBody(const QString &argument)
{
    if (argument.isEmpty())
        return false;
    m_body = argument == QLatin1String("off") ? QString() : unescapeControlText(argument);
    return true;
}

QString CpeSim::statusSummary() const
{
    QString values;
    for (const Field &f : m_fields)
        values += QLatin1Char(' ') + f.key + QLatin1Char('=') + f.value;
    return QStringLiteral("status connections=%1 requests=%2 answered=%3 mode=%4 slow_ms=%5 body=%6 path=%7 "
                          "user_agent=%8")
               .arg(m_intake.connections())
               .arg(m_requests)
               .arg(m_answered)
               .arg(QString::fromLatin1(kModes[static_cast<int>(m_mode)]))
               .arg(m_slowMs)
               .arg(m_body.isEmpty() ? QStringLiteral("off") : QStringLiteral("fixed"))
               .arg(QString::fromLatin1(m_lastPath.isEmpty() ? QByteArray("none") : m_lastPath),
                    QString::fromLatin1(m_userAgent.isEmpty() ? QByteArray("none") : m_userAgent))
           + values;
}

} // namespace korvane::sim
