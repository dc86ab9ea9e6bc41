#include "support/PeerClient.h"

#include "support/Wait.h"

#include <QHostAddress>

namespace korvane::test {

PeerClient::PeerClient()
{
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { received_ += socket_.readAll(); });
}

bool PeerClient::connectTo(quint16 port, int timeoutMs)
{
    socket_.connectToHost(QHostAddress::LocalHost, port);
    return waitUntil([this] { return connected() || socket_.state() == QAbstractSocket::UnconnectedState; },
                     timeoutMs)
           && connected();
}

void PeerClient::write(const QByteArray &bytes)
{
    socket_.write(bytes);
    socket_.flush();
}

bool PeerClient::waitFor(const QByteArray &needle, int timeoutMs)
{
    return waitUntil([&] { return received_.contains(needle); }, timeoutMs);
}

bool PeerClient::waitForBytes(qsizetype count, int timeoutMs)
{
    return waitUntil([&] { return received_.size() >= count; }, timeoutMs);
}

bool PeerClient::waitForDisconnect(int timeoutMs)
{
    return waitUntil([this] { return socket_.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
}

} // namespace korvane::test
