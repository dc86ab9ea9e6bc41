#pragma once

#include <QHostAddress>
#include <QTcpSocket>

namespace korvane::test {

// A loopback port that refuses connections for as long as this object
// lives: bound, never listening. A port merely freed again could be taken
// by a test running beside this one.
class ClosedPort {
public:
    ClosedPort() { m_socket.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress); }
    quint16 port() const { return m_socket.localPort(); }

private:
    QTcpSocket m_socket;
};

} // namespace korvane::test
