#pragma once

#include "HttpIntake.h"
#include "SimCommon.h"

#include <QFile>
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

    bool start(QString *error);
    // One control line from the tester (stdin).
    void control(const QString &line);

private:
    // A head longer than this is not a station's report; it is answered 431.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;

    void handleRequest(QTcpSocket *socket, const QByteArray &head);
    void answer(QTcpSocket *socket, int status);
    bool setRefuse(bool refuse, QString *error);
    QString statusSummary() const;

    CloudOptions m_options;
    QTcpServer m_server;
    quint16 m_port = 0;
    QFile m_reports;
    HttpIntake m_intake{m_server, kMaxHeadBytes};
    struct Counts {
        qint64 requests = 0;
        qint64 reports = 0;
        qint64 answered = 0;
    } m_counts;
};

} // namespace korvane::sim
