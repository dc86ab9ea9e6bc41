#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace korvane::sim {

// Cuts a byte stream into command lines. CR and LF both end a line (so CR LF,
// LF and bare CR all work; empty lines are dropped). Some stations send a
// command bare, without any terminator: an unterminated fragment followed by
// a quiet gap is taken as a complete command.
class CommandFramer : public QObject {
    Q_OBJECT
public:
    explicit CommandFramer(int quietGapMs, QObject *parent = nullptr);

    void feed(const QByteArray &bytes);

signals:
    void command(const QByteArray &line);

private:
    void flushFragment();

    QByteArray m_pending;
    QTimer m_gap;
};

} // namespace korvane::sim
