#pragma once

#include "HttpIntake.h"
#include "SimCommon.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <utility>

namespace korvane::sim {

struct CpeOptions {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8088;
    QString status = QStringLiteral("REG_HOME");
    qint64 rxStart = 1048576;  // the counters of the first answer
    qint64 txStart = 262144;
    qint64 rxStep = 2621440;   // added per answer: 10 Mbit/s over two seconds
    qint64 txStep = 655360;    // 2.5 Mbit/s
};

// A 5G CPE's web interface: GET /cgi-bin/5g answers the link figures as
// one flat JSON object, byte counters growing with every answer. The
// registration status, every value and the faults are set by control lines.
class CpeSim : public QObject {
    Q_OBJECT
public:
    explicit CpeSim(const CpeOptions &options, QObject *parent = nullptr);

    bool start(QString *error);

public Q_SLOTS:
    void control(const QString &line);

private:
    enum class Mode { Ok, Slow, Error500, Silent, Close };
    struct Field {
        QString key;
        QString value;
        bool quoted;
    };

    void answer(QTcpSocket *socket, const HttpRequest &request);
    void respond(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &body,
                 const QByteArray &contentType);
    QByteArray replyBody();
    QString statusSummary() const;
    bool setMode(const QString &argument);
    bool setField(const QString &argument);
    bool setBody(const QString &argument);

    CpeOptions m_options;
    QTcpServer m_server;
    HttpIntake m_intake;
    QList<Field> m_fields; // in reply order
    QString m_body;        // a fixed body instead of the object; empty: none
    Mode m_mode = Mode::Ok;
    int m_slowMs = 0;
    qint64 m_requests = 0;
    qint64 m_answered = 0;
    QByteArray m_lastPath;
    QByteArray m_userAgent;
};

} // namespace korvane::sim
