#include "platform/Delay.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace korvane {

void Delay(float seconds)
{
    if (!(seconds > 0.0f) || !std::isfinite(seconds))
        return;
    const qint64 ms = static_cast<qint64>(std::ceil(static_cast<double>(seconds) * 1000.0));
    QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(0); });
    while (!deadline.hasExpired()) {
        timer.start(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        // -1: the application is quitting and no nested loop may run.
        if (loop.exec() < 0)
            return;
    }
}

} // namespace korvane
