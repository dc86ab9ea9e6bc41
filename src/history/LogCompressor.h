#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace korvane {
class Clock;
}

namespace korvane::history {

class GzipStream;

// Compresses the closed daily logs with gzip (RFC 1952; zcat and zless read
// them) in small steps between other events, so a day of the board's status
// text (some 30 MB) never holds up the loop. A log is closed once its date is
// before today's. The result is
// <name>.log.gz, written beside as .gz.part and renamed when whole; if a
// .gz of that name is there already (the clock was set back into a day that
// was compressed), the new part is added to it as a further gzip member.
class LogCompressor : public QObject {
    Q_OBJECT
public:
    // Bytes of log read and compressed per step (a few ms).
    static constexpr qint64 kStepBytes = 256 * 1024;
    static constexpr int kStepGapMs = 10;

    LogCompressor(const Clock &clock, const QString &folder, const QString &programName, QObject *parent = nullptr);
    ~LogCompressor() override;

    // Looks for closed logs and works through them; a call while busy does
    // nothing.
    void start();
    bool busy() const { return m_timer.isActive() || m_source.isOpen(); }
    // Runs every step now (tests and tools; the station uses start()).
    void runAll();

Q_SIGNALS:
    void compressed(const QString &gzipPath);
    void failed(const QString &path, const QString &reason);

private:
    bool step();
    bool next();
    bool finish();
    void abandon(const QString &reason);

    const Clock &m_clock;
    QString m_folder;
    QString m_programName;
    QTimer m_timer;
    QStringList m_queue;
    QFile m_source;
    QFile m_part;
    std::unique_ptr<GzipStream> m_gzip;
};

} // namespace korvane::history
