#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

// A loopback relay between the station and the board that learns the shapes
// of the lines the board sends (numbers folded to "#"), so that a log line
// can be told to be the board's own text, however its figures change.
class BoardTap : public QObject {
public:
    explicit BoardTap(quint16 boardPort) : m_boardPort(boardPort)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    quint16 port() const { return m_server.serverPort(); }

    static QString shape(const QString &line)
    {
        static const QRegularExpression number(QStringLiteral("[-+]?\\d+(\\.\\d+)?"));
        return QString(line).replace(number, QStringLiteral("#")).trimmed();
    }

    // True when the line, or its start, has the shape of a line the board
    // sent: the station logs the board's lines, some with its own figures
    // added at the end.
    bool fromBoard(const QString &line) const
    {
        const QString s = shape(line);
        for (const QString &known : m_shapes) {
            if (known.size() >= kShortestShape && s.startsWith(known))
                return true;
        }
        return false;
    }

private:
    // A shorter shape ("#", "OK") would claim lines of any source.
    static constexpr qsizetype kShortestShape = 3;

    void accept()
    {
        while (QTcpSocket *station = m_server.nextPendingConnection()) {
            auto *board = new QTcpSocket(station);
            QObject::connect(station, &QTcpSocket::readyRead, board, [station, board] {
                board->write(station->readAll());
            });
            QObject::connect(board, &QTcpSocket::readyRead, station, [this, station, board] {
                const QByteArray bytes = board->readAll();
                learn(bytes);
                station->write(bytes);
            });
            QObject::connect(board, &QTcpSocket::disconnected, station, &QTcpSocket::disconnectFromHost);
            QObject::connect(station, &QTcpSocket::disconnected, station, &QObject::deleteLater);
            board->connectToHost(QHostAddress::LocalHost, m_boardPort);
        }
    }

    void learn(const QByteArray &bytes)
    {
        m_partial += bytes;
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            m_shapes.insert(shape(QString::fromUtf8(m_partial.left(end)).remove(u'\r')));
            m_partial.remove(0, end + 1);
        }
    }

    quint16 m_boardPort;
    QTcpServer m_server;
    QByteArray m_partial;
    QSet<QString> m_shapes;
};
