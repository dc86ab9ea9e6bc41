#pragma once

#include "HttpIntake.h"
#include "SimCommon.h"
#include "ShipTrack.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

namespace korvane::sim {

struct ShipServiceOptions {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8086;
    quint32 mmsi = 413000000;
    QString name = QStringLiteral("KORVANE TEST");
    ShipTrack track;
    double reportIntervalS = 10; // a new report this often; 0: only on "next"
    qint64 startTime = 0;        // Unix seconds of the first report; 0: now
    QString recordPath;          // every request received, raw
};

// The ship-position web service: POST /openapi/getship with the form body
// "mmsi=<MMSI>" answers the vessel's latest report as JSON, in the key
// order the station reads by markers.
class ShipService : public QObject {
    Q_OBJECT
public:
    explicit ShipService(const ShipServiceOptions &options, QObject *parent = nullptr);

    bool start(QString *error);

public Q_SLOTS:
    void control(const QString &line);

private:
    enum class Failure { Off, Close, Status500, Garbage };
    struct Report {
        qint64 time = 0;
        double latitude = 0;
        double longitude = 0;
        double knots = 0;
        double course = 0;
        double heading = 0;
        bool hasHeading = true;
        bool hasPosition = true;
    };
    struct ControlEntry {
        const char *word;
        bool (ShipService::*handler)(const QString &argument);
    };
    static const ControlEntry kControls[];

    void answer(QTcpSocket *socket, const HttpRequest &request);
    QByteArray reportJson(const QString &mmsi);
    void refreshReport();
    void publish(qint64 time);
    QString statusSummary() const;

    bool controlNext(const QString &a);
    bool controlUnknown(const QString &a);
    bool controlStale(const QString &a);
    bool controlHeading(const QString &a);
    bool controlSlow(const QString &a);
    bool controlHang(const QString &a);
    bool controlFail(const QString &a);
    bool controlPosition(const QString &a);
    bool controlCourse(const QString &a);
    bool controlSpeed(const QString &a);
    bool controlName(const QString &a);
    bool controlMmsi(const QString &a);

    ShipServiceOptions m_options;
    QTcpServer m_server;
    HttpIntake m_intake;
    ByteRecorder m_recorder;
    QElapsedTimer m_clock;
    qint64 m_trackAtMs = 0;  // when the track was last advanced
    Report m_report;
    bool m_unknown = false;
    bool m_stale = false;
    bool m_hang = false;
    int m_slowMs = 0;
    Failure m_failure = Failure::Off;
    struct Counts {
        qint64 requests = 0;
        qint64 found = 0;
        qint64 notFound = 0;
        qint64 failed = 0;
        qint64 hung = 0;
        qint64 reports = 0;
    } m_counts;
    QString m_lastMmsi;
};

} // namespace korvane::sim
