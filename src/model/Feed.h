#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

namespace korvane {

class Clock;
class Control;

// One peer's readings and the display fields they feed. The fields turn
// stale when the peer has given no reading for `staleAfterMs` (three of its
// periods, say), or at once when its link is lost; the next reading makes
// them fresh again. Ages run on the monotonic clock, so a clock set by hand
// neither hides nor invents an outage.
class Feed : public QObject {
    Q_OBJECT
public:
    Feed(const QString &name, QObject *parent);

    const QString &name() const { return m_name; }
    void setFields(const QList<Control *> &fields) { m_fields = fields; }
    const QList<Control *> &fields() const { return m_fields; }
    void setStaleAfter(qint64 ms) { m_staleAfterMs = ms; }
    qint64 staleAfter() const { return m_staleAfterMs; }
    // Why the fields are stale when only silence says so.
    void setSilenceReason(const QString &reason) { m_silenceReason = reason; }
    // Where the read time of a field comes from (wall time, for its age text).
    void setClock(const Clock *clock) { m_clock = clock; }

    // The link was closed on purpose: stale at once, with no reason (no
    // loss to report).
    void closed();
    // A reading came: every field is fresh and read now.
    void reading();
    // The link is gone: stale at once, for this reason.
    void lost(const QString &reason);
    // Stale once no reading came for staleAfter; call it often (each second).
    void check();

    bool stale() const { return m_stale; }
    bool everRead() const { return m_everRead; }
    // Since the last reading (or since the start, before the first), ms.
    qint64 silentMs() const { return m_since.elapsed(); }
    const QString &reason() const { return m_reason; }

Q_SIGNALS:
    // `bySilence`: no reading came in time (else the link said it is gone).
    void turnedStale(const QString &reason, bool bySilence);
    // Fresh again, or the very first reading.
    void refreshed();

private:
    void setStale(bool stale, const QString &reason, bool bySilence);

    QString m_name;
    QList<Control *> m_fields;
    qint64 m_staleAfterMs = 6000;
    QString m_silenceReason = QStringLiteral("无应答");
    const Clock *m_clock = nullptr;
    QElapsedTimer m_since;
    bool m_stale = false;
    bool m_everRead = false;
    QString m_reason;
};

} // namespace korvane
