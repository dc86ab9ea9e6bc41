#pragma once

#include "SimCommon.h"

#include <QFile>
#include <QHash>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

namespace korvane::sim {

struct CloudOptions {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8080;
    QString reportsPath;
    bool refuse = false;
    bool hang = false;
    bool garbage = false;
    int status = 200;
};

// The simulated cloud server: an HTTP/1.1 listener that takes the station's
// GET /ship/?… reports, keeps each one (decoded) as a JSON line, and answers
// "200 OK" unless told to fail.
//
// Faults: "refuse" stops listening, so the system refuses every connection
// (the port is taken again when refusing ends); "status N" answers every
// request with status N; "hang" accepts and reads but never answers;
// "garbage" answers with random bytes instead of HTTP.
class CloudSim : public QObject {
    Q_OBJECT
public:
    explicit CloudSim(const CloudOptions &options, QObject *parent = nullptr);
    ~CloudSim() override;

    bool start(QString *error);
    // One control line from the tester (stdin).
    void control(const QString &line);

private:
    void acceptPending();
    void received(QTcpSocket *socket);
    void handleRequest(QTcpSocket *socket, const QByteArray &head);
    void answer(QTcpSocket *socket, int status);
    void dropAll();
    bool setRefuse(bool refuse, QString *error);
    QString statusSummary() const;

    CloudOptions m_options;
    QTcpServer m_server;
    quint16 m_port = 0;
    QFile m_reports;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    struct Counts {
        qint64 connections = 0;
        qint64 requests = 0;
        qint64 reports = 0;
        qint64 answered = 0;
    } m_counts;
};

} // namespace korvane::sim
