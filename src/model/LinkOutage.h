#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

namespace korvane {

// One link's ups and downs as events: the first loss says which link and
// why, the return says how long it was gone; repeated reports of the same
// state say nothing, so a flapping peer costs one line per change.
class LinkOutage : public QObject {
    Q_OBJECT
public:
    // `name` as the crew calls the link: "控制板", "微波", "云平台" ...
    LinkOutage(const QString &name, QObject *parent);
    // A link with its own words for loss and return ("信号丢失", "信号恢复").
    LinkOutage(const QString &name, const QString &lostWord, const QString &backWord, QObject *parent);

    enum class State { Unknown, Up, Down };

    const QString &name() const { return m_name; }
    State state() const { return m_state; }
    bool down() const { return m_state == State::Down; }
    const QString &reason() const { return m_reason; }
    const QDateTime &since() const { return m_sinceWall; }
    // How long the link has been down, ms; 0 while it is not.
    qint64 downForMs() const { return m_state == State::Down ? m_clock.elapsed() - m_downAtMs : 0; }

    // `now` is wall time for the texts; lengths run on the monotonic clock.
    // `goneForMs`: the link was in fact gone that long already (silence is
    // noticed only after a while).
    void lost(const QString &reason, const QDateTime &now, qint64 goneForMs = 0);
    void back(const QDateTime &now);
    // Neither up nor down any more (the link was switched off or unset).
    void forget();

    // The lamp's words: "微波：断开 16:01:01（连接被拒绝）", "微波：正常 16:05:00".
    QString status() const;

    // "3分12秒", "45秒", "1小时2分": an outage's length in words.
    static QString lengthText(qint64 ms);

Q_SIGNALS:
    // One event line's message (no time, no line end).
    void event(const QString &message);
    void statusChanged(const QString &status);

private:
    QString m_name;
    QString m_lostWord = QStringLiteral("连接中断");
    QString m_failWord = QStringLiteral("连接失败");
    QString m_backWord = QStringLiteral("连接恢复");
    State m_state = State::Unknown;
    QString m_reason;
    QDateTime m_sinceWall;
    QElapsedTimer m_clock;
    qint64 m_downAtMs = 0;
};

} // namespace korvane
