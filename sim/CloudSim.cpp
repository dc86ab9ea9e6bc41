#include "CloudSim.h"

#include "CloudReport.h"
#include "Garbage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>
#include <QTcpSocket>

namespace korvane::sim {

namespace {
// A head longer than this is not a station's report; it is answered 431.
constexpr qsizetype kMaxHeadBytes = 64 * 1024;
constexpr qint64 kGarbageAnswerBytes = 2048;
const QByteArray kHeadEnd = QByteArrayLiteral("\r\n\r\n");

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }
} // namespace

CloudSim::CloudSim(const CloudOptions &options, QObject *parent)
    : QObject(parent), m_options(options)
{
    connect(&m_server, &QTcpServer::newConnection, this, &CloudSim::acceptPending);
}

CloudSim::~CloudSim()
{
    // The sockets die with the server, after this object's members; they
    // must not call back on their way out.
    for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
        socket->disconnect(this);
}

bool CloudSim::start(QString *error)
{
    if (!m_options.reportsPath.isEmpty()) {
        m_reports.setFileName(m_options.reportsPath);
        if (!m_reports.open(QIODevice::WriteOnly | QIODevice::Append)) {
            *error = QStringLiteral("cannot open %1: %2").arg(m_options.reportsPath, m_reports.errorString());
            return false;
        }
    }
    if (!listenAndAnnounce(m_server, m_options.host, m_options.port, QStringLiteral("cloud"), error))
        return false;
    m_port = m_server.serverPort();
    return !m_options.refuse || setRefuse(true, error);
}

void CloudSim::acceptPending()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_counts.connections;
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { received(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void CloudSim::received(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    const auto it = m_buffers.find(socket);
    if (it == m_buffers.end())
        return; // answered already; the rest is not read
    it.value() += bytes;
    for (;;) {
        QByteArray &buffer = m_buffers[socket];
        const qsizetype end = buffer.indexOf(kHeadEnd);
        if (end < 0) {
            if (buffer.size() > kMaxHeadBytes) {
                buffer.clear();
                if (!m_options.hang)
                    answer(socket, 431);
            }
            return;
        }
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + kHeadEnd.size());
        handleRequest(socket, head);
        if (!m_buffers.contains(socket))
            return;
    }
}

void CloudSim::handleRequest(QTcpSocket *socket, const QByteArray &head)
{
    ++m_counts.requests;
    const auto request = parseRequestHead(head);
    if (!request) {
        if (!m_options.hang)
            answer(socket, 400);
        return;
    }
    const auto query = shipQuery(request->target);
    if (request->method != "GET" || !query) {
        if (!m_options.hang)
            answer(socket, 404);
        return;
    }
    ++m_counts.reports;
    ReportRecord record;
    record.at = QDateTime::currentDateTime();
    record.peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
    record.host = request->host;
    record.rawQuery = *query;
    record.answered = m_options.hang ? 0 : m_options.status;
    if (m_reports.isOpen()) {
        m_reports.write(reportJsonLine(record) + '\n');
        m_reports.flush();
    }
    if (!m_options.hang)
        answer(socket, m_options.status);
}

void CloudSim::answer(QTcpSocket *socket, int status)
{
    ++m_counts.answered;
    m_buffers.remove(socket);
    socket->write(m_options.garbage ? garbageBytes(kGarbageAnswerBytes) : httpAnswer(status));
    socket->disconnectFromHost(); // after the answer has gone out
}

void CloudSim::dropAll()
{
    const QList<QTcpSocket *> sockets = m_buffers.keys();
    m_buffers.clear();
    for (QTcpSocket *socket : sockets)
        socket->abort();
}

bool CloudSim::setRefuse(bool refuse, QString *error)
{
    m_options.refuse = refuse;
    if (refuse) {
        m_server.close();
        return true;
    }
    if (m_server.isListening())
        return true;
    if (m_server.listen(QHostAddress(m_options.host), m_port))
        return true;
    *error = QStringLiteral("cannot listen on %1:%2 again: %3").arg(m_options.host).arg(m_port).arg(m_server.errorString());
    return false;
}

void CloudSim::control(const QString &line)
{
    const QString word = line.section(u' ', 0, 0);
    const QString argument = line.section(u' ', 1).trimmed();
    if (word.isEmpty())
        return;
    if (word == QLatin1String("status") && argument.isEmpty()) {
        printLine(statusSummary());
        return;
    }
    if (word == QLatin1String("quit")) {
        printLine(QStringLiteral("ok quit"));
        QCoreApplication::quit();
        return;
    }
    bool ok = false;
    QString error;
    if (word == QLatin1String("refuse")) {
        bool refuse = false;
        ok = readSwitch(argument, refuse) && setRefuse(refuse, &error);
    } else if (word == QLatin1String("hang")) {
        ok = readSwitch(argument, m_options.hang);
    } else if (word == QLatin1String("garbage")) {
        ok = readSwitch(argument, m_options.garbage);
    } else if (word == QLatin1String("status")) {
        const int status = argument.toInt(&ok);
        ok = ok && status >= 100 && status <= 599;
        if (ok)
            m_options.status = status;
    } else if (word == QLatin1String("drop")) {
        dropAll();
        ok = true;
    }
    printLine((ok ? QStringLiteral("ok ") : QStringLiteral("error ")) + line
              + (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
}

QString CloudSim::statusSummary() const
{
    return QStringLiteral("status connections=%1 requests=%2 reports=%3 answered=%4 open=%5 refuse=%6 hang=%7 code=%8")
        .arg(m_counts.connections)
        .arg(m_counts.requests)
        .arg(m_counts.reports)
        .arg(m_counts.answered)
        .arg(m_buffers.size())
        .arg(onOff(m_options.refuse), onOff(m_options.hang))
        .arg(m_options.status);
}

} // namespace korvane::sim
