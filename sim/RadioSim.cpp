#include "RadioSim.h"

#include "BearingFile.h"
#include "Garbage.h"

#include <QCoreApplication>
#include <QTcpSocket>

#include <algorithm>

namespace korvane::sim {

namespace {
constexpr qint64 kFloodQueueBytes = 64 * 1024;
constexpr qint64 kFloodPieceBytes = 16 * 1024;

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }
QString number(double v) { return QString::number(v, 'f', 1); }
} // namespace

RadioSim::RadioSim(const RadioOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_link(options.link), m_split(options.split),
      m_echo(options.echo)
{
    connect(&m_server, &QTcpServer::newConnection, this, &RadioSim::acceptPending);
    connect(&m_pushTimer, &QTimer::timeout, this, &RadioSim::pushAll);
}

RadioSim::~RadioSim()
{
    for (RadioConnection *c : m_connections)
        c->socket()->disconnect(this);
}

bool RadioSim::start(QString *error)
{
    if (!m_options.recordPath.isEmpty() && !m_recorder.open(m_options.recordPath, error))
        return false;
    m_uptime.start();
    if (m_options.pushMs > 0)
        m_pushTimer.start(m_options.pushMs);
    return listenAndAnnounce(m_server, m_options.host, m_options.port, QStringLiteral("radio"), error);
}

void RadioSim::acceptPending()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_accepted;
        RadioConnection::Radio radio{m_options.family,
                                     m_options.identity,
                                     m_options.user,
                                     m_options.password,
                                     [this] { return nextStatus(); },
                                     [this] { return newKey(); },
                                     [this](const QString &key) { return m_validKeys.contains(key); }};
        auto *connection = new RadioConnection(socket, radio, m_counts, socket);
        connection->setSplit(m_split);
        connection->setSilent(m_silent);
        connection->setEcho(m_echo);
        m_connections.push_back(connection);
        connect(connection, &RadioConnection::bytesIn, this, [this](const QByteArray &bytes) {
            m_bytesIn += bytes.size();
            m_recorder.append(bytes);
        });
        connect(connection, &RadioConnection::bytesOut, this, [this](qint64 n) { m_bytesOut += n; });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { floodTopUp(socket); });
        connection->start(m_options.negotiate);
    }
}

void RadioSim::forget(QTcpSocket *socket)
{
    std::erase_if(m_connections, [socket](RadioConnection *c) { return c->socket() == socket; });
    std::erase_if(m_floods, [socket](const Flood &f) { return f.socket == socket; });
    socket->deleteLater();
}

void RadioSim::followBearing()
{
    if (m_options.bearingFrom.isEmpty())
        return;
    // A file not (yet) written leaves the bearing where it was.
    if (const auto bearing = readBearingFile(m_options.bearingFrom))
        m_link.setup().bearing = *bearing;
}

QString RadioSim::nextStatus()
{
    followBearing();
    m_last = m_link.next();
    if (m_misreport)
        m_last.signal = *m_misreport;
    const quint64 uptime = static_cast<quint64>(m_uptime.elapsed() / 1000) + 9910;
    switch (m_options.family) {
    case RadioFamily::AirOs:
        return radiotexts::airOsStatus(m_options.identity, m_last, uptime);
    case RadioFamily::AirFiber:
        return radiotexts::airFiberStatus(m_options.identity, m_last, uptime);
    case RadioFamily::Iwconfig:
        return radiotexts::iwconfigStatus(m_options.identity, m_last);
    case RadioFamily::Json:
        break;
    }
    return radiotexts::jsonSystemInfo(m_options.identity, m_last);
}

QString RadioSim::newKey()
{
    // 32 hexadecimal digits, different for every login.
    const QString key = QStringLiteral("%1%2")
                            .arg(0x4b56u + ++m_keySerial, 16, 16, QLatin1Char('0'))
                            .arg(static_cast<quint64>(m_uptime.elapsed()) ^ 0x5a5a5a5aULL, 16, 16, QLatin1Char('0'));
    m_validKeys.insert(key);
    return key;
}

void RadioSim::pushAll()
{
    if (m_silent)
        return;
    for (RadioConnection *c : m_connections)
        c->pushStatus();
}

void RadioSim::writeAll(const QByteArray &bytes)
{
    for (RadioConnection *c : m_connections) {
        if (c->socket()->state() == QAbstractSocket::ConnectedState) {
            c->socket()->write(bytes);
            m_bytesOut += bytes.size();
        }
    }
}

void RadioSim::floodTopUp(QTcpSocket *socket)
{
    // A bounded amount queued, refilled as the station reads.
    for (Flood &flood : m_floods) {
        if (flood.socket != socket)
            continue;
        while (flood.left > 0 && socket->bytesToWrite() < kFloodQueueBytes) {
            const qint64 piece = std::min(flood.left, kFloodPieceBytes);
            socket->write(flood.garbage ? garbageBytes(piece) : QByteArray(piece, 'A'));
            flood.left -= piece;
            m_bytesOut += piece;
        }
    }
    std::erase_if(m_floods, [](const Flood &f) { return f.left <= 0; });
}

// ---- control lines ----

const RadioSim::ControlEntry RadioSim::kControls[] = {
    {"bearing", &RadioSim::controlBearing},     {"peak", &RadioSim::controlPeak},
    {"beamwidth", &RadioSim::controlBeamwidth}, {"signal", &RadioSim::controlSignal},
    {"noise", &RadioSim::controlNoise},         {"jitter", &RadioSim::controlJitter},
    {"misreport", &RadioSim::controlMisreport}, {"push", &RadioSim::controlPush},
    {"split", &RadioSim::controlSplit},
    {"silent", &RadioSim::controlSilent},       {"expire-key", &RadioSim::controlExpireKey},
    {"drop", &RadioSim::controlDrop},           {"send", &RadioSim::controlSend},
    {"flood", &RadioSim::controlFlood},         {"long-line", &RadioSim::controlLongLine},
    {"echo", &RadioSim::controlEcho},           {"password", &RadioSim::controlPassword},
};

void RadioSim::control(const QString &line)
{
    answerControlLine(
        line, [this] {
            followBearing();
            return statusSummary();
        },
        [this](const QString &word, const QString &argument) { return runControlEntry(this, kControls, word, argument); });
}

bool RadioSim::controlBearing(const QString &a) { return readNumber(a, -360, 720, m_link.setup().bearing); }

bool RadioSim::controlPeak(const QString &a)
{
    if (a == QLatin1String("off")) {
        m_link.setup().peakBearing.reset();
        return true;
    }
    double v = 0;
    if (!readNumber(a, -360, 720, v))
        return false;
    m_link.setup().peakBearing = v;
    return true;
}

bool RadioSim::controlBeamwidth(const QString &a) { return readNumber(a, 0.1, 360, m_link.setup().beamwidth); }
bool RadioSim::controlSignal(const QString &a) { return readNumber(a, -120, 0, m_link.setup().level); }
bool RadioSim::controlNoise(const QString &a) { return readNumber(a, -130, 0, m_link.setup().noise); }

bool RadioSim::controlMisreport(const QString &a)
{
    if (a == QLatin1String("off")) {
        m_misreport.reset();
        return true;
    }
    double v = 0;
    if (!readNumber(a, -1000, 1000, v))
        return false;
    m_misreport = static_cast<int>(v);
    return true;
}
bool RadioSim::controlJitter(const QString &a) { return readNumber(a, 0, 20, m_link.setup().jitter); }

bool RadioSim::controlPush(const QString &a)
{
    double ms = 0;
    if (!readNumber(a, 0, 3600000, ms))
        return false;
    m_options.pushMs = static_cast<int>(ms);
    if (m_options.pushMs > 0)
        m_pushTimer.start(m_options.pushMs);
    else
        m_pushTimer.stop();
    return true;
}

bool RadioSim::controlSplit(const QString &a)
{
    if (!readSwitch(a, m_split))
        return false;
    for (RadioConnection *c : m_connections)
        c->setSplit(m_split);
    return true;
}

bool RadioSim::controlSilent(const QString &a)
{
    if (!readSwitch(a, m_silent))
        return false;
    for (RadioConnection *c : m_connections)
        c->setSilent(m_silent);
    return true;
}

bool RadioSim::controlEcho(const QString &a)
{
    if (!readSwitch(a, m_echo))
        return false;
    for (RadioConnection *c : m_connections)
        c->setEcho(m_echo);
    return true;
}

// The operator changed the password on the radio itself: sessions already
// open stay, every later login is checked against the new one.
bool RadioSim::controlPassword(const QString &a)
{
    if (a.isEmpty())
        return false;
    m_options.password = a;
    return true;
}

bool RadioSim::controlExpireKey(const QString &)
{
    m_validKeys.clear();
    return true;
}

bool RadioSim::controlDrop(const QString &)
{
    const std::vector<RadioConnection *> all = m_connections;
    for (RadioConnection *c : all)
        c->socket()->abort();
    return true;
}

bool RadioSim::controlSend(const QString &a)
{
    writeAll(unescapeControlText(a).toUtf8());
    return true;
}

bool RadioSim::controlFlood(const QString &a)
{
    bool ok = false;
    const qint64 bytes = a.toLongLong(&ok);
    if (!ok || bytes <= 0)
        return false;
    for (RadioConnection *c : m_connections) {
        m_floods.push_back({c->socket(), bytes, true});
        floodTopUp(c->socket());
    }
    return true;
}

bool RadioSim::controlLongLine(const QString &a)
{
    bool ok = false;
    const qint64 bytes = a.toLongLong(&ok);
    if (!ok || bytes <= 0)
        return false;
    for (RadioConnection *c : m_connections) {
        m_floods.push_back({c->socket(), bytes, false});
        floodTopUp(c->socket());
    }
    return true;
}

QString RadioSim::statusSummary() const
{
    qint64 loggedIn = 0;
    for (const RadioConnection *c : m_connections)
        loggedIn += c->loggedIn() ? 1 : 0;
    const RadioLink::Setup &s = m_link.setup();
    return QStringLiteral("status family=%1 clients=%2 logged_in=%3 accepted=%4 logins=%5 failed_logins=%6")
               .arg(radioFamilyName(m_options.family))
               .arg(m_connections.size())
               .arg(loggedIn)
               .arg(m_accepted)
               .arg(m_counts.logins)
               .arg(m_counts.failedLogins)
           + QStringLiteral(" login_names=%1").arg(m_counts.loginNames)
           + QStringLiteral(" commands=%1 status_replies=%2 key_errors=%3 bytes_in=%4 bytes_out=%5")
                 .arg(m_counts.commands)
                 .arg(m_counts.statusReplies)
                 .arg(m_counts.keyErrors)
                 .arg(m_bytesIn)
                 .arg(m_bytesOut)
           + QStringLiteral(" bearing=%1 peak=%2 beamwidth=%3 limit=%4 pointing_error=%5 model_signal=%6")
                 .arg(number(s.bearing), s.peakBearing ? number(*s.peakBearing) : QStringLiteral("off"),
                      number(s.beamwidth), number(m_link.limit()), number(m_link.pointingError()),
                      number(m_link.modelSignal()))
           + QStringLiteral(" last_signal=%1 noise=%2 jitter=%3 push_ms=%4 split=%5 silent=%6 echo=%7")
                 .arg(m_last.signal)
                 .arg(number(s.noise), number(s.jitter))
                 .arg(m_options.pushMs)
                 .arg(onOff(m_split), onOff(m_silent), onOff(m_echo));
}

} // namespace korvane::sim
