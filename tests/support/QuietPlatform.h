#pragma once

#include "app/Station.h"
#include "platform/Dialogs.h"
#include "platform/FileReveal.h"

#include <QTimer>

namespace korvane::test {

// Boxes that nobody sees: every question takes its default answer.
class QuietDialogs final : public Dialogs {
public:
    Answer question(const QString &, const QString &, Icon, Answer a) override { return a; }
    void message(const QString &, const QString &, Icon) override {}
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
