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
    // `reason` says why, for the ended signal, when the station closes an
    // open link because it failed; none: a deliberate close (the operator's
    // reconnect, the end). Closing a link still connecting is a time-out.
    void Close(const QString &reason = QString());
    // Sends the text as single-byte characters (commands are ASCII; any
    // other character goes out as '?'). False when not connected.
    bool SendData(const QString &text);
    bool SendBytes(const QByteArray &bytes);
    // Hands what is waiting to the system now, without waiting: the last
    // command before the program ends must not stay in our buffer.
    void flush();
    // Everything received and not yet read.
    QByteArray GetData();
    qint64 bytesAvailable() const;

Q_SIGNALS:
    void connected();
    void dataArrival(qint64 bytesTotal);
    void errorOccurred(int code, const QString &description);
    void stateChanged(int state);
    // A connection or an attempt at one ended, and why in the crew's words
    // ("连接被拒绝", "连接被对方关闭", "连接超时" ...); empty when the station
    // closed it on purpose. Once per connect.
    void ended(const QString &reason);
    // A text went out through SendData (as the bytes sent): a peer that
    // echoes will send it back.
    void textSent(const QByteArray &bytes);

private:
    void attachSocket();
    void setErrorState(int code, const QString &description);
    void end(const QString &reason);

    QString m_name;
    QTcpSocket *m_socket = nullptr;
    bool m_error = false;
    bool m_ended = true; // no connect since the last end
};

// What a socket error means, in the crew's words; the socket's own text
// for the rare ones.
QString socketErrorReason(int code, const QString &description);

} // namespace korvane
