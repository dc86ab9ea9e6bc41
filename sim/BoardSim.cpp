#include "BoardSim.h"

#include "BoardTexts.h"
#include "CommandFramer.h"
#include "Garbage.h"

#include <QCoreApplication>
#include <QTcpSocket>

#include <algorithm>

namespace korvane::sim {

namespace {
constexpr int kMotionStepMs = 100;
// Position, angle, execution, heading, key record: one chunk each, spread
// over the interval so that they reach the station as separate chunks.
constexpr int kStatusSlots = 5;
constexpr qint64 kFloodQueueBytes = 64 * 1024;
constexpr qint64 kFloodPieceBytes = 16 * 1024;
const QString kDefaultKey = QStringLiteral("00112233445566778899aabbccddeeff");
const QString kDefaultKeyAddress = QStringLiteral("192.168.1.20");

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }
} // namespace

BoardSim::BoardSim(const BoardOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_antenna(options.antenna), m_commands(m_antenna, m_registers),
      m_silent(options.silent)
{
    m_registers.key = options.key;
    m_registers.keyAddress = options.keyAddress.isEmpty() ? kDefaultKeyAddress : options.keyAddress;
    m_registers.relayKey = !options.key.isEmpty();
    connect(&m_server, &QTcpServer::newConnection, this, &BoardSim::acceptPending);
    connect(&m_statusTimer, &QTimer::timeout, this, &BoardSim::statusTick);
    connect(&m_motionTimer, &QTimer::timeout, this, &BoardSim::motionTick);
}

BoardSim::~BoardSim()
{
    // Sockets die with the server after the client list is gone; they must
    // not call back into this object on their way out.
    for (const Client &client : m_clients)
        client.socket->disconnect(this);
}

bool BoardSim::start(QString *error)
{
    if (!m_options.recordPath.isEmpty() && !m_recorder.open(m_options.recordPath, error))
        return false;
    m_statusTimer.start(std::max(1, m_options.intervalMs / kStatusSlots));
    m_motionClock.start();
    m_motionTimer.start(kMotionStepMs);
    return listenAndAnnounce(m_server, m_options.host, m_options.port, QStringLiteral("board"), error);
}

void BoardSim::acceptPending()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_options.refuseSecond && !m_clients.empty()) {
            ++m_counts.refused;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        adopt(socket);
    }
}

void BoardSim::adopt(QTcpSocket *socket)
{
    ++m_counts.accepted;
    auto *framer = new CommandFramer(m_options.commandGapMs, socket);
    m_clients.push_back(Client{socket, framer, 0});
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { received(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        if (Client *client = clientOf(socket))
            topUpFlood(*client);
    });
    connect(framer, &CommandFramer::command, this, &BoardSim::executeCommand);
    if (m_options.dropAfterMs > 0) {
        QTimer::singleShot(m_options.dropAfterMs, socket, [this, socket] {
            ++m_counts.dropped;
            socket->abort();
        });
    }
}

void BoardSim::forget(QTcpSocket *socket)
{
    std::erase_if(m_clients, [socket](const Client &c) { return c.socket == socket; });
    socket->deleteLater();
}

BoardSim::Client *BoardSim::clientOf(QTcpSocket *socket)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(), [socket](const Client &c) { return c.socket == socket; });
    return it == m_clients.end() ? nullptr : &*it;
}

void BoardSim::received(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    m_counts.bytesIn += bytes.size();
    m_recorder.append(bytes);
    if (Client *client = clientOf(socket))
        client->framer->feed(bytes);
}

void BoardSim::executeCommand(const QByteArray &line)
{
    ++m_counts.commands;
    // Replies go to every connected station, as the board's own echo does.
    say(m_commands.execute(QString::fromUtf8(line)));
}

void BoardSim::say(const QString &text)
{
    if (m_silent || m_options.mute || text.isEmpty())
        return;
    writeAll(text.toUtf8());
}

void BoardSim::writeAll(const QByteArray &bytes)
{
    for (const Client &client : m_clients) {
        client.socket->write(bytes);
        m_counts.bytesOut += bytes.size();
    }
}

void BoardSim::statusTick() { say(nextStatusChunk()); }

QString BoardSim::nextStatusChunk()
{
    const int slot = m_statusSlot;
    m_statusSlot = (m_statusSlot + 1) % kStatusSlots;
    switch (slot) {
    case 0:
        return BoardTexts::positionChunk(m_antenna, m_registers.receiverRateHz, QDateTime::currentDateTimeUtc());
    case 1:
        return BoardTexts::angleChunk(m_antenna, m_registers.gnssFix);
    case 2:
        return BoardTexts::executionChunk(m_antenna, m_antenna.nextCompassReading());
    case 3:
        return BoardTexts::headingChunk(m_antenna);
    default:
        if (m_registers.relayKey && !m_registers.key.isEmpty())
            return BoardTexts::keyRecord(m_registers.key, m_registers.keyAddress);
        return {};
    }
}

void BoardSim::motionTick() { m_antenna.advance(m_motionClock.restart() / 1000.0); }

void BoardSim::dropAll()
{
    std::vector<QTcpSocket *> sockets;
    for (const Client &client : m_clients)
        sockets.push_back(client.socket);
    for (QTcpSocket *socket : sockets) {
        ++m_counts.dropped;
        socket->abort();
    }
}

void BoardSim::startFlood(qint64 bytes)
{
    for (Client &client : m_clients) {
        client.floodLeft += bytes;
        topUpFlood(client);
    }
}

void BoardSim::topUpFlood(Client &client)
{
    // Keep a bounded amount queued and refill as the socket drains, so the
    // flood goes as fast as the station reads without holding it all here.
    while (client.floodLeft > 0 && client.socket->bytesToWrite() < kFloodQueueBytes) {
        const qint64 piece = std::min(client.floodLeft, kFloodPieceBytes);
        client.socket->write(garbageBytes(piece));
        client.floodLeft -= piece;
        m_counts.bytesOut += piece;
    }
}

bool BoardSim::setSwitch(const QString &argument, bool &flag)
{
    if (argument != QLatin1String("on") && argument != QLatin1String("off"))
        return false;
    flag = argument == QLatin1String("on");
    return true;
}

void BoardSim::control(const QString &line)
{
    const QString word = line.section(u' ', 0, 0);
    const QString argument = line.section(u' ', 1).trimmed();
    bool ok = true;
    if (word.isEmpty()) {
        return;
    } else if (word == QLatin1String("drop")) {
        dropAll();
    } else if (word == QLatin1String("silent")) {
        ok = setSwitch(argument, m_silent);
    } else if (word == QLatin1String("refuse-second")) {
        ok = setSwitch(argument, m_options.refuseSecond);
    } else if (word == QLatin1String("gnss")) {
        ok = setSwitch(argument, m_registers.gnssFix);
    } else if (word == QLatin1String("key")) {
        ok = setSwitch(argument, m_registers.relayKey);
        if (ok && m_registers.key.isEmpty())
            m_registers.key = kDefaultKey;
    } else if (word == QLatin1String("flood")) {
        const qint64 bytes = argument.toLongLong(&ok);
        ok = ok && bytes > 0;
        if (ok)
            startFlood(bytes);
    } else if (word == QLatin1String("send")) {
        writeAll(unescapeControlText(argument).toUtf8());
    } else if (word == QLatin1String("status")) {
        printLine(statusSummary());
        return;
    } else if (word == QLatin1String("quit")) {
        printLine(QStringLiteral("ok quit"));
        QCoreApplication::quit();
        return;
    } else {
        ok = false;
    }
    printLine((ok ? QStringLiteral("ok ") : QStringLiteral("error ")) + line);
}

QString BoardSim::statusSummary() const
{
    return QStringLiteral("status clients=%1 accepted=%2 refused=%3 dropped=%4 commands=%5 bytes_in=%6 bytes_out=%7")
               .arg(m_clients.size())
               .arg(m_counts.accepted)
               .arg(m_counts.refused)
               .arg(m_counts.dropped)
               .arg(m_counts.commands)
               .arg(m_counts.bytesIn)
               .arg(m_counts.bytesOut)
           + QStringLiteral(" silent=%1 mute=%2 refuse_second=%3 key=%4 gnss=%5")
                 .arg(onOff(m_silent), onOff(m_options.mute), onOff(m_options.refuseSecond),
                      onOff(m_registers.relayKey), onOff(m_registers.gnssFix))
           + QStringLiteral(" azimuth=%1 goal=%2 offset=%3 drive=%4")
                 .arg(BoardTexts::fixed(m_antenna.azimuth(), 1), BoardTexts::fixed(m_antenna.goal(), 1),
                      BoardTexts::fixed(m_antenna.offset(), 1),
                      m_antenna.shipDrive() ? QStringLiteral("ship") : QStringLiteral("auto"));
}

} // namespace korvane::sim
