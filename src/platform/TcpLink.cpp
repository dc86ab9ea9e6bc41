#include "platform/TcpLink.h"

#include <QTcpSocket>

namespace korvane {

namespace {
// What one data event hands over at most. A peer that sends faster than the
// station reads is held back by TCP itself, so a flood costs neither memory
// nor a long stall of the event loop in one handler.
constexpr qint64 kReadBufferBytes = 64 * 1024;
} // namespace

QString socketErrorReason(int code, const QString &description)
{
    switch (static_cast<QAbstractSocket::SocketError>(code)) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("连接被拒绝");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("连接被对方关闭");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("找不到主机");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("连接超时");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("网络不可达");
    default:
        break;
    }
    return description.isEmpty() ? QStringLiteral("网络错误") : description;
}

TcpLink::TcpLink(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{
}

TcpLink::~TcpLink()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

int TcpLink::State() const
{
    if (m_error)
        return Error;
    if (!m_socket)
        return Closed;
    switch (m_socket->state()) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        return Connecting;
    case QAbstractSocket::ConnectedState:
        return Connected;
    default:
        return Closed;
    }
}

void TcpLink::attachSocket()
{
    // A fresh socket per connect: an old socket's late signals can never
    // reach the new connection's handlers.
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
    }
    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        Q_EMIT stateChanged(Connected);
        Q_EMIT connected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        if (m_socket)
            Q_EMIT dataArrival(m_socket->bytesAvailable());
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        // The peer closing an open connection is an orderly end, not an error.
        if (e == QAbstractSocket::RemoteHostClosedError) {
            Q_EMIT stateChanged(State());
            end(socketErrorReason(e, QString()));
            return;
        }
        setErrorState(static_cast<int>(e), m_socket ? m_socket->errorString() : QString());
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        Q_EMIT stateChanged(State());
        end(socketErrorReason(QAbstractSocket::RemoteHostClosedError, QString()));
    });
}

void TcpLink::end(const QString &reason)
{
    if (m_ended)
        return;
    m_ended = true;
    Q_EMIT ended(reason);
}

void TcpLink::setErrorState(int code, const QString &description)
{
    m_error = true;
    Q_EMIT stateChanged(Error);
    Q_EMIT errorOccurred(code, description);
    end(socketErrorReason(code, description));
}

bool TcpLink::Connect()
{
    const int state = State();
    if (state == Connecting || state == Connected)
        return false;
    if (RemotePort < 0 || RemotePort > 65535)
        return false;
    m_error = false;
    m_ended = false;
    attachSocket();
    m_socket->connectToHost(RemoteHost, static_cast<quint16>(RemotePort));
    Q_EMIT stateChanged(State());
    return true;
}

void TcpLink::Close(const QString &reason)
{
    const bool wasOpen = m_error || (m_socket && m_socket->state() != QAbstractSocket::UnconnectedState);
    const bool wasConnecting = State() == Connecting;
    m_error = false;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    if (wasOpen)
        Q_EMIT stateChanged(Closed);
    if (wasConnecting)
        end(QStringLiteral("连接超时"));
    else
        end(reason);
}

bool TcpLink::SendData(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
    if (!SendBytes(bytes))
        return false;
    emit textSent(bytes);
    return true;
}

bool TcpLink::SendBytes(const QByteArray &bytes)
{
    if (State() != Connected)
        return false;
    return m_socket->write(bytes) == bytes.size();
}

void TcpLink::flush()
{
    if (State() == Connected)
        m_socket->flush();
}

QByteArray TcpLink::GetData()
{
    if (!m_socket)
        return {};
    return m_socket->readAll();
}

qint64 TcpLink::bytesAvailable() const
{
    return m_socket ? m_socket->bytesAvailable() : 0;
}

} // namespace korvane
