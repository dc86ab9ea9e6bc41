#include "CloudSim.h"

#include "CloudReport.h"
#include "Garbage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>
#include <QTcpSocket>

namespace korvane::sim {

namespace {
constexpr qint64 kGarbageAnswerBytes = 2048;

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }
} // namespace

CloudSim::CloudSim(const CloudOptions &options, QObject *parent)
    : QObject(parent), m_options(options)
{
    connect(&m_intake, &HttpIntake::request, this,
            [this](QTcpSocket *socket, const HttpRequest &request) { handleRequest(socket, request.head); });
    connect(&m_intake, &HttpIntake::tooLarge, this, [this](QTcpSocket *socket) {
        if (!m_options.hang)
            answer(socket, 431);
    });
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
    m_intake.release(socket);
    socket->write(m_options.garbage ? garbageBytes(kGarbageAnswerBytes) : httpAnswer(status));
    socket->disconnectFromHost(); // after the answer has gone out
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
        m_intake.dropAll();
        ok = true;
    }
    printLine((ok ? QStringLiteral("ok ") : QStringLiteral("error ")) + line
              + (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
}

QString CloudSim::statusSummary() const
{
    return QStringLiteral("status connections=%1 requests=%2 reports=%3 answered=%4 open=%5 refuse=%6 hang=%7 code=%8")
        .arg(m_intake.connections())
        .arg(m_counts.requests)
        .arg(m_counts.reports)
        .arg(m_counts.answered)
        .arg(m_intake.unanswered())
        .arg(onOff(m_options.refuse), onOff(m_options.hang))
        .arg(m_options.status);
}

} // namespace korvane::sim
