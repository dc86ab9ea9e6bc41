#pragma once

#include "AisEncoder.h"
#include "ShipTrack.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>

namespace korvane::sim {

struct AisFeedOptions {
    QString device;            // pseudo-terminal or serial device
    qint32 baud = 38400;
    double rateHz = 1.0;       // target reports per second; 0: only on request
    int type = 1;              // 1 or 18
    quint32 mmsi = 413000000;
    ShipTrack track;
    int others = 0;            // other vessels reporting in turn
    QString replayPath;        // replay these sentences instead of encoding
    qint64 count = 0;          // stop the automatic reports after this many; 0: never
    // Every n-th sentence written (0: never).
    int corruptEvery = 0;
    int splitEvery = 0;
    int joinEvery = 0;
    int garbageEvery = 0;
    int splitGapMs = 20;
    quint32 seed = 1;
};

// Writes AIVDM sentences for a moving target vessel (and, if asked, other
// vessels) to a serial device, with optional faults: wrong checksums,
// sentences split over two writes, two sentences in one write, and garbage
// between sentences.
class AisFeed : public QObject {
    Q_OBJECT
public:
    explicit AisFeed(const AisFeedOptions &options, QObject *parent = nullptr);

    bool start(QString *error);

public Q_SLOTS:
    void control(const QString &line);

private:
    struct Write {
        QByteArray bytes;
        int delayMs = 0; // quiet time before this write
    };
    struct ControlEntry {
        const char *word;
        bool (AisFeed::*handler)(const QString &argument);
    };
    static const ControlEntry kControls[];

    bool openDevice(QString *error);
    void tick();
    QByteArray targetSentence();
    QByteArray otherSentence();
    QByteArray replaySentence();
    void emitSentence(const QByteArray &sentence);
    void enqueue(const QByteArray &bytes, int delayMs = 0);
    void pump();
    QByteArray garbage(int bytes);
    void onError(QSerialPort::SerialPortError error);
    QString statusSummary() const;

    bool controlRate(const QString &a);
    bool controlEmit(const QString &a);
    bool controlEncode(const QString &a);
    bool controlSend(const QString &a);
    bool controlSendParts(const QString &a);
    bool controlGarbage(const QString &a);
    bool controlFaultEvery(const QString &a);
    bool controlHeading(const QString &a);
    bool controlCourse(const QString &a);
    bool controlSpeed(const QString &a);
    bool controlPosition(const QString &a);
    bool controlMmsi(const QString &a);
    bool controlType(const QString &a);
    bool controlReopen(const QString &a);

    AisFeedOptions m_options;
    QSerialPort m_port;
    QTimer m_timer;
    QTimer m_writeTimer;
    QElapsedTimer m_clock;
    qint64 m_lastAdvanceMs = 0;
    std::deque<Write> m_queue;
    bool m_waiting = false;
    QRandomGenerator m_random;
    QList<QByteArray> m_replay;
    qsizetype m_replayNext = 0;
    int m_otherNext = 0;
    QByteArray m_heldForJoin;
    struct Counts {
        qint64 reports = 0;    // automatic target reports
        qint64 sentences = 0;  // sentences written, every source
        qint64 corrupt = 0;
        qint64 split = 0;
        qint64 joined = 0;
        qint64 garbageBytes = 0;
        qint64 bytesOut = 0;
        qint64 writes = 0;
    } m_counts;
};

} // namespace korvane::sim
