#pragma once

#include "history/Sample.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace korvane {
class Clock;
}

namespace korvane::history {

class HistoryStore;

// Takes one sample a second on its own timer and hands it to the store; a
// link going down or coming back, and a new alarm, also become events so a
// chart can mark them.
class Sampler : public QObject {
    Q_OBJECT
public:
    using Reader = std::function<Sample()>;

    Sampler(const Clock &clock, HistoryStore &store, Reader read, QObject *parent = nullptr);

    void start(int intervalMs);
    void stop() { m_timer.stop(); }
    // One sample now, stamped with the clock.
    void sampleNow();

private:

    const Clock &m_clock;
    HistoryStore &m_store;
    Reader m_read;
    QTimer m_timer;
    Sample m_last;
    bool m_hasLast = false;
};

} // namespace korvane::history
