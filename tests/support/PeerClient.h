#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpSocket>

namespace korvane::test {

// A plain TCP client standing in for a station towards a simulated peer:
// it keeps every byte received so a test can wait for texts in it.
class PeerClient {
public:
    PeerClient();

    bool connectTo(quint16 port, int timeoutMs = 5000);
    void write(const QByteArray &bytes);

    const QByteArray &received() const { return m_received; }
    // Every read as it came, so a test can see how the peer cut its writes.
    const QList<QByteArray> &reads() const { return m_reads; }
    QString text() const { return QString::fromUtf8(m_received); }
    void clear()
    {
        m_received.clear();
        m_reads.clear();
    }
    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    QTcpSocket &socket() { return m_socket; }

    // Waits until `needle` appears in what was received since the last clear.
    bool waitFor(const QByteArray &needle, int timeoutMs = 5000);
    bool waitFor(const QString &needle, int timeoutMs = 5000) { return waitFor(needle.toUtf8(), timeoutMs); }
    bool waitForBytes(qsizetype count, int timeoutMs = 5000);
    bool waitForDisconnect(int timeoutMs = 5000);

private:
    QTcpSocket m_socket;
    QByteArray m_received;
    QList<QByteArray> m_reads;
};

} // namespace korvane::test
