#include "support/PeerClient.h"

#include "support/Wait.h"

#include <QHostAddress>

namespace korvane::test {

PeerClient::PeerClient()
{
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
        const QByteArray bytes = m_socket.readAll();
        m_received += bytes;
        m_reads << bytes;
    });
}

bool PeerClient::connectTo(quint16 port, int timeoutMs)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    return waitUntil([this] { return connected() || m_socket.state() == QAbstractSocket::UnconnectedState; },
                     timeoutMs)
           && connected();
}

void PeerClient::write(const QByteArray &bytes)
{
    m_socket.write(bytes);
    m_socket.flush();
}

bool PeerClient::waitFor(const QByteArray &needle, int timeoutMs)
{
    return waitUntil([&] { return m_received.contains(needle); }, timeoutMs);
}

bool PeerClient::waitForBytes(qsizetype count, int timeoutMs)
{
    return waitUntil([&] { return m_received.size() >= count; }, timeoutMs);
}

bool PeerClient::waitForDisconnect(int timeoutMs)
{
    return waitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
}

} // namespace korvane::test
