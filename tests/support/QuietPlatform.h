#pragma once

#include "app/Station.h"
#include "platform/Dialogs.h"
#include "platform/FileReveal.h"

#include <QTimer>

namespace korvane::test {

// Boxes that nobody sees: every question takes its default answer.
class QuietDialogs final : public Dialogs {
public:
protected:
    void show(const Question &q) override { answer(q.defaultAnswer); }
};

class NoReveal final : public FileReveal {
public:
    void reveal(const QString &) override {}
};

// Benchmarks and fuzz targets drive the handlers themselves.
inline void stopTimers(Station &station)
{
    for (QTimer *t : {&station.Timer1, &station.blink, &station.Timer2, &station.GET_SIGN, &station.Timer_Ping,
                      &station.Timer_AutoScan, &station.Timer_Cloud})
        t->stop();
}

} // namespace korvane::test
