#include "AisFeed.h"

#include "ShipTrackControl.h"
#include "SimCommon.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace korvane::sim {

namespace {

constexpr quint32 kOtherMmsiBase = 412000001;
constexpr int kGarbageMin = 6;
constexpr int kGarbageMax = 24;

} // namespace

const AisFeed::ControlEntry AisFeed::kControls[] = {
    {"rate", &AisFeed::controlRate},
    {"emit", &AisFeed::controlEmit},
    {"encode", &AisFeed::controlEncode},
    {"send", &AisFeed::controlSend},
    {"send-parts", &AisFeed::controlSendParts},
    {"garbage", &AisFeed::controlGarbage},
    {"faults", &AisFeed::controlFaultEvery},
    {"heading", &AisFeed::controlHeading},
    {"course", &AisFeed::controlCourse},
    {"speed", &AisFeed::controlSpeed},
    {"position", &AisFeed::controlPosition},
    {"mmsi", &AisFeed::controlMmsi},
    {"type", &AisFeed::controlType},
    {"reopen", &AisFeed::controlReopen},
};

AisFeed::AisFeed(const AisFeedOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_random(options.seed)
{
    connect(&m_timer, &QTimer::timeout, this, &AisFeed::tick);
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_writeTimer, &QTimer::timeout, this, [this] {
        m_waiting = false;
        pump();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &AisFeed::onError);
}

bool AisFeed::openDevice(QString *error)
{
    if (m_port.isOpen())
        m_port.close();
    // A relative path is a file here, not a name under /dev.
    const QFileInfo file(m_options.device);
    m_port.setPortName(file.exists() && !file.isAbsolute() ? file.absoluteFilePath() : m_options.device);
    if (!m_port.open(QIODevice::WriteOnly) || !m_port.setBaudRate(m_options.baud)
        || !m_port.setDataBits(QSerialPort::Data8) || !m_port.setParity(QSerialPort::NoParity)
        || !m_port.setStopBits(QSerialPort::OneStop) || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        *error = QStringLiteral("cannot open %1: %2").arg(m_options.device, m_port.errorString());
        m_port.close();
        return false;
    }
    return true;
}

bool AisFeed::start(QString *error)
{
    if (!m_options.replayPath.isEmpty()) {
        QFile file(m_options.replayPath);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(m_options.replayPath, file.errorString());
            return false;
        }
        for (const QByteArray &raw : file.readAll().split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.startsWith('!') && (line.contains("VDM,") || line.contains("VDO,")))
                m_replay.append(line);
        }
        if (m_replay.isEmpty()) {
            *error = QStringLiteral("%1 holds no AIVDM sentence").arg(m_options.replayPath);
            return false;
        }
    }
    if (!openDevice(error))
        return false;
    printLine(QStringLiteral("korvane-sim ais-feed writing to %1 at %2 baud").arg(m_options.device).arg(m_options.baud));
    m_clock.start();
    controlRate(QString::number(m_options.rateHz));
    return true;
}

void AisFeed::tick()
{
    if (m_options.count > 0 && m_counts.reports >= m_options.count) {
        m_timer.stop();
        return;
    }
    const qint64 now = m_clock.elapsed();
    m_options.track.advance((now - m_lastAdvanceMs) / 1000.0);
    m_lastAdvanceMs = now;
    ++m_counts.reports;
    emitSentence(m_replay.isEmpty() ? targetSentence() : replaySentence());
    if (m_options.others > 0 && m_replay.isEmpty())
        emitSentence(otherSentence());
}

QByteArray AisFeed::targetSentence()
{
    const ShipTrack &t = m_options.track;
    AisPositionReport r;
    r.type = m_options.type;
    r.mmsi = m_options.mmsi;
    r.latitude = t.latitude;
    r.longitude = t.longitude;
    r.speedKnots = t.speedKnots;
    r.courseDegrees = t.courseDegrees;
    r.heading = t.hasHeading ? static_cast<int>(std::lround(t.heading())) % 360 : 511;
    r.second = QDateTime::currentDateTimeUtc().time().second();
    return aivdmSentence(aisPayload(r));
}

QByteArray AisFeed::otherSentence()
{
    const int k = m_otherNext;
    m_otherNext = (m_otherNext + 1) % m_options.others;
    AisPositionReport r;
    r.mmsi = kOtherMmsiBase + static_cast<quint32>(k);
    r.latitude = m_options.track.latitude + 0.05 * (k + 1);
    r.longitude = m_options.track.longitude - 0.05 * (k + 1);
    r.heading = (37 * (k + 1)) % 360;
    r.courseDegrees = r.heading;
    r.speedKnots = 8.0 + k;
    return aivdmSentence(aisPayload(r), k % 2 ? 'B' : 'A');
}

QByteArray AisFeed::replaySentence()
{
    const QByteArray s = m_replay.at(m_replayNext);
    m_replayNext = (m_replayNext + 1) % m_replay.size();
    return s;
}

// One sentence with the periodic faults applied.
void AisFeed::emitSentence(const QByteArray &sentence)
{
    const qint64 k = ++m_counts.sentences;
    auto due = [k](int every) { return every > 0 && k % every == 0; };
    QByteArray bytes = sentence;
    if (due(m_options.corruptEvery)) {
        bytes = corruptChecksum(bytes);
        ++m_counts.corrupt;
    }
    bytes += "\r\n";
    if (due(m_options.garbageEvery))
        bytes.prepend(garbage(static_cast<int>(m_random.bounded(kGarbageMin, kGarbageMax + 1))));
    if (due(m_options.joinEvery) && m_heldForJoin.isEmpty()) {
        m_heldForJoin = bytes; // goes out with the next sentence, in one write
        return;
    }
    if (!m_heldForJoin.isEmpty()) {
        bytes.prepend(m_heldForJoin);
        m_heldForJoin.clear();
        ++m_counts.joined;
    }
    if (due(m_options.splitEvery)) {
        const qsizetype cut = bytes.size() / 2;
        enqueue(bytes.left(cut));
        enqueue(bytes.mid(cut), m_options.splitGapMs);
        ++m_counts.split;
        return;
    }
    enqueue(bytes);
}

QByteArray AisFeed::garbage(int bytes)
{
    QByteArray out(bytes, '\0');
    for (char &c : out)
        c = static_cast<char>(m_random.bounded(256));
    m_counts.garbageBytes += bytes;
    return out;
}

void AisFeed::enqueue(const QByteArray &bytes, int delayMs)
{
    m_queue.push_back({bytes, delayMs});
    pump();
}

// Writes in order; a write with a quiet time before it holds the later ones.
void AisFeed::pump()
{
    while (!m_waiting && !m_queue.empty()) {
        Write &next = m_queue.front();
        if (next.delayMs > 0) {
            m_waiting = true;
            m_writeTimer.start(next.delayMs);
            next.delayMs = 0;
            return;
        }
        if (m_port.isOpen()) {
            m_port.write(next.bytes);
            m_port.flush();
            m_counts.bytesOut += next.bytes.size();
            ++m_counts.writes;
        }
        m_queue.pop_front();
    }
}

void AisFeed::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen())
        return;
    printError(QStringLiteral("korvane-sim ais-feed: device lost: %1").arg(m_port.errorString()));
    m_port.close();
}

void AisFeed::control(const QString &line)
{
    answerControlLine(
        line, [this] { return statusSummary(); },
        [this](const QString &word, const QString &argument) { return runControlEntry(this, kControls, word, argument); });
}

QString AisFeed::statusSummary() const
{
    const ShipTrack &t = m_options.track;
    return QStringLiteral("status open=%1 reports=%2 sentences=%3 corrupt=%4 split=%5 joined=%6 garbage_bytes=%7 "
                          "bytes_out=%8 writes=%9")
               .arg(m_port.isOpen() ? QStringLiteral("on") : QStringLiteral("off"))
               .arg(m_counts.reports)
               .arg(m_counts.sentences)
               .arg(m_counts.corrupt)
               .arg(m_counts.split)
               .arg(m_counts.joined)
               .arg(m_counts.garbageBytes)
               .arg(m_counts.bytesOut)
               .arg(m_counts.writes)
           + QStringLiteral(" mmsi=%1 lat=%2 lon=%3 course=%4 heading=%5 speed=%6")
                 .arg(m_options.mmsi)
                 .arg(t.latitude, 0, 'f', 6)
                 .arg(t.longitude, 0, 'f', 6)
                 .arg(t.courseDegrees, 0, 'f', 1)
                 .arg(t.hasHeading ? QString::number(std::lround(t.heading()) % 360) : QStringLiteral("none"))
                 .arg(t.speedKnots, 0, 'f', 1);
}

bool AisFeed::controlRate(const QString &a)
{
    double hz = 0;
    if (!parseNumber(a, hz) || hz < 0 || hz > 10000)
        return false;
    m_options.rateHz = hz;
    if (hz == 0) {
        m_timer.stop();
        return true;
    }
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.start(std::max(1, static_cast<int>(std::lround(1000.0 / hz))));
    return true;
}

bool AisFeed::controlEmit(const QString &a)
{
    double n = 1;
    if (!a.isEmpty() && (!parseNumber(a, n) || n < 1 || n > 100000))
        return false;
    for (int i = 0; i < static_cast<int>(n); ++i)
        emitSentence(m_replay.isEmpty() ? targetSentence() : replaySentence());
    return true;
}

// encode mmsi=N heading=H lat=X lon=Y [type=18] [speed=K] [course=C]:
// prints "sentence <text>" and writes nothing.
bool AisFeed::controlEncode(const QString &a)
{
    AisPositionReport r;
    r.type = m_options.type;
    r.mmsi = m_options.mmsi;
    r.latitude = m_options.track.latitude;
    r.longitude = m_options.track.longitude;
    r.speedKnots = m_options.track.speedKnots;
    r.courseDegrees = m_options.track.courseDegrees;
    r.heading = static_cast<int>(std::lround(m_options.track.heading())) % 360;
    for (const QString &pair : a.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0);
        double v = 0;
        if (!parseNumber(pair.section(u'=', 1), v))
            return false;
        if (key == QLatin1String("mmsi") && v >= 0 && v < (1 << 30))
            r.mmsi = static_cast<quint32>(v);
        else if (key == QLatin1String("heading") && v >= 0 && v <= 511)
            r.heading = static_cast<int>(v);
        else if (key == QLatin1String("lat") && std::abs(v) <= 90)
            r.latitude = v;
        else if (key == QLatin1String("lon") && std::abs(v) <= 180)
            r.longitude = v;
        else if (key == QLatin1String("type") && (v == 1 || v == 2 || v == 3 || v == 18))
            r.type = static_cast<int>(v);
        else if (key == QLatin1String("speed") && v >= 0)
            r.speedKnots = v;
        else if (key == QLatin1String("course"))
            r.courseDegrees = v;
        else
            return false;
    }
    printLine(QStringLiteral("sentence ") + QString::fromLatin1(aivdmSentence(aisPayload(r))));
    return true;
}

bool AisFeed::controlSend(const QString &a)
{
    if (a.isEmpty())
        return false;
    enqueue(unescapeControlText(a).toUtf8());
    return true;
}

// send-parts MS A|B|C: the parts as separate writes, MS milliseconds apart.
bool AisFeed::controlSendParts(const QString &a)
{
    double gap = 0;
    const QString text = a.section(u' ', 1);
    if (!parseNumber(a.section(u' ', 0, 0), gap) || gap < 0 || gap > 60000 || text.isEmpty())
        return false;
    bool first = true;
    for (const QString &part : text.split(u'|')) {
        enqueue(unescapeControlText(part).toUtf8(), first ? 0 : static_cast<int>(gap));
        first = false;
    }
    return true;
}

bool AisFeed::controlGarbage(const QString &a)
{
    double n = 0;
    if (!parseNumber(a, n) || n < 1 || n > 1000000)
        return false;
    enqueue(garbage(static_cast<int>(n)));
    return true;
}

// faults corrupt=N split=N join=N garbage=N gap=MS: every N-th sentence (0: never).
bool AisFeed::controlFaultEvery(const QString &a)
{
    for (const QString &pair : a.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0);
        double v = 0;
        if (!parseNumber(pair.section(u'=', 1), v) || v < 0 || v > 1000000)
            return false;
        const int n = static_cast<int>(v);
        if (key == QLatin1String("corrupt"))
            m_options.corruptEvery = n;
        else if (key == QLatin1String("split"))
            m_options.splitEvery = n;
        else if (key == QLatin1String("join"))
            m_options.joinEvery = n;
        else if (key == QLatin1String("garbage"))
            m_options.garbageEvery = n;
        else if (key == QLatin1String("gap"))
            m_options.splitGapMs = n;
        else
            return false;
    }
    return true;
}

bool AisFeed::controlHeading(const QString &a) { return setTrackHeading(m_options.track, a); }
bool AisFeed::controlCourse(const QString &a) { return setTrackCourse(m_options.track, a, false); }
bool AisFeed::controlSpeed(const QString &a) { return setTrackSpeed(m_options.track, a); }
bool AisFeed::controlPosition(const QString &a) { return setTrackPosition(m_options.track, a); }

bool AisFeed::controlMmsi(const QString &a)
{
    bool ok = false;
    const quint32 mmsi = a.toUInt(&ok);
    if (!ok || mmsi >= (1u << 30))
        return false;
    m_options.mmsi = mmsi;
    return true;
}

bool AisFeed::controlType(const QString &a)
{
    if (a != QLatin1String("1") && a != QLatin1String("18"))
        return false;
    m_options.type = a.toInt();
    return true;
}

bool AisFeed::controlReopen(const QString &)
{
    QString error;
    if (!openDevice(&error)) {
        printError(QStringLiteral("korvane-sim ais-feed: ") + error);
        return false;
    }
    return true;
}

} // namespace korvane::sim
