#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace korvane {

// A TCP client with the station's socket vocabulary: State 0 closed,
// 6 connecting, 7 connected, 9 error (held until Close or Connect).
// Operations that are invalid in the current state return false and do
// nothing, so a handler step can be skipped without an exception.
class TcpLink : public QObject {
    Q_OBJECT
public:
    enum StateCode : int { Closed = 0, Connecting = 6, Connected = 7, Error = 9 };

    explicit TcpLink(const QString &name, QObject *parent = nullptr);
    ~TcpLink() override;

    const QString &name() const { return m_name; }

    QString RemoteHost;
    qint32 RemotePort = 0;

    int State() const;

    // Starts an asynchronous connect to RemoteHost:RemotePort. Refused
    // (false) while connecting or connected.
    bool Connect();
    void Close();
    // Sends the text as single-byte characters (commands are ASCII; any
    // other character goes out as '?'). False when not connected.
    bool SendData(const QString &text);
    bool SendBytes(const QByteArray &bytes);
    // Everything received and not yet read.
    QByteArray GetData();
    qint64 bytesAvailable() const;

Q_SIGNALS:
    void connected();
    void dataArrival(qint64 bytesTotal);
    void errorOccurred(int code, const QString &description);
    void stateChanged(int state);
    // A text went out through SendData (as the bytes sent): a peer that
    // echoes will send it back.
    void textSent(const QByteArray &bytes);

private:
    void attachSocket();
    void setErrorState(int code, const QString &description);

    QString m_name;
    QTcpSocket *m_socket = nullptr;
    bool m_error = false;
};

} // namespace korvane
