#include "BoardSim.h"

#include "BoardTexts.h"
#include "CommandFramer.h"
#include "Garbage.h"

#include <QTcpSocket>

#include <algorithm>

namespace korvane::sim {

namespace {
constexpr int kMotionStepMs = 100;
// Position, attitude, execution report, key record: one chunk each, spread
// over the interval so that they reach the station as separate chunks.
constexpr int kStatusSlots = 4;
constexpr qint64 kFloodQueueBytes = 64 * 1024;
constexpr qint64 kFloodPieceBytes = 16 * 1024;
const QString kDefaultKeyAddress = QStringLiteral("192.168.1.20");

} // namespace

BoardSim::BoardSim(const BoardOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_antenna(options.antenna), m_commands(m_antenna, m_registers),
      m_silent(options.silent)
{
    m_registers.key = options.key;
    m_registers.keyAddress = options.keyAddress.isEmpty() ? kDefaultKeyAddress : options.keyAddress;
    m_registers.relayKey = !options.key.isEmpty();
    m_registers.ownMarker = options.ownMarker;
    m_splitReports = options.splitReports;
    if (options.nmea) {
        m_registers.nmeaKinds = *options.nmea;
        m_registers.receiverRateHz = 1;
    }
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
    if (!m_options.bearingFile.isEmpty()
        && !m_bearing.open(m_options.bearingFile, m_antenna.pointingFromDrive(), error))
        return false;
    m_statusTimer.start(slotMs());
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

void BoardSim::sayPieces(const QStringList &pieces)
{
    if (pieces.isEmpty())
        return;
    say(pieces.first());
    // Spaced within the slot, so the next chunk of the round comes after.
    const int gap = std::max(1, slotMs() / static_cast<int>(pieces.size() + 1));
    for (qsizetype i = 1; i < pieces.size(); ++i)
        QTimer::singleShot(gap * static_cast<int>(i), this, [this, piece = pieces.at(i)] { say(piece); });
}

int BoardSim::slotMs() const { return std::max(1, m_options.intervalMs / kStatusSlots); }

void BoardSim::statusTick()
{
    const int slot = m_statusSlot;
    m_statusSlot = (m_statusSlot + 1) % kStatusSlots;
    switch (slot) {
    case 0: {
        QStringList sentences;
        if (m_registers.receiverRateHz > 0)
            sentences = receiverSentences(m_antenna, m_registers.gnssFix, m_registers.nmeaKinds,
                                          QDateTime::currentDateTimeUtc());
        say(BoardTexts::positionChunk(m_antenna, m_registers.ownMarker, sentences));
        break;
    }
    case 1:
        say(BoardTexts::attitudeChunk(m_antenna, m_registers.gnssFix));
        break;
    case 2:
        sayExecutionReport();
        break;
    default:
        if (m_registers.relayKey && !m_registers.key.isEmpty())
            say(BoardTexts::keyRecord(m_registers.key, m_registers.keyAddress));
        break;
    }
}

void BoardSim::sayExecutionReport()
{
    const QString line = BoardTexts::executionLine(m_antenna, m_antenna.nextCompassReading());
    if (!m_splitReports || ++m_splitRound % 2 == 0) {
        say(line);
        return;
    }
    // Split reports take turns over the three places the bridge cuts.
    ++m_counts.splitReports;
    sayPieces(BoardTexts::splitExecution(line, static_cast<int>((m_splitRound / 2) % 3)));
}

void BoardSim::motionTick()
{
    m_antenna.advance(m_motionClock.restart() / 1000.0);
    m_bearing.write(m_antenna.pointingFromDrive());
}

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

} // namespace korvane::sim
